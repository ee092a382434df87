// Card initialisation on a scripted card: the state machine, the dialogs and what is sent.
#include "commander/card_init.h"

#include <gtest/gtest.h>

#include "platform/clock.h"
#include "tests/commander/scripted_card.h"
#include "tests/commander/scripted_ui.h"

namespace qmx2::commander {
namespace {

using testing::CardReply;
using testing::ScriptedCard;
using testing::ScriptedUi;
using testing::W;

const std::string kCpin = "AT+CPIN?";
std::string State(std::string_view s) { return CardReply("AT+CPIN?", "+CPIN: " + std::string(s)); }
std::string Rejected(std::string_view command) { return CardReply(command, "", "+CME ERROR: 16"); }

class CardInitTest : public ::testing::Test {
protected:
    std::unique_ptr<platform::VirtualClock> clock = platform::MakeVirtualClock();
    ScriptedCard card;
    ScriptedUi ui;
    CardSession session{*clock, ui, card};
};

TEST_F(CardInitTest, ReadyCardIsConfiguredAndItsSettingsRead) {
    card.On(kCpin, {State("READY")});
    card.On("AT+CLCK=\"PS\",2", {CardReply("AT+CLCK=\"PS\",2", "+CLCK: 1")});
    card.On("AT+COPS?", {CardReply("AT+COPS?", "+COPS: 0,2,\"24405\"")});
    card.On("AT+CLCK=\"SC\",2", {CardReply("AT+CLCK=\"SC\",2", "+CLCK: 1")});

    const std::optional<CardMarks> marks = InitialiseCard(session);
    ASSERT_TRUE(marks);
    EXPECT_TRUE(marks->phone_lock);
    EXPECT_TRUE(marks->automatic_operator);
    EXPECT_TRUE(marks->pin_request);
    EXPECT_EQ(card.sent, (std::vector<std::string>{
                             "ATE1", "AT", "AT+CPIN?", "AT+CSCS=\"8859-1\"", "AT+CMGF=1",
                             "AT+CNMI=0,0,0,0,0", "AT+CLCK=\"PS\",2", "AT+COPS?", "AT+CLCK=\"SC\",2"}));
    EXPECT_EQ(card.expectations,
              (std::vector<std::string>{"OK/2", "OK/1", "+CPIN/5", "+CSCS/5", "+CMGF/5", "+CNMI/5",
                                        "\r\nOK\r\n/10", "\r\nOK\r\n/10", "\r\nOK\r\n/10"}));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CardInitTest, ModemWithoutLatin1GetsTheClosestSetItOffers) {
    struct Row {
        const char* offered;
        const char* chosen;  // nullptr: none fits
    };
    const Row rows[] = {
        {"+CSCS: (\"IRA\",\"GSM\",\"UCS2\")", "AT+CSCS=\"IRA\""},
        {"+CSCS: (\"GSM\",\"UCS2\",\"UTF-8\")", "AT+CSCS=\"UTF-8\""},
        {"+CSCS: \"GSM\"", "AT+CSCS=\"GSM\""},
        {"+CSCS: (\"UCS2\",\"HEX\")", nullptr},
    };
    for (const Row& row : rows) {
        ScriptedCard c;
        ScriptedUi u;
        CardSession s{*clock, u, c};
        c.On(kCpin, {State("READY")});
        c.On("AT+CSCS=\"8859-1\"", {CardReply("AT+CSCS=\"8859-1\"", "", "+CME ERROR: 4")});
        c.On("AT+CSCS=?", {CardReply("AT+CSCS=?", row.offered)});
        EXPECT_EQ(InitialiseCard(s).has_value(), row.chosen != nullptr) << row.offered;
        ASSERT_GE(c.sent.size(), 5u);
        EXPECT_EQ(c.sent[4], "AT+CSCS=?");
        if (row.chosen) {
            EXPECT_EQ(c.sent[5], row.chosen);
            EXPECT_EQ(c.sent[6], "AT+CMGF=1");
            EXPECT_TRUE(u.messages.empty());
        } else {
            EXPECT_EQ(u.messages, std::vector<std::string>{"Set character set failed."});
        }
    }
}

TEST_F(CardInitTest, FailedReadBacksGiveTheSecondChoiceSilently) {
    card.On(kCpin, {State("READY")});
    card.On("AT+CLCK=\"PS\",2", {"Comm failure(opencomm)"});
    card.On("AT+COPS?", {CardReply("AT+COPS?", "+COPS: 1,2,\"24405\"")});
    card.On("AT+CLCK=\"SC\",2", {CardReply("AT+CLCK=\"SC\",2", "+CLCK: 0")});
    const std::optional<CardMarks> marks = InitialiseCard(session);
    ASSERT_TRUE(marks);
    EXPECT_FALSE(marks->phone_lock);
    EXPECT_FALSE(marks->automatic_operator);
    EXPECT_FALSE(marks->pin_request);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CardInitTest, PhFsimPinGetsItsOwnDialogNotTheSimPinOne) {
    card.On(kCpin, {State("PH-FSIM PIN"), State("READY")});
    ui.codes.push_back(W("4711"));
    ASSERT_TRUE(InitialiseCard(session));
    EXPECT_EQ(ui.log.front(), "code:Enter PH-FSIM PIN:Please enter PH-FSIM PIN:");
    EXPECT_EQ(card.Count("AT+CPIN=\"4711\""), 1);
    EXPECT_EQ(card.Count(kCpin), 2);
}

TEST_F(CardInitTest, EachLockStateAsksForItsCodeKind) {
    struct Row {
        const char* state;
        const char* dialog;
    } rows[] = {
        {"SIM PIN", "code:Enter SIM PIN:Please enter SIM PIN:"},
        {"SIM PIN2", "code:Enter SIM PIN2:Please enter SIM PIN2:"},
        {"PH-SIM PIN", "code:Enter security code:Please enter security code:"},
        {"PH-FSIM PUK", "code:Enter PH-FSIM PUK:Please enter PH-FSIM PUK:"},
        {"PH-NET PIN", "code:Enter PH-NET PIN:Please enter PH-NET PIN:"},
        {"PH-NET PUK", "code:Enter PH-NET PUK:Please enter PH-NET PUK:"},
    };
    for (const Row& row : rows) {
        ScriptedCard c;
        ScriptedUi u;
        CardSession s{*clock, u, c};
        c.On(kCpin, {State(row.state), State("READY")});
        u.codes.push_back(W("1234"));
        ASSERT_TRUE(InitialiseCard(s)) << row.state;
        ASSERT_FALSE(u.log.empty());
        EXPECT_EQ(u.log.front(), row.dialog) << row.state;
        EXPECT_EQ(c.Count("AT+CPIN=\"1234\""), 1) << row.state;
    }
}

TEST_F(CardInitTest, RejectedPinThenPukOpensThePukDialog) {
    card.On(kCpin, {State("SIM PIN"), State("SIM PUK"), State("READY")});
    card.On("AT+CPIN=\"0000\"", {Rejected("AT+CPIN=\"0000\"")});
    ui.codes.push_back(W("0000"));
    ui.puks.push_back(PukFields{W("12345678"), W("1111"), W("1111")});

    ASSERT_TRUE(InitialiseCard(session));
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0], "Code validation failed.");
    EXPECT_EQ(ui.shown[0].caption, "QMX2 commander");
    EXPECT_TRUE(ui.shown[0].foreground);
    EXPECT_EQ(ui.log[2], "puk:Enter PUK code:Please enter PUK code:");
    EXPECT_EQ(ui.last_puk_text.new_label, "Please enter new SIM PIN:");
    EXPECT_EQ(ui.last_puk_text.again_label, "Please re-enter SIM PIN:");
    EXPECT_EQ(card.Count("AT+CPIN=\"12345678\",\"1111\""), 1);
    EXPECT_EQ(card.Count(kCpin), 3);
}

TEST_F(CardInitTest, Puk2UsesThePuk2Wording) {
    card.On(kCpin, {State("SIM PUK2"), State("READY")});
    ui.puks.push_back(PukFields{W("87654321"), W("2222"), W("2222")});
    ASSERT_TRUE(InitialiseCard(session));
    EXPECT_EQ(ui.log[0], "puk:Enter PUK2 code:Please enter PUK2 code:");
    EXPECT_EQ(card.Count("AT+CPIN=\"87654321\",\"2222\""), 1);
}

TEST_F(CardInitTest, PukDialogWithDifferentNewPinsStaysOpenWithItsContents) {
    card.On(kCpin, {State("SIM PUK"), State("READY")});
    ui.puks.push_back(PukFields{W("12345678"), W("1111"), W("1112")});
    ui.puks.push_back(PukFields{W("12345678"), W("1111"), W("1111")});
    ASSERT_TRUE(InitialiseCard(session));
    ASSERT_EQ(ui.messages, std::vector<std::string>{"SIM PIN not matched."});
    EXPECT_EQ(ui.shown[0].owner, MessageOwner::kNone);
    ASSERT_EQ(ui.seen_puk_fields.size(), 2u);
    EXPECT_EQ(ui.seen_puk_fields[1].reenter_pin, W("1112"));
    EXPECT_EQ(card.Count("AT+CPIN=\"12345678\",\"1111\""), 1);
}

TEST_F(CardInitTest, NineErrorsThenReadyStillInitialise) {
    std::vector<std::string> replies(9, CardReply(kCpin, "", "ERROR"));
    replies.push_back(State("READY"));
    card.On(kCpin, replies);
    const uint64_t start = clock->TickMs();
    ASSERT_TRUE(InitialiseCard(session));
    EXPECT_EQ(card.Count(kCpin), 10);
    EXPECT_EQ(clock->TickMs() - start, 9000u);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(CardInitTest, TheTenthErrorEndsIt) {
    card.On(kCpin, {CardReply(kCpin, "", "+CME ERROR: SIM PIN required")});
    EXPECT_FALSE(InitialiseCard(session));
    EXPECT_EQ(card.Count(kCpin), 10);
    EXPECT_EQ(ui.messages, std::vector<std::string>{
                               "SIM error, cannot initialize pellion.  Make sure SIM card is "
                               "inserted in pellion."});
    EXPECT_EQ(card.Count("AT+CSCS=\"8859-1\""), 0);
}

TEST_F(CardInitTest, ErrorsCountOverTheWholeInitialisation) {
    std::vector<std::string> replies(5, CardReply(kCpin, "", "ERROR"));
    replies.push_back(State("SIM PIN"));
    for (int i = 0; i < 5; ++i) replies.push_back(CardReply(kCpin, "", "ERROR"));
    card.On(kCpin, replies);
    ui.codes.push_back(W("1234"));
    EXPECT_FALSE(InitialiseCard(session));
    EXPECT_EQ(card.Count(kCpin), 11);
}

TEST_F(CardInitTest, UnrecognisedOrFailedStateReplyEndsIt) {
    for (const std::string& reply : {CardReply(kCpin, "+CPIN: SIM LOCKED"), std::string("Comm failure(opencomm)"),
                                    std::string("AT+CPIN?\r\r\n+CPIN: REA") + "Comm failure(timeout)"}) {
        ScriptedCard c;
        ScriptedUi u;
        CardSession s{*clock, u, c};
        c.On(kCpin, {reply});
        EXPECT_FALSE(InitialiseCard(s));
        EXPECT_EQ(u.messages, std::vector<std::string>{
                                  "Unexpected SIM response, cannot initialize pellion.  Make sure "
                                  "SIM card is inserted in pellion."});
    }
}

TEST_F(CardInitTest, CancelledDialogEndsWithoutAMessage) {
    card.On(kCpin, {State("SIM PIN")});
    ui.codes.push_back(std::nullopt);
    EXPECT_FALSE(InitialiseCard(session));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(card.Count(kCpin), 1);

    ScriptedCard c;
    ScriptedUi u;
    CardSession s{*clock, u, c};
    c.On(kCpin, {State("SIM PUK")});
    EXPECT_FALSE(InitialiseCard(s));
    EXPECT_TRUE(u.messages.empty());
}

TEST_F(CardInitTest, SilentCardGetsElevenAttemptsASecondApart) {
    card.On("AT", {"Comm failure(timeout)"});
    const uint64_t start = clock->TickMs();
    EXPECT_FALSE(InitialiseCard(session));
    EXPECT_EQ(card.Count("AT"), 11);
    EXPECT_EQ(clock->TickMs() - start, 10000u);
    EXPECT_EQ(ui.messages, std::vector<std::string>{
                               "Please make sure your Pellion 2.0\r\nis powered up and SIM card is inserted."});
}

TEST_F(CardInitTest, AnswerNeedsOkAfterTheEcho) {
    std::vector<std::string> replies(10, "\r\nOK\r\nAT\r");  // OK before the echo does not count
    replies.push_back(CardReply("AT", ""));
    card.On("AT", replies);
    card.On(kCpin, {State("READY")});
    EXPECT_TRUE(InitialiseCard(session));
    EXPECT_EQ(card.Count("AT"), 11);
}

TEST_F(CardInitTest, RefusedConfigurationNamesTheStep) {
    struct Row {
        const char* command;
        const char* text;
    } rows[] = {{"AT+CSCS=\"8859-1\"", "Set character set failed."},
                {"AT+CMGF=1", "Set text mode failed."},
                {"AT+CNMI=0,0,0,0,0", "Route in message."}};
    for (const Row& row : rows) {
        ScriptedCard c;
        ScriptedUi u;
        CardSession s{*clock, u, c};
        c.On(kCpin, {State("READY")});
        c.On(row.command, {CardReply(row.command, "", "ERROR")});
        EXPECT_FALSE(InitialiseCard(s));
        EXPECT_EQ(u.messages, std::vector<std::string>{row.text});
        EXPECT_EQ(c.Count("AT+COPS?"), 0);
    }
}

TEST_F(CardInitTest, FieldLimitsAndEmptyCode) {
    card.On(kCpin, {State("PH-SIM PIN"), State("SIM PIN"), State("SIM PIN"), State("READY")});
    ui.codes.push_back(W("1234567890"));
    ui.codes.push_back(W("1234567890"));
    ui.codes.push_back(W(""));
    ASSERT_TRUE(InitialiseCard(session));
    EXPECT_EQ(card.Count("AT+CPIN=\"123456\""), 1);
    EXPECT_EQ(card.Count("AT+CPIN=\"12345678\""), 1);
    EXPECT_EQ(card.Count("AT+CPIN=\"\""), 1);
}

TEST_F(CardInitTest, WaitCursorIsRemovedBeforeEachDialog) {
    card.On(kCpin, {State("SIM PIN"), State("READY")});
    ui.codes.push_back(W("1234"));
    ui.wait_cursor = true;
    ASSERT_TRUE(InitialiseCard(session));
    EXPECT_EQ(ui.log[0], "code:Enter SIM PIN:Please enter SIM PIN:");  // no ":wait"
}

TEST_F(CardInitTest, CodesThatCouldEndTheCommandAreNeverSent) {
    const std::vector<platform::WideString> bad = {
        W("12\"34"), W("12\r34"), W("12\n34"), W("12\x1A"), W("12\x1B"), W("1;ATD1"),
        W("12\\22"), platform::WideString{u'1', u'\u0122', u'3'}};
    std::vector<std::string> states(bad.size(), State("SIM PIN"));
    states.push_back(State("READY"));
    card.On(kCpin, states);
    for (const auto& code : bad) ui.codes.push_back(code);
    ASSERT_TRUE(InitialiseCard(session));
    EXPECT_EQ(ui.messages, std::vector<std::string>(bad.size(), "Code validation failed."));
    for (const std::string& c : card.sent) EXPECT_NE(c.rfind("AT+CPIN=", 0), 0u) << c;
}

TEST_F(CardInitTest, PukWithAQuoteIsNotSent) {
    card.On(kCpin, {State("SIM PUK"), State("READY")});
    ui.puks.push_back(PukFields{W("1\",\"2"), W("1111"), W("1111")});
    ASSERT_TRUE(InitialiseCard(session));
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Code validation failed."});
    for (const std::string& c : card.sent) EXPECT_NE(c.rfind("AT+CPIN=", 0), 0u) << c;
}

}  // namespace
}  // namespace qmx2::commander
