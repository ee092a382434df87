// Phone books (sizes, blocks of ten, writes with their limits) and the network (operator read
// in numeric form, the search list both programs parse, selection, signal).
#include <gtest/gtest.h>

#include "tests/hardware/card_rig.h"

namespace qmx2::hardware::card {
namespace {

CardScenario WithContacts() {
    CardScenario s = DefaultScenario();
    s.sim.sim_book.entries[0] = PhoneBookEntry{"+358401111111", 145, "Anna"};
    s.sim.sim_book.entries[2] = PhoneBookEntry{"0401234567", 129, "Bert"};
    s.sim.card_book.entries[99] = PhoneBookEntry{"112", 129, "Emergency"};
    return s;
}

TEST(CardBook, SizeReplyInTheFormTheStartUpParses) {
    PhoneRig rig;
    EXPECT_EQ(rig.At("AT+CPBS=\"SM\""), "AT+CPBS=\"SM\"\r\r\nOK\r\n");
    EXPECT_EQ(rig.At("AT+CPBR=?"), "AT+CPBR=?\r\r\n+CPBR: (1-250),20,14\r\n\r\nOK\r\n");
    rig.At("AT+CPBS=\"ME\"");
    EXPECT_EQ(rig.Reply("AT+CPBR=?"), "\r\n+CPBR: (1-100),30,16\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CPBS?"), "\r\n+CPBS: \"ME\",0,100\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CPBS=\"FD\""), "\r\nERROR\r\n");
}

TEST(CardBook, ReadingARangeListsTheUsedEntriesOnly) {
    PhoneRig rig(WithContacts());
    EXPECT_EQ(rig.Reply("AT+CPBR=1,10"),
              "\r\n+CPBR: 1,\"+358401111111\",145,\"Anna\"\r\n+CPBR: 3,\"0401234567\",129,\"Bert\"\r\n\r\nOK\r\n");
    // An empty block is answered OK so a reader goes on with the next.
    EXPECT_EQ(rig.Reply("AT+CPBR=241,250"), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CPBR=3"), "\r\n+CPBR: 3,\"0401234567\",129,\"Bert\"\r\n\r\nOK\r\n");
    rig.At("AT+CMEE=1");
    EXPECT_EQ(rig.Reply("AT+CPBR=251,255"), "\r\n+CME ERROR: 21\r\n");
    EXPECT_EQ(rig.Reply("AT+CPBR=5,4"), "\r\n+CME ERROR: 21\r\n");
    rig.At("AT+CPBS=\"ME\"");
    EXPECT_EQ(rig.Reply("AT+CPBR=1,100"), "\r\n+CPBR: 100,\"112\",129,\"Emergency\"\r\n\r\nOK\r\n");
}

TEST(CardBook, WritingDeletingAndTheFirstFreeIndex) {
    PhoneRig rig(WithContacts());
    EXPECT_EQ(rig.Reply("AT+CPBW=2,\"+4912345\",145,\"Carl\""), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CPBR=2"), "\r\n+CPBR: 2,\"+4912345\",145,\"Carl\"\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CPBW=,\"555\",129,\"Dora\""), "\r\nOK\r\n");
    EXPECT_EQ(rig.phone.sim().sim_book.entries[3]->name, "Dora");
    EXPECT_EQ(rig.Reply("AT+CPBW=2"), "\r\nOK\r\n");
    EXPECT_FALSE(rig.phone.sim().sim_book.entries[1].has_value());
    // The edit form ends in an extra CR, which the card takes for an empty line.
    EXPECT_EQ(rig.Send("AT+CPBW=2,\"777\",129,\"Eve\"\r\r"), "AT+CPBW=2,\"777\",129,\"Eve\"\r\r\nOK\r\n\r");
}

TEST(CardBook, WritesBeyondTheLimitsAreRefused) {
    PhoneRig rig(WithContacts());
    rig.At("AT+CMEE=1");
    EXPECT_EQ(rig.Reply("AT+CPBW=5,\"123456789012345678901\",129,\"Long\""), "\r\n+CME ERROR: 26\r\n");
    EXPECT_EQ(rig.Reply("AT+CPBW=5,\"+12345678901234567890\",145,\"Plus\""), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CPBW=5,\"12-34\",129,\"Dash\""), "\r\n+CME ERROR: 27\r\n");
    EXPECT_EQ(rig.Reply("AT+CPBW=5,\"1234\",129,\"FifteenCharsXYZ\""), "\r\n+CME ERROR: 24\r\n");
    EXPECT_EQ(rig.Reply("AT+CPBW=5,\"1234\",129,\"Fourteen Chars\""), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CPBW=251,\"1234\",129,\"Out\""), "\r\n+CME ERROR: 21\r\n");
    EXPECT_EQ(rig.Reply("AT+CPBW=5,\"1234\",99,\"Type\""), "\r\n+CME ERROR: 3\r\n");
    EXPECT_EQ(rig.Reply("AT+CPBW=5,\"1234\",129,\"Bell\a\""), "\r\n+CME ERROR: 25\r\n");
}

TEST(CardBook, FullBookRefusesAFirstFreeWrite) {
    CardScenario s = DefaultScenario();
    s.sim.sim_book.entries.assign(3, PhoneBookEntry{"1", 129, "x"});
    PhoneRig rig(s);
    rig.At("AT+CMEE=1");
    EXPECT_EQ(rig.Reply("AT+CPBW=,\"2\",129,\"y\""), "\r\n+CME ERROR: 20\r\n");
}

TEST(CardNetwork, OperatorInNumericForm) {
    PhoneRig rig;
    EXPECT_EQ(rig.At("AT+COPS?"), "AT+COPS?\r\r\n+COPS: 0,2,24405\r\n\r\nOK\r\n");
    rig.At("AT+COPS=3,0");
    EXPECT_EQ(rig.Reply("AT+COPS?"), "\r\n+COPS: 0,0,\"RADIOLINJA\"\r\n\r\nOK\r\n");
}

TEST(CardNetwork, SearchListsEveryOperatorFlat) {
    PhoneRig rig;
    const uint64_t start = rig.clock->TickMs();
    EXPECT_EQ(rig.At("AT+COPS=?"),
              "AT+COPS=?\r\r\n+COPS: 2,,,24405,1,,,24491,3,,,24403,,(0,1),(2)\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.clock->TickMs() - start, 3000u);  // the search takes its time
}

TEST(CardNetwork, ManualAndAutomaticSelection) {
    PhoneRig rig;
    EXPECT_EQ(rig.Reply("AT+COPS=1,2,24491"), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+COPS?"), "\r\n+COPS: 1,2,24491\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+COPS=1,2,24403"), "\r\nERROR\r\n");  // forbidden
    EXPECT_EQ(rig.Reply("AT+COPS=1,2,99999"), "\r\nERROR\r\n");  // not in reach
    EXPECT_EQ(rig.Reply("AT+COPS?"), "\r\n+COPS: 1,2,24491\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+COPS=0"), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+COPS?"), "\r\n+COPS: 0,2,24491\r\n\r\nOK\r\n");
    rig.At("AT+CMEE=1");
    EXPECT_EQ(rig.Reply("AT+COPS=1,2,24403"), "\r\n+CME ERROR: 32\r\n");
    EXPECT_EQ(rig.Reply("AT+COPS=1,2,99999"), "\r\n+CME ERROR: 30\r\n");
}

TEST(CardNetwork, LiveOperatorAndSignalChanges) {
    PhoneRig rig;
    rig.phone.SetSignal(7);
    EXPECT_EQ(rig.Reply("AT+CSQ"), "\r\n+CSQ: 7,99\r\n\r\nOK\r\n");
    rig.phone.SetSignal(99);
    EXPECT_EQ(rig.Reply("AT+CSQ"), "\r\n+CSQ: 99,99\r\n\r\nOK\r\n");
    rig.At("AT+CREG=1");
    EXPECT_TRUE(rig.phone.SetOperator("24491"));
    EXPECT_EQ(rig.Drain(), "\r\n+CREG: 1\r\n");
    EXPECT_FALSE(rig.phone.SetOperator("24403"));
    EXPECT_EQ(rig.Reply("AT+COPS?"), "\r\n+COPS: 0,2,24491\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CREG?"), "\r\n+CREG: 1,1\r\n\r\nOK\r\n");
}

TEST(CardNetwork, NoOperatorInReach) {
    CardScenario s = DefaultScenario();
    s.network.in_reach.clear();
    s.network.current.clear();
    PhoneRig rig(s);
    EXPECT_EQ(rig.Reply("AT+COPS?"), "\r\n+COPS: 0,2,00000\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+COPS=?"), "\r\n+COPS: ,,(0,1),(2)\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+COPS=0"), "\r\nERROR\r\n");
}

TEST(CardCall, DataCallConnectsEchoesAndEscapes) {
    CardScenario s = DefaultScenario();
    s.dial = {{"5551234", "BUSY", 500}, {"", "CONNECT", 1000}};
    PhoneRig rig(s);
    EXPECT_EQ(rig.Reply("ATDT5551234"), "\r\nBUSY\r\n");
    EXPECT_EQ(rig.Reply("ATDT5550000"), "\r\nCONNECT 9600\r\n");
    EXPECT_EQ(rig.Send("data"), "data");  // the other end sends it back
    rig.clock->Advance(1500);
    EXPECT_EQ(rig.Send("+++"), "+++\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("ATO"), "\r\nCONNECT 9600\r\n");
    rig.phone.RemoteHangUp();
    EXPECT_EQ(rig.Drain(), "\r\nNO CARRIER\r\n");
    EXPECT_EQ(rig.Reply("ATO"), "\r\nNO CARRIER\r\n");
    EXPECT_EQ(rig.Reply("ATD12345;"), "\r\nOK\r\n");  // voice
    EXPECT_EQ(rig.Reply("ATH"), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("ATD"), "\r\nERROR\r\n");
}

TEST(CardCall, PlusSignsInsideDataAreData) {
    PhoneRig rig;
    rig.At("ATD123");
    rig.clock->Advance(2000);
    EXPECT_EQ(rig.Send("a+++"), "a+++");
    rig.clock->Advance(2000);
    EXPECT_EQ(rig.Send("x"), "x");
    rig.phone.SetPowered(false);
}

TEST(CardCall, NoNetworkNoCarrier) {
    PhoneRig rig;
    rig.At("AT+COPS=2");
    EXPECT_EQ(rig.Reply("ATD123"), "\r\nNO CARRIER\r\n");
}

}  // namespace
}  // namespace qmx2::hardware::card
