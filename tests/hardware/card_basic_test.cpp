// The phone's command lines: echo, result framing, basic settings, identification, several
// commands on one line, and the answers that the programs find by substring.
#include <gtest/gtest.h>

#include "tests/hardware/card_rig.h"

namespace qmx2::hardware::card {
namespace {

TEST(CardBasic, EchoesTheCommandThenFramesTheResult) {
    PhoneRig rig;
    EXPECT_EQ(rig.At("AT"), "AT\r\r\nOK\r\n");
    EXPECT_EQ(rig.At("ATE1"), "ATE1\r\r\nOK\r\n");
    EXPECT_EQ(rig.At("ATE0"), "ATE0\r\r\nOK\r\n");
    EXPECT_EQ(rig.At("AT"), "\r\nOK\r\n");
}

TEST(CardBasic, CommandsInAnyLetterCase) {
    PhoneRig rig;
    EXPECT_EQ(rig.Reply("at+csq"), "\r\n+CSQ: 20,99\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("aT+cSq"), "\r\n+CSQ: 20,99\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("At+CpBs=\"sm\""), "\r\nOK\r\n");
}

TEST(CardBasic, NumericResultsAndQuietMode) {
    PhoneRig rig;
    rig.At("ATE0V0");
    EXPECT_EQ(rig.At("AT"), "0\r");
    EXPECT_EQ(rig.At("AT+NOSUCH"), "4\r");
    rig.At("ATV1Q1");
    EXPECT_EQ(rig.At("AT"), "");
    EXPECT_EQ(rig.At("AT+CSQ"), "\r\n+CSQ: 20,99\r\n");
}

TEST(CardBasic, ResetRestoresEchoAndVerboseResults) {
    PhoneRig rig;
    rig.At("ATE0V0");
    // The echo was off while the line came in; the result is in the restored form.
    EXPECT_EQ(rig.At("ATZ"), "\r\nOK\r\n");
    EXPECT_EQ(rig.At("AT"), "AT\r\r\nOK\r\n");
}

TEST(CardBasic, UnknownCommandsAnswerError) {
    PhoneRig rig;
    EXPECT_EQ(rig.Reply("AT+CGDCONT?"), "\r\nERROR\r\n");
    EXPECT_EQ(rig.Reply("AT#"), "\r\nERROR\r\n");
    EXPECT_EQ(rig.Reply("ATE7"), "\r\nERROR\r\n");
}

TEST(CardBasic, SeveralExtendedCommandsOnOneLine) {
    PhoneRig rig;
    EXPECT_EQ(rig.Reply("AT+CBST=71,0,1;+CHSN=1,0,0,0"), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CBST?;+CHSN?"), "\r\n+CBST: 71,0,1\r\n\r\n+CHSN: 1,0,0,0\r\n\r\nOK\r\n");
    // The first failing command ends the line; what follows is not run.
    EXPECT_EQ(rig.Reply("AT+CBST=99;+CHSN=2,0,0,0"), "\r\nERROR\r\n");
    EXPECT_EQ(rig.Reply("AT+CHSN?"), "\r\n+CHSN: 1,0,0,0\r\n\r\nOK\r\n");
}

TEST(CardBasic, EveryDataCallCommandOfTheSpeedTableIsAccepted) {
    PhoneRig rig;
    for (const char* bearer : {"0", "71", "81", "39", "51"})
        for (const char* speed : {"1", "2", "3", "4", "6"}) {
            const std::string cmd = std::string("AT+CBST=") + bearer + ",0,1;+CHSN=" + speed + ",0,0,0";
            EXPECT_EQ(rig.Reply(cmd), "\r\nOK\r\n") << cmd;
        }
}

TEST(CardBasic, IdentificationOfTheCard) {
    PhoneRig rig;
    EXPECT_EQ(rig.Reply("ATI"), "\r\nOrvan Mobile Phones Pellion 2.0\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CGMI"), "\r\nOrvan Mobile Phones\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CGMM"), "\r\nPellion 2.0\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CGSN"), "\r\n351234567890123\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CIMI"), "\r\n244051234567890\r\n\r\nOK\r\n");
}

TEST(CardBasic, ErrorModeSelectsPlainNumberedOrVerboseErrors) {
    PhoneRig rig(PinScenario());
    EXPECT_EQ(rig.Reply("AT+CPBR=1"), "\r\nERROR\r\n");
    rig.At("AT+CMEE=1");
    EXPECT_EQ(rig.Reply("AT+CPBR=1"), "\r\n+CME ERROR: 11\r\n");
    rig.At("AT+CMEE=2");
    EXPECT_EQ(rig.Reply("AT+CPBR=1"), "\r\n+CME ERROR: SIM PIN required\r\n");
    EXPECT_EQ(rig.Reply("AT+CMEE?"), "\r\n+CMEE: 2\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CMEE=3"), "\r\n+CME ERROR: operation not allowed\r\n");
}

TEST(CardBasic, SRegistersAndRepeatOfTheLastLine) {
    PhoneRig rig;
    EXPECT_EQ(rig.Reply("ATS0=2"), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("ATS0?"), "\r\n002\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Send("A/"), "A/\r\n002\r\n\r\nOK\r\n");
}

TEST(CardBasic, FunctionalityOffLeavesTheNetwork) {
    PhoneRig rig;
    EXPECT_EQ(rig.Reply("AT+CFUN=0"), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CSQ"), "\r\n+CSQ: 99,99\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+COPS?"), "\r\n+COPS: 0,2,00000\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CFUN=1"), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+COPS?"), "\r\n+COPS: 0,2,24405\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CFUN?"), "\r\n+CFUN: 1\r\n\r\nOK\r\n");
}

TEST(CardBasic, CharacterSetsTheSystemUses) {
    PhoneRig rig;
    EXPECT_EQ(rig.Reply("AT+CSCS=\"8859-1\""), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CSCS?"), "\r\n+CSCS: \"8859-1\"\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CSCS=\"KOI8\""), "\r\nERROR\r\n");
}

TEST(CardBasic, SlowPowerUpIgnoresTheFirstAts) {
    CardScenario s = DefaultScenario();
    s.delays.ignored_ats = 3;
    PhoneRig rig(s);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(rig.At("AT"), "") << i;
    EXPECT_EQ(rig.At("AT"), "AT\r\r\nOK\r\n");
    // A power cycle starts the slow power-up again.
    rig.phone.SetPowered(false);
    EXPECT_EQ(rig.At("AT"), "");
    rig.phone.SetPowered(true);
    EXPECT_EQ(rig.At("AT"), "");
}

TEST(CardBasic, AnswerDelayStampsTheResultLaterThanTheEcho) {
    CardScenario s = DefaultScenario();
    s.delays.reply_ms = 250;
    PhoneRig rig(s);
    rig.phone.Receive({reinterpret_cast<const uint8_t*>("AT\r"), 3});
    uint8_t buf[64];
    EXPECT_EQ(rig.phone.Transmit(buf, rig.clock->TickMs()), 3u);  // the echo at once
    EXPECT_EQ(*rig.phone.NextByteTick(), rig.clock->TickMs() + 250);
    EXPECT_EQ(rig.phone.Transmit(buf, rig.clock->TickMs() + 249), 0u);
    EXPECT_EQ(rig.phone.Transmit(buf, rig.clock->TickMs() + 250), 6u);
}

TEST(CardBasic, PoweredOffCardSaysNothingAndForgetsTheSession) {
    PhoneRig rig(PinScenario());
    rig.Unlock();
    rig.phone.SetPowered(false);
    EXPECT_EQ(rig.At("AT"), "");
    rig.phone.SetPowered(true);
    EXPECT_EQ(rig.Reply("AT+CPIN?"), "\r\n+CPIN: SIM PIN\r\n\r\nOK\r\n");
}

}  // namespace
}  // namespace qmx2::hardware::card
