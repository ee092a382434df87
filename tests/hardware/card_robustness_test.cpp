// Bad input on the line and the scenario's faults: overlong lines, binary garbage, missing
// terminators, input split at every byte; a stalled card, lost and garbled bytes, ERROR on
// demand.
#include <gtest/gtest.h>

#include "tests/hardware/card_rig.h"

namespace qmx2::hardware::card {
namespace {

TEST(CardRobustness, OverlongLineIsAnErrorAndTheNextLineWorks) {
    PhoneRig rig;
    rig.At("ATE0");
    EXPECT_EQ(rig.At("AT+CSCA=\"" + std::string(2000, '1') + "\""), "\r\nERROR\r\n");
    // 1024 characters after "AT" fit.
    EXPECT_EQ(rig.At("AT" + std::string(1024, ' ')), "\r\nOK\r\n");
    EXPECT_EQ(rig.At("AT" + std::string(1025, ' ')), "\r\nERROR\r\n");
    EXPECT_EQ(rig.At("AT"), "\r\nOK\r\n");
}

TEST(CardRobustness, GarbageBeforeTheCommandIsLineNoise) {
    PhoneRig rig;
    rig.At("ATE0");
    std::string garbage;
    for (int i = 0; i < 256; ++i)
        if (i != 'A' && i != 'a' && i != 13) garbage.push_back(static_cast<char>(i));
    EXPECT_EQ(rig.Send(garbage + "\r\r\n"), "");
    EXPECT_EQ(rig.Send(garbage + "AT+CSQ\r"), "\r\n+CSQ: 20,99\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Send(std::string("xxAT##\r", 7)), "\r\nERROR\r\n");
    EXPECT_EQ(rig.Send(std::string("AT\0\xff\r", 5)), "\r\nERROR\r\n");
}

TEST(CardRobustness, EveryByteValueInsideALineNeverBreaksTheCard) {
    PhoneRig rig;
    rig.At("ATE0");
    for (int i = 0; i < 256; ++i) {
        if (i == 13 || i == 8) continue;
        const std::string line = std::string("AT+CPBW=1,\"") + static_cast<char>(i) + "\"";
        rig.At(line);
        ASSERT_EQ(rig.At("AT"), "\r\nOK\r\n") << i;
    }
}

TEST(CardRobustness, MissingTerminatorMeansNoAnswerYet) {
    PhoneRig rig;
    EXPECT_EQ(rig.Send("AT+CSQ"), "AT+CSQ");
    rig.clock->Advance(60'000);
    EXPECT_EQ(rig.Send("\r"), "\r\r\n+CSQ: 20,99\r\n\r\nOK\r\n");
    // A line feed alone does not end a line.
    EXPECT_EQ(rig.Send("AT\n"), "AT\n");
    EXPECT_EQ(rig.Send("\r"), "\r\r\nOK\r\n");
}

TEST(CardRobustness, BackspaceEditsTheLine) {
    PhoneRig rig;
    rig.At("ATE0");
    EXPECT_EQ(rig.Send("AT+CSX\bQ\r"), "\r\n+CSQ: 20,99\r\n\r\nOK\r\n");
}

TEST(CardRobustness, AReplyDoesNotDependOnHowTheInputIsSplit) {
    const std::string input = "AT+CPMS=\"SM\",\"SM\",\"SM\"\rAT+CMGS=\"+4912345\",145\rHello\x1a" "AT+COPS?\r";
    PhoneRig whole;
    const std::string expected = whole.Send(input);
    for (size_t cut = 1; cut < input.size(); ++cut) {
        PhoneRig rig;
        std::string got = rig.Send(input.substr(0, cut));
        got += rig.Send(input.substr(cut));
        ASSERT_EQ(got, expected) << "cut at " << cut;
    }
}

TEST(CardRobustness, TheTextOfAMessageIsNeverTakenForCommands) {
    PhoneRig rig;
    rig.At("ATE0");
    rig.At("AT+CMGS=\"+4912345\"");
    EXPECT_EQ(rig.Send("AT+CPWD=\"SC\",\"1234\",\"0000\"\r\x1a"), "\r\n> \r\n+CMGS: 1\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.phone.sim().locks[0].pin.code, "1234");
}

TEST(CardFaults, ErrorForAGivenCommand) {
    CardScenario s = DefaultScenario();
    s.faults.error_commands = {"+CSCA", "AT+CPMS?"};
    PhoneRig rig(s);
    EXPECT_EQ(rig.Reply("AT+CSCA=\"+123\""), "\r\nERROR\r\n");
    EXPECT_EQ(rig.Reply("at+csca?"), "\r\nERROR\r\n");
    EXPECT_EQ(rig.Reply("AT+CPMS?"), "\r\nERROR\r\n");
    // The fault names the read form only; the set form still works.
    EXPECT_EQ(rig.Reply("AT+CPMS=\"SM\""), "\r\n+CPMS: 0,30,0,30,0,30\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CSQ"), "\r\n+CSQ: 20,99\r\n\r\nOK\r\n");
}

TEST(CardFaults, StallForAWhile) {
    CardScenario s = DefaultScenario();
    s.faults.stall_after_commands = 2;
    s.faults.stall_ms = 10'000;
    PhoneRig rig(s);
    EXPECT_EQ(rig.At("AT"), "AT\r\r\nOK\r\n");
    EXPECT_EQ(rig.At("AT"), "AT\r\r\nOK\r\n");
    // The echo of the line that starts the stall is already out.
    EXPECT_EQ(rig.At("AT"), "AT\r");
    rig.clock->Advance(5'000);
    EXPECT_EQ(rig.At("AT"), "");
    rig.clock->Advance(5'000);
    EXPECT_EQ(rig.At("AT"), "AT\r\r\nOK\r\n");
}

TEST(CardFaults, StallForGood) {
    CardScenario s = DefaultScenario();
    s.faults.stall_after_commands = 0;
    PhoneRig rig(s);
    EXPECT_EQ(rig.At("AT"), "AT\r");
    rig.clock->Advance(3'600'000);
    EXPECT_EQ(rig.At("AT"), "");
}

TEST(CardFaults, DroppedAndGarbledBytes) {
    CardScenario drop = DefaultScenario();
    drop.faults.drop_every = 3;
    PhoneRig d(drop);
    EXPECT_EQ(d.At("AT"), "AT\r\nK\r");  // "AT\r\r\nOK\r\n" without every third byte
    CardScenario garble = DefaultScenario();
    garble.faults.garble_every = 4;
    PhoneRig g(garble);
    EXPECT_EQ(g.At("AT"), "AT\r-\nOK-\n");
}

}  // namespace
}  // namespace qmx2::hardware::card
