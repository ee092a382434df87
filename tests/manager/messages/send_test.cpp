// Sending, sent copies and drafts on the emulated card: the 160 rule, recipient entries, the
// prompt and Ctrl-Z exchange, failures per recipient, and what may never reach the card.
#include <gtest/gtest.h>

#include "manager/messages/message_text.h"
#include "manager/messages/send.h"
#include "tests/manager/messages/card_rig.h"

namespace qmx2::manager {
namespace {

using testing::CardRig;

const std::string kCap = "Orvan Pellion 2.0|";

WriteWindowState Window(std::vector<std::u16string> to, std::u16string text) {
    WriteWindowState w;
    w.recipients = std::move(to);
    w.text = std::move(text);
    return w;
}

TEST(MessageText, LengthCountsCrLfOnceAndCutsNeverSplitThePair) {
    EXPECT_EQ(MessageLength(u"a\r\nb"), 3);
    EXPECT_EQ(MessageLength(u"a\rb\n"), 4);  // lone CR and LF count as they stand
    EXPECT_EQ(CutToLength(u"ab\r\ncd", 3), u"ab\r\n");
    EXPECT_EQ(CutToLength(u"ab\r\ncd", 2), u"ab");
    EXPECT_EQ(CardMessageText(std::u16string_view(u"a\r\nb\rc\nd")), "a\nb\nc\nd");
}

TEST(MessageText, RecipientEntriesReduceToDialableDigits) {
    EXPECT_EQ(RecipientNumber(u"Anna (+1 (2) 3)"), "+12");  // up to the first ")"
    EXPECT_EQ(RecipientNumber(u"+1 (2) 3"), "2");
    EXPECT_EQ(RecipientNumber(u"Bob (+49 170-123 45)"), "+4917012345");
    EXPECT_EQ(RecipientNumber(u"030 12+34"), "0301234");
    EXPECT_EQ(RecipientNumber(u"Ann (123"), "123");  // no ")": to the end
    EXPECT_STREQ(NumberType("+4917"), "145");
    EXPECT_STREQ(NumberType("4917"), "129");
    // A unit above 255 whose low byte is a digit is not that digit.
    EXPECT_EQ(RecipientNumber(u"\u0131\u0232 5"), "5");
}

TEST(MessageText, ControlBytesThatWouldEndTheEntryNeverReachTheCard) {
    EXPECT_EQ(CardMessageText(std::u16string_view(u"a\x1A" u"b\x1B" u"c\u011A")), "abc?");
    EXPECT_EQ(CardMessageText(std::string_view("x\x1A" "AT+CPWD\x1B")), "xAT+CPWD");
}

TEST(Send, OneHundredSixtyWithLineBreaksGoesWholeWithoutAQuestion) {
    CardRig rig;
    std::u16string text(150, u'a');
    for (int i = 0; i < 10; ++i) text += u"\r\n";  // 160 counted characters, 170 units
    WriteWindowState w = Window({u"0401234567"}, text);
    const SendReport r = SendMessage(rig.ctx(), w);
    EXPECT_EQ(r.sent, 1);
    EXPECT_EQ(rig.Shown(), std::vector<std::string>{kCap + "Message(s) sent."});
    const auto sent = rig.Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].text, std::string(150, 'a') + std::string(10, '\n'));
    EXPECT_EQ(sent[0].number, "0401234567");
    EXPECT_EQ(sent[0].number_type, 129);
    const auto lines = rig.recorder.Lines();
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[0], "AT+CSCS=\"8859-1\"");
    EXPECT_EQ(lines[1], "AT+CMGF=1");
    EXPECT_EQ(lines[2], "AT+CMGS=\"0401234567\",129");
    // The sent copy keeps the CR LF pairs and is stamped with the local time.
    ASSERT_EQ(r.sent_copies.size(), 1u);
    const MessageRecord& copy = *rig.ctx().messages.At(r.sent_copies[0]);
    EXPECT_EQ(r.sent_copies[0], 30);  // the first handheld slot
    EXPECT_EQ(FieldText(copy.status), "STO SENT");
    EXPECT_EQ(FieldText(copy.number), "0401234567");
    EXPECT_EQ(FieldText(copy.text).size(), 170u);
    EXPECT_EQ(copy.slot_number, 31);
    EXPECT_EQ(FieldText(copy.time_stamp).size(), 17u);
    EXPECT_TRUE(FieldEmpty(copy.name));
}

TEST(Send, OneHundredSixtyOneAsksFirst) {
    CardRig rig;
    WriteWindowState w = Window({u"040"}, std::u16string(161, u'x'));
    rig.h.ui.answers = {Answer::kCancel};
    EXPECT_TRUE(SendMessage(rig.ctx(), w).cancelled);
    EXPECT_EQ(rig.Shown(), std::vector<std::string>{
                               kCap + "Short message length exceeded, only first 160 characters "
                                      "will be sent."});
    EXPECT_TRUE(rig.recorder.Written().empty());
    EXPECT_EQ(w.text.size(), 161u);

    rig.h.ui.answers = {Answer::kOk};
    EXPECT_EQ(SendMessage(rig.ctx(), w).sent, 1);
    ASSERT_EQ(rig.Sent().size(), 1u);
    EXPECT_EQ(rig.Sent()[0].text, std::string(160, 'x'));
    EXPECT_EQ(w.text.size(), 161u);  // the window keeps the whole text
}

TEST(Send, NameAndNumberEntriesGiveTheDigitsAndTheirType) {
    CardRig rig;
    WriteWindowState w = Window({u"Anna (+49 170-12 34)", u"0301234", u"12+34"}, u"hi");
    EXPECT_EQ(SendMessage(rig.ctx(), w).sent, 3);
    const auto sent = rig.Sent();
    ASSERT_EQ(sent.size(), 3u);
    EXPECT_EQ(sent[0].number, "+491701234");
    EXPECT_EQ(sent[0].number_type, 145);
    EXPECT_EQ(sent[1].number, "0301234");
    EXPECT_EQ(sent[1].number_type, 129);
    EXPECT_EQ(sent[2].number, "1234");
    EXPECT_EQ(rig.recorder.Count("AT+CMGS=\"+491701234\",145"), 1u);
    EXPECT_EQ(rig.Shown(), std::vector<std::string>{kCap + "Message(s) sent."});
}

TEST(Send, FirstRecipientFailsSecondSucceeds) {
    CardRig rig;
    // The first recipient's text finds no message centre; the centre is back for the second.
    std::string saved;
    rig.recorder.on_write = [&](const std::string& bytes) {
        if (bytes.find("AT+CMGS=\"111\"") != std::string::npos) {
            rig.port.WithPhone([&](hardware::card::Phone& p) {
                saved = p.sim().centre;
                p.sim().centre.clear();
                return 0;
            });
        } else if (!bytes.empty() && bytes.back() == '\x1A' && !saved.empty()) {
            rig.port.WithPhone([&](hardware::card::Phone& p) {
                p.sim().centre = saved;
                return 0;
            });
            saved.clear();
        }
    };
    WriteWindowState w = Window({u"111", u"Bo (222)"}, u"text");
    const SendReport r = SendMessage(rig.ctx(), w);
    EXPECT_EQ(rig.Shown(), (std::vector<std::string>{kCap + "Comm failure - Request time out.",
                                                     kCap + "Message(s) sent."}));
    EXPECT_EQ(r.sent, 1);
    EXPECT_EQ(r.failures, std::vector<std::string>{"111 - send message failure."});
    ASSERT_EQ(rig.Sent().size(), 1u);
    EXPECT_EQ(rig.Sent()[0].number, "222");
    // Nothing of the window is lost.
    EXPECT_EQ(w.recipients, (std::vector<std::u16string>{u"111", u"Bo (222)"}));
    EXPECT_EQ(w.text, u"text");
    EXPECT_FALSE(rig.h.ui.wait_cursor);
}

TEST(Send, LastRecipientFailingShowsNoSuccess) {
    CardRig rig;
    rig.port.WithPhone([](hardware::card::Phone& p) {
        p.sim().centre.clear();
        return 0;
    });
    WriteWindowState w = Window({u"111"}, u"text");
    EXPECT_EQ(SendMessage(rig.ctx(), w).sent, 0);
    EXPECT_EQ(rig.Shown(), std::vector<std::string>{kCap + "Comm failure - Request time out."});
    EXPECT_EQ(rig.ctx().messages.At(30)->status[0], 0);  // no sent copy
}

TEST(Send, ToEntryJoinsTheListCutToNineteen) {
    CardRig rig;
    WriteWindowState w = Window({}, u"x");
    w.to_box = u"0123456789012345678999";
    SendMessage(rig.ctx(), w);
    ASSERT_EQ(w.recipients.size(), 1u);
    EXPECT_EQ(w.recipients[0], u"0123456789012345678");
    EXPECT_EQ(w.selected, 0);
    EXPECT_TRUE(w.to_box.empty());
    ASSERT_EQ(rig.Sent().size(), 1u);
    EXPECT_EQ(rig.Sent()[0].number, "0123456789012345678");
}

TEST(Send, NoRecipientsSendsNothing) {
    CardRig rig;
    WriteWindowState w = Window({}, u"x");
    EXPECT_TRUE(SendMessage(rig.ctx(), w).cancelled);
    EXPECT_TRUE(rig.recorder.Written().empty());
}

// Quotes, line ends, Ctrl-Z, ESC and ';' in an entry or the text cannot end the command, start a
// second one or end the text early: the number is filtered to dialable characters and the text
// loses its Ctrl-Z and ESC.
TEST(Send, HostileEntriesAndTextsReachTheCardAsOneCommandAndOneText) {
    CardRig rig;
    WriteWindowState w =
        Window({u"Eve (1\";AT+CPWD=\"SC\",\"1234\",\"0\r\n2\x1A" u"3\x1B" u"4)"},
               u"hi\x1A" u"AT+CLCK=\"SC\",0,\"1234\"\x1B" u"!");
    EXPECT_EQ(SendMessage(rig.ctx(), w).sent, 1);
    const auto sent = rig.Sent();
    ASSERT_EQ(sent.size(), 1u);
    EXPECT_EQ(sent[0].number, "112340234");
    EXPECT_EQ(sent[0].text, "hiAT+CLCK=\"SC\",0,\"1234\"!");
    EXPECT_EQ(rig.recorder.Count("AT+CPWD"), 0u);
    EXPECT_EQ(rig.recorder.Count("AT+CLCK"), 0u);
    const std::string written = rig.recorder.Written();
    EXPECT_EQ(std::count(written.begin(), written.end(), '\x1A'), 1);
    EXPECT_EQ(written.find('\x1B'), std::string::npos);
}

TEST(Send, EntryWithNothingDialableIsSkippedWithoutACommand) {
    CardRig rig;
    WriteWindowState w = Window({u"\";\r\x1A", u"5"}, u"x");
    const SendReport r = SendMessage(rig.ctx(), w);
    EXPECT_EQ(r.sent, 1);
    EXPECT_EQ(rig.recorder.Count("AT+CMGS"), 1u);
    EXPECT_EQ(r.failures.size(), 1u);
}

TEST(Drafts, SavedCutAfterTheQuestionOrNotAtAll) {
    CardRig rig;
    WriteWindowState w = Window({}, std::u16string(165, u'd'));
    rig.h.ui.answers = {Answer::kCancel};
    EXPECT_EQ(SaveDraft(rig.ctx(), w), -1);
    rig.h.ui.answers = {Answer::kOk};
    const int slot = SaveDraft(rig.ctx(), w);
    ASSERT_EQ(slot, 30);
    const MessageRecord& r = *rig.ctx().messages.At(slot);
    EXPECT_EQ(FieldText(r.status), "DRAFT");
    EXPECT_EQ(FieldText(r.text), std::string(160, 'd'));
    EXPECT_EQ(r.slot_number, 31);
    EXPECT_TRUE(FieldEmpty(r.number));
    EXPECT_TRUE(FieldEmpty(r.time_stamp));
    const std::string q =
        kCap + "Short message length exceeded, only first 160 characters will be save.";
    EXPECT_EQ(rig.Shown(), (std::vector<std::string>{q, q}));
    EXPECT_TRUE(rig.recorder.Written().empty());
}

TEST(Drafts, FullHandheldAreaChangesNothing) {
    CardRig rig;
    for (int p = 30; p < rig.ctx().messages.size(); ++p)
        SetField(rig.ctx().messages.At(p)->status, "PDA");
    const std::vector<MessageRecord> before = rig.ctx().messages.records;
    WriteWindowState w = Window({}, u"d");
    EXPECT_EQ(SaveDraft(rig.ctx(), w), -1);
    EXPECT_EQ(rig.Shown(),
              std::vector<std::string>{kCap + "Fail to save short message into draft folder!"});
    EXPECT_EQ(std::memcmp(before.data(), rig.ctx().messages.records.data(),
                          before.size() * sizeof(MessageRecord)),
              0);
}

TEST(Send, FullHandheldAreaStillSendsAndSaysTheCopyFailed) {
    CardRig rig;
    for (int p = 30; p < rig.ctx().messages.size(); ++p)
        SetField(rig.ctx().messages.At(p)->status, "PDA");
    WriteWindowState w = Window({u"5"}, u"d");
    EXPECT_EQ(SendMessage(rig.ctx(), w).sent, 1);
    EXPECT_EQ(rig.Shown(), (std::vector<std::string>{
                               kCap + "Fail to save short message into sent messages folder!",
                               kCap + "Message(s) sent."}));
}

TEST(WriteWindow, ModesFillFromTheRecord) {
    MessageRecord r{};
    SetField(r.number, "+4917");
    SetField(r.text, "a\nb\rc\r\nd");
    EXPECT_TRUE(PrefillWriteWindow(kWriteEmpty, nullptr)->recipients.empty());
    EXPECT_FALSE(PrefillWriteWindow(kWriteReply, nullptr));
    const auto reply = PrefillWriteWindow(kWriteReply, &r);
    EXPECT_EQ(reply->recipients, std::vector<std::u16string>{u"+4917"});
    EXPECT_TRUE(reply->text.empty());
    EXPECT_EQ(PrefillWriteWindow(kWriteForward, &r)->text, u"a\r\nb\r\nc\r\nd");
    EXPECT_EQ(PrefillWriteWindow(kWriteForwardToo, &r)->recipients.size(), 0u);
    const auto both = PrefillWriteWindow(kWriteSendStored, &r);
    EXPECT_EQ(both->recipients.size(), 1u);
    EXPECT_EQ(both->text, u"a\r\nb\r\nc\r\nd");
    EXPECT_FALSE(PrefillWriteWindow(5, &r));
}

}  // namespace
}  // namespace qmx2::manager
