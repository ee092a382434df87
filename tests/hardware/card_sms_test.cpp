// Short messages in text mode, in the forms the manager parses: memory sizes, listings that mark
// messages read, reads, the "> " prompt, Ctrl-Z and ESC, deletes, memory full, arrivals.
#include <gtest/gtest.h>

#include "tests/hardware/card_rig.h"

namespace qmx2::hardware::card {
namespace {

CardScenario WithMessages() {
    CardScenario s = DefaultScenario();
    s.sim.messages.assign(5, std::nullopt);
    s.sim.messages[0] = StoredMessage{"REC UNREAD", "+358401111111", 145, "01/05/25,14:30:15+08", "Hello, world\nsecond line"};
    s.sim.messages[2] = StoredMessage{"REC READ", "0401234567", 129, "01/05/24,09:00:00+08", "Read one"};
    s.sim.messages[3] = StoredMessage{"STO UNSENT", "+4912345", 145, "", "Draft text"};
    return s;
}

TEST(CardSms, MemorySizesInTheFormTheStartUpParses) {
    PhoneRig rig(WithMessages());
    EXPECT_EQ(rig.At("AT+CPMS=\"SM\",\"SM\",\"SM\""),
              "AT+CPMS=\"SM\",\"SM\",\"SM\"\r\r\n+CPMS: 3,5,3,5,3,5\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CPMS?"), "\r\n+CPMS: \"SM\",3,5,\"SM\",3,5,\"SM\",3,5\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CPMS=\"ME\""), "\r\n+CMS ERROR: 302\r\n");
}

TEST(CardSms, FullMemoryMatchesTheFullMemoryPattern) {
    PhoneRig rig(WithMessages());
    EXPECT_EQ(rig.phone.FillMemory(), 2);
    const std::string reply = rig.Reply("AT+CPMS?");
    EXPECT_NE(reply.find("\"SM\",5,5,"), std::string::npos) << reply;
}

TEST(CardSms, ListingUnreadMarksThemRead) {
    PhoneRig rig(WithMessages());
    EXPECT_EQ(rig.At("AT+CMGL=\"REC UNREAD\""),
              "AT+CMGL=\"REC UNREAD\"\r\r\n"
              "+CMGL: 1,\"REC UNREAD\",\"+358401111111\",,\"01/05/25,14:30:15+08\"\r\n"
              "Hello, world\nsecond line\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.phone.sim().messages[0]->status, "REC READ");
    EXPECT_EQ(rig.Reply("AT+CMGL=\"REC UNREAD\""), "\r\nOK\r\n");
}

TEST(CardSms, ListingAllEntriesFollowEachOther) {
    PhoneRig rig(WithMessages());
    EXPECT_EQ(rig.Reply("AT+CMGL=\"ALL\""),
              "\r\n+CMGL: 1,\"REC UNREAD\",\"+358401111111\",,\"01/05/25,14:30:15+08\"\r\n"
              "Hello, world\nsecond line\r\n"
              "+CMGL: 3,\"REC READ\",\"0401234567\",,\"01/05/24,09:00:00+08\"\r\nRead one\r\n"
              "+CMGL: 4,\"STO UNSENT\",\"+4912345\",,\r\nDraft text\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CMGL=\"STO UNSENT\""),
              "\r\n+CMGL: 4,\"STO UNSENT\",\"+4912345\",,\r\nDraft text\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CMGL=\"FRESH\""), "\r\n+CMS ERROR: 302\r\n");
}

TEST(CardSms, ReadingMarksReadAndAnEmptySlotIsACmsError) {
    PhoneRig rig(WithMessages());
    EXPECT_EQ(rig.At("AT+CMGR=1"),
              "AT+CMGR=1\r\r\n+CMGR: \"REC UNREAD\",\"+358401111111\",,\"01/05/25,14:30:15+08\"\r\n"
              "Hello, world\nsecond line\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.phone.sim().messages[0]->status, "REC READ");
    EXPECT_EQ(rig.Reply("AT+CMGR=4"), "\r\n+CMGR: \"STO UNSENT\",\"+4912345\",\r\nDraft text\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.At("AT+CMGR=2"), "AT+CMGR=2\r\r\n+CMS ERROR: 321\r\n");
    EXPECT_EQ(rig.Reply("AT+CMGR=6"), "\r\n+CMS ERROR: 321\r\n");
    EXPECT_EQ(rig.Reply("AT+CMGR=0"), "\r\n+CMS ERROR: 321\r\n");
}

TEST(CardSms, SendingWithThePromptAndCtrlZ) {
    PhoneRig rig;
    EXPECT_EQ(rig.At("AT+CMGS=\"+4912345\",145"), "AT+CMGS=\"+4912345\",145\r\r\n> ");
    EXPECT_EQ(rig.Send("Hi there\nbye\x1a"), "Hi there\nbye\r\n+CMGS: 1\r\n\r\nOK\r\n");
    ASSERT_EQ(rig.phone.sent_messages().size(), 1u);
    const SentMessage& m = rig.phone.sent_messages()[0];
    EXPECT_EQ(m.number, "+4912345");
    EXPECT_EQ(m.number_type, 145);
    EXPECT_EQ(m.text, "Hi there\nbye");
    rig.At("AT+CMGS=\"0401234567\",129");
    EXPECT_EQ(rig.Send("x\x1a"), "x\r\n+CMGS: 2\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.phone.sent_messages()[1].number_type, 129);
}

TEST(CardSms, EscapeDropsTheMessage) {
    PhoneRig rig;
    rig.At("AT+CMGS=\"+4912345\"");
    EXPECT_EQ(rig.Send("never\x1b"), "never\r\nOK\r\n");
    EXPECT_TRUE(rig.phone.sent_messages().empty());
    EXPECT_EQ(rig.At("AT"), "AT\r\r\nOK\r\n");
}

TEST(CardSms, ACarriageReturnInTheTextGivesANewPrompt) {
    PhoneRig rig;
    rig.At("ATE0");
    rig.At("AT+CMGS=\"+4912345\"");
    EXPECT_EQ(rig.Send("one\rtwo"), "\r\n> ");
    EXPECT_EQ(rig.Send("\x08\x08X\x1a"), "\r\n+CMGS: 1\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.phone.sent_messages()[0].text, "one\rtX");
}

TEST(CardSms, TooLongATextIsRefusedWhenItEnds) {
    PhoneRig rig;
    rig.At("ATE0");
    rig.At("AT+CMGS=\"+4912345\"");
    EXPECT_EQ(rig.Send(std::string(160, 'a') + "\x1a"), "\r\n+CMGS: 1\r\n\r\nOK\r\n");
    rig.At("AT+CMGS=\"+4912345\"");
    EXPECT_EQ(rig.Send(std::string(10 * 1024, 'b') + "\x1a"), "\r\n+CMS ERROR: 305\r\n");
    EXPECT_EQ(rig.phone.sent_messages().size(), 1u);
    EXPECT_EQ(rig.At("AT"), "\r\nOK\r\n");
}

TEST(CardSms, SendingNeedsNetworkAndCentre) {
    PhoneRig rig;
    rig.At("ATE0");
    rig.At("AT+COPS=2");
    rig.At("AT+CMGS=\"+4912345\"");
    EXPECT_EQ(rig.Send("x\x1a"), "\r\n+CMS ERROR: 331\r\n");
    rig.At("AT+COPS=0");
    CardScenario s = DefaultScenario();
    s.sim.centre.clear();
    PhoneRig nocentre(s);
    nocentre.At("ATE0");
    nocentre.At("AT+CMGS=\"+4912345\"");
    EXPECT_EQ(nocentre.Send("x\x1a"), "\r\n+CMS ERROR: 330\r\n");
    EXPECT_EQ(nocentre.Reply("AT+CMGS=\"4912abc\""), "\r\n+CMS ERROR: 302\r\n");
}

TEST(CardSms, StoringReturnsTheNewIndex) {
    PhoneRig rig(WithMessages());
    EXPECT_EQ(rig.At("AT+CMGW=\"+4912345\",145,\"STO UNSENT\""), "AT+CMGW=\"+4912345\",145,\"STO UNSENT\"\r\r\n> ");
    EXPECT_EQ(rig.Send("kept\x1a"), "kept\r\n+CMGW: 2\r\n\r\nOK\r\n");
    const StoredMessage& m = *rig.phone.sim().messages[1];
    EXPECT_EQ(m.status, "STO UNSENT");
    EXPECT_EQ(m.number, "+4912345");
    EXPECT_EQ(m.text, "kept");
    rig.At("AT+CMGW=\"+4912345\",145,\"STO UNSENT\"");
    EXPECT_EQ(rig.Send("b\x1a"), "b\r\n+CMGW: 5\r\n\r\nOK\r\n");
    rig.At("AT+CMGW=\"+4912345\",145,\"STO UNSENT\"");
    EXPECT_EQ(rig.Send("c\x1a"), "c\r\n+CMS ERROR: 322\r\n");
}

TEST(CardSms, DeletingOneOrByStatus) {
    PhoneRig rig(WithMessages());
    EXPECT_EQ(rig.Reply("AT+CMGD=3"), "\r\nOK\r\n");
    EXPECT_FALSE(rig.phone.sim().messages[2].has_value());
    EXPECT_EQ(rig.Reply("AT+CMGD=3"), "\r\nOK\r\n");  // an empty slot stays empty
    EXPECT_EQ(rig.Reply("AT+CMGD=9"), "\r\n+CMS ERROR: 321\r\n");
    EXPECT_EQ(rig.Reply("AT+CMGD=1,4"), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CPMS?"), "\r\n+CPMS: \"SM\",0,5,\"SM\",0,5,\"SM\",0,5\r\n\r\nOK\r\n");
}

TEST(CardSms, ArrivingMessagesAndTheirIndication) {
    PhoneRig rig(WithMessages());
    EXPECT_TRUE(rig.phone.DeliverMessage("+4970000", "first"));
    EXPECT_EQ(rig.Drain(), "");  // no indication routed
    rig.At("AT+CNMI=1,1,0,0,0");
    EXPECT_TRUE(rig.phone.DeliverMessage("+4970001", "second"));
    EXPECT_EQ(rig.Drain(), "\r\n+CMTI: \"SM\",5\r\n");
    EXPECT_FALSE(rig.phone.DeliverMessage("+4970002", "no room"));
    const StoredMessage& m = *rig.phone.sim().messages[1];
    EXPECT_EQ(m.status, "REC UNREAD");
    EXPECT_EQ(m.stamp, "26/01/05,12:00:00+00");
    EXPECT_EQ(rig.Reply("AT+CNMI?"), "\r\n+CNMI: 1,1,0,0,0\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CNMI=0,0,0,0,0"), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CNMI=3"), "\r\n+CMS ERROR: 303\r\n");
}

TEST(CardSms, TextModeOnly) {
    PhoneRig rig;
    EXPECT_EQ(rig.Reply("AT+CMGF=1"), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CMGF?"), "\r\n+CMGF: 1\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CMGF=0"), "\r\n+CMS ERROR: 303\r\n");
}

TEST(CardSms, CentreAndParametersAndSaving) {
    PhoneRig rig;
    EXPECT_EQ(rig.Reply("AT+CSCA?"), "\r\n+CSCA: \"+358405202000\",145\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CSCA=\"+358401111\""), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CSCA?"), "\r\n+CSCA: \"+358401111\",145\r\n\r\nOK\r\n");
    // An empty centre goes back to the one stored on the SIM.
    EXPECT_EQ(rig.Reply("AT+CSCA=\"\""), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CSCA?"), "\r\n+CSCA: \"+358405202000\",145\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CSMP=17,173,0,0"), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CSMP?"), "\r\n+CSMP: 17,173,0,0\r\n\r\nOK\r\n");
    rig.At("AT+CSCA=\"+358402222\"");
    EXPECT_EQ(rig.Reply("AT+CSAS=1"), "\r\nOK\r\n");
    EXPECT_EQ(rig.phone.sim().centre, "+358402222");
    EXPECT_EQ(rig.phone.sim().sms_parameters[1], 173);
    EXPECT_EQ(rig.Reply("AT+CSMP=17,256,0,0"), "\r\n+CMS ERROR: 302\r\n");
}

}  // namespace
}  // namespace qmx2::hardware::card
