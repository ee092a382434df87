// The SIM's codes: the states "AT+CPIN?" reports, attempt counters, PUK unblocking, a blocked
// SIM, locks and code changes, in the exact command forms the commander and manager send.
#include <gtest/gtest.h>

#include "tests/hardware/card_rig.h"

namespace qmx2::hardware::card {
namespace {

Lock& LockOf(PhoneRig& rig, LockKind k) { return rig.phone.sim().locks[static_cast<int>(k)]; }

TEST(CardSecurity, PinRequestedThenReady) {
    PhoneRig rig(PinScenario());
    EXPECT_EQ(rig.At("AT+CPIN?"), "AT+CPIN?\r\r\n+CPIN: SIM PIN\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CPIN=\"1234\""), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CPIN?"), "\r\n+CPIN: READY\r\n\r\nOK\r\n");
    // A code given while the SIM asks for none is refused.
    EXPECT_EQ(rig.Reply("AT+CPIN=\"1234\""), "\r\nERROR\r\n");
}

TEST(CardSecurity, ThreeWrongPinsAskForThePukAndTheRightPukSetsANewPin) {
    PhoneRig rig(PinScenario());
    rig.At("AT+CMEE=1");
    for (int i = 0; i < 2; ++i) EXPECT_EQ(rig.Reply("AT+CPIN=\"0000\""), "\r\n+CME ERROR: 16\r\n");
    EXPECT_EQ(LockOf(rig, LockKind::kSim).pin.attempts_left, 1);
    EXPECT_EQ(rig.Reply("AT+CPIN=\"0000\""), "\r\n+CME ERROR: 16\r\n");
    EXPECT_EQ(rig.Reply("AT+CPIN?"), "\r\n+CPIN: SIM PUK\r\n\r\nOK\r\n");
    // Even the right PIN is refused now.
    EXPECT_EQ(rig.Reply("AT+CPIN=\"1234\""), "\r\n+CME ERROR: 12\r\n");
    // The unblocking code needs the new PIN with it.
    EXPECT_EQ(rig.Reply("AT+CPIN=\"12345678\""), "\r\n+CME ERROR: 12\r\n");
    EXPECT_EQ(rig.Reply("AT+CPIN=\"12345678\",\"56\""), "\r\n+CME ERROR: 3\r\n");
    EXPECT_EQ(LockOf(rig, LockKind::kSim).puk.attempts_left, 10);
    EXPECT_EQ(rig.Reply("AT+CPIN=\"12345678\",\"5678\""), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CPIN?"), "\r\n+CPIN: READY\r\n\r\nOK\r\n");
    EXPECT_EQ(LockOf(rig, LockKind::kSim).pin.code, "5678");
    EXPECT_EQ(LockOf(rig, LockKind::kSim).pin.attempts_left, 3);
}

TEST(CardSecurity, TenWrongPuksBlockTheSimForGood) {
    CardScenario s = PinScenario();
    s.sim.locks[static_cast<int>(LockKind::kSim)].pin.attempts_left = 0;
    PhoneRig rig(s);
    for (int i = 0; i < 10; ++i) EXPECT_EQ(rig.Reply("AT+CPIN=\"11111111\",\"1234\""), "\r\nERROR\r\n");
    // The commander sees ERROR to every state query and gives up after ten.
    EXPECT_EQ(rig.Reply("AT+CPIN?"), "\r\nERROR\r\n");
    EXPECT_EQ(rig.Reply("AT+CPIN=\"12345678\",\"1234\""), "\r\nERROR\r\n");
    rig.At("AT+CMEE=1");
    EXPECT_EQ(rig.Reply("AT+CPIN?"), "\r\n+CME ERROR: 13\r\n");
    EXPECT_EQ(rig.Reply("AT+CPMS?"), "\r\n+CMS ERROR: 313\r\n");
}

TEST(CardSecurity, MalformedCodesAreRefusedWithoutCostingAnAttempt) {
    PhoneRig rig(PinScenario());
    EXPECT_EQ(rig.Reply("AT+CPIN=\"\""), "\r\nERROR\r\n");
    EXPECT_EQ(rig.Reply("AT+CPIN=\"12a4\""), "\r\nERROR\r\n");
    EXPECT_EQ(rig.Reply("AT+CPIN=\"123456789\""), "\r\nERROR\r\n");
    EXPECT_EQ(LockOf(rig, LockKind::kSim).pin.attempts_left, 3);
    EXPECT_EQ(rig.Reply("AT+CPIN=1234"), "\r\nOK\r\n");  // unquoted, as some tools send it
}

TEST(CardSecurity, LocksAreAskedInTurnWithWholeStateWords) {
    CardScenario s = PinScenario();
    s.sim.locks[static_cast<int>(LockKind::kPhoneSim)].enabled = true;
    s.sim.locks[static_cast<int>(LockKind::kPhoneFirstSim)].enabled = true;
    s.sim.locks[static_cast<int>(LockKind::kPhoneNetwork)].enabled = true;
    s.sim.locks[static_cast<int>(LockKind::kSimPin2)].enabled = true;
    PhoneRig rig(s);
    const char* states[] = {"SIM PIN", "PH-SIM PIN", "PH-FSIM PIN", "PH-NET PIN", "SIM PIN2"};
    const char* codes[] = {"1234", "0000", "1111", "2222", "4321"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(rig.Reply("AT+CPIN?"), std::string("\r\n+CPIN: ") + states[i] + "\r\n\r\nOK\r\n");
        EXPECT_EQ(rig.Reply(std::string("AT+CPIN=\"") + codes[i] + "\""), "\r\nOK\r\n") << states[i];
    }
    EXPECT_EQ(rig.Reply("AT+CPIN?"), "\r\n+CPIN: READY\r\n\r\nOK\r\n");
}

TEST(CardSecurity, PhoneLockUnblockingCodesTakeOneCode) {
    CardScenario s = DefaultScenario();
    Lock& net = s.sim.locks[static_cast<int>(LockKind::kPhoneNetwork)];
    net.enabled = true;
    net.pin.attempts_left = 0;
    Lock& fsim = s.sim.locks[static_cast<int>(LockKind::kPhoneFirstSim)];
    fsim.enabled = true;
    fsim.pin.attempts_left = 0;
    PhoneRig rig(s);
    EXPECT_EQ(rig.Reply("AT+CPIN?"), "\r\n+CPIN: PH-FSIM PUK\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CPIN=\"11111111\""), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CPIN?"), "\r\n+CPIN: PH-NET PUK\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CPIN=\"22222222\""), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CPIN?"), "\r\n+CPIN: READY\r\n\r\nOK\r\n");
}

TEST(CardSecurity, Pin2BlockedAsksForPuk2) {
    CardScenario s = DefaultScenario();
    s.sim.locks[static_cast<int>(LockKind::kSimPin2)].pin.attempts_left = 0;
    PhoneRig rig(s);
    EXPECT_EQ(rig.Reply("AT+CPIN?"), "\r\n+CPIN: SIM PUK2\r\n\r\nOK\r\n");
    // PIN2 does not keep the rest of the card locked.
    EXPECT_EQ(rig.Reply("AT+CPBS=\"SM\""), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CPIN=\"87654321\",\"9999\""), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CPIN?"), "\r\n+CPIN: READY\r\n\r\nOK\r\n");
}

TEST(CardSecurity, QueryAndSetLocksWithTheirCodes) {
    PhoneRig rig;
    EXPECT_EQ(rig.Reply("AT+CLCK=\"SC\",2"), "\r\n+CLCK: 0\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CLCK=\"SC\",1,\"1234\",7"), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CLCK=\"SC\",2"), "\r\n+CLCK: 1\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CLCK=\"PS\",1,\"9999\",7"), "\r\nERROR\r\n");
    EXPECT_EQ(rig.Reply("AT+CLCK=\"PS\",2"), "\r\n+CLCK: 0\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CLCK=\"PS\",1,\"0000\",7"), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CLCK=\"PS\",2"), "\r\n+CLCK: 1\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CLCK=\"P2\",2"), "\r\n+CLCK: 0\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CLCK=\"AO\",2"), "\r\nERROR\r\n");
    // The phone lock now asks for its code after a power cycle.
    rig.phone.SetPowered(false);
    rig.phone.SetPowered(true);
    EXPECT_EQ(rig.Reply("AT+CPIN?"), "\r\n+CPIN: SIM PIN\r\n\r\nOK\r\n");
    rig.Unlock();
    EXPECT_EQ(rig.Reply("AT+CPIN?"), "\r\n+CPIN: PH-SIM PIN\r\n\r\nOK\r\n");
}

TEST(CardSecurity, WrongPasswordsForThePinRequestCountAgainstThePin) {
    PhoneRig rig;
    for (int i = 0; i < 3; ++i) EXPECT_EQ(rig.Reply("AT+CLCK=\"SC\",1,\"9999\",7"), "\r\nERROR\r\n");
    EXPECT_EQ(rig.Reply("AT+CPIN?"), "\r\n+CPIN: SIM PUK\r\n\r\nOK\r\n");
    // An empty password is refused and costs nothing.
    PhoneRig fresh;
    EXPECT_EQ(fresh.Reply("AT+CLCK=\"SC\",0,\"\",7"), "\r\nERROR\r\n");
    EXPECT_EQ(LockOf(fresh, LockKind::kSim).pin.attempts_left, 3);
}

TEST(CardSecurity, ChangingCodes) {
    PhoneRig rig;
    // A SIM refuses to change a PIN whose request is off.
    EXPECT_EQ(rig.Reply("AT+CPWD=\"SC\",\"1234\",\"4444\""), "\r\nERROR\r\n");
    EXPECT_EQ(rig.Reply("AT+CPWD=\"PS\",\"0000\",\"5555\""), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CLCK=\"PS\",1,\"5555\",7"), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CPWD=\"P2\",\"4321\",\"8765\""), "\r\nOK\r\n");
    rig.At("AT+CLCK=\"SC\",1,\"1234\",7");
    EXPECT_EQ(rig.Reply("AT+CPWD=\"SC\",\"1111\",\"4444\""), "\r\nERROR\r\n");
    EXPECT_EQ(LockOf(rig, LockKind::kSim).pin.attempts_left, 2);
    EXPECT_EQ(rig.Reply("AT+CPWD=\"SC\",\"1234\",\"44\""), "\r\nERROR\r\n");
    EXPECT_EQ(rig.Reply("AT+CPWD=\"SC\",\"1234\",\"4444\""), "\r\nOK\r\n");
    EXPECT_EQ(LockOf(rig, LockKind::kSim).pin.code, "4444");
    EXPECT_EQ(LockOf(rig, LockKind::kSim).pin.attempts_left, 3);
}

TEST(CardSecurity, NothingButTheBasicsWithoutTheCode) {
    PhoneRig rig(PinScenario());
    for (const char* cmd : {"AT+CPMS=\"SM\",\"SM\",\"SM\"", "AT+CMGL=\"ALL\"", "AT+CMGR=1"})
        EXPECT_EQ(rig.Reply(cmd), "\r\n+CMS ERROR: 311\r\n") << cmd;
    EXPECT_EQ(rig.Reply("AT+CPBS=\"SM\""), "\r\nERROR\r\n");
    EXPECT_EQ(rig.Reply("AT+COPS?"), "\r\n+COPS: 0,2,00000\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CSQ"), "\r\n+CSQ: 20,99\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CSCS=\"8859-1\""), "\r\nOK\r\n");
}

TEST(CardSecurity, NoSimInserted) {
    CardScenario s = DefaultScenario();
    s.sim.inserted = false;
    PhoneRig rig(s);
    rig.At("AT+CMEE=1");
    EXPECT_EQ(rig.Reply("AT+CPIN?"), "\r\n+CME ERROR: 10\r\n");
    EXPECT_EQ(rig.Reply("AT+CPMS?"), "\r\n+CMS ERROR: 310\r\n");
    EXPECT_FALSE(rig.phone.DeliverMessage("+4912345", "lost"));
}

}  // namespace
}  // namespace qmx2::hardware::card
