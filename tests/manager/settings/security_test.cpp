// The "Security" page on the emulated card: reading both locks, the two change dialogs, changing
// access codes, a port held elsewhere, and codes that try to run a second command.
#include <gtest/gtest.h>

#include "manager/settings/security.h"
#include "tests/manager/messages/card_rig.h"

namespace qmx2::manager {
namespace {

using hardware::card::LockKind;
using testing::CardRig;

const std::string kCap = "Orvan Pellion 2.0|";

hardware::card::CardScenario PhoneLocked() {
    auto s = hardware::card::DefaultScenario();
    s.sim.locks[static_cast<int>(LockKind::kPhoneSim)].enabled = true;
    return s;
}

bool LockOn(CardRig& rig, LockKind kind) {
    return rig.port.WithPhone(
        [&](hardware::card::Phone& p) { return p.sim().locks[static_cast<int>(kind)].enabled; });
}

std::string Code(CardRig& rig, LockKind kind) {
    return rig.port.WithPhone(
        [&](hardware::card::Phone& p) { return p.sim().locks[static_cast<int>(kind)].pin.code; });
}

TEST(Security, PhoneLockShowsPhoneAndAWrongPasswordKeepsIt) {
    CardRig rig(PhoneLocked());
    rig.Direct("AT+CPIN=\"0000\"");
    const SecurityFields f = ReadSecurityStates(rig.ctx());
    EXPECT_EQ(f.level, "Phone");
    EXPECT_EQ(f.pin_request, "Off");
    EXPECT_EQ(rig.recorder.Lines(),
              (std::vector<std::string>{"AT+CLCK=\"PS\",2", "AT+CLCK=\"SC\",2"}));
    ChoiceDialog d = OpenSecurityLevelDialog(f.level);
    EXPECT_EQ(d.selection, 1);
    d.selection = 0;
    d.password = u"9999";
    EXPECT_FALSE(SecurityLevelOk(rig.ctx(), d));
    EXPECT_EQ(rig.Shown(), std::vector<std::string>{kCap + "Cannot change security level!"});
    EXPECT_TRUE(LockOn(rig, LockKind::kPhoneSim));
    EXPECT_EQ(rig.recorder.Count("AT+CLCK=\"PS\",0,\"9999\",7"), 1u);
    d.password = u"0000";
    EXPECT_TRUE(SecurityLevelOk(rig.ctx(), d));
    EXPECT_FALSE(LockOn(rig, LockKind::kPhoneSim));
    EXPECT_STREQ(LevelText(d.selection), "None");
    EXPECT_FALSE(rig.h.ui.wait_cursor);
}

TEST(Security, DialogsStartFromTheFieldText) {
    EXPECT_EQ(OpenSecurityLevelDialog("None").selection, 0);
    EXPECT_EQ(OpenSecurityLevelDialog("Comm port busy").selection, 1);
    EXPECT_EQ(OpenPinRequestDialog("Off").selection, 0);
    EXPECT_EQ(OpenPinRequestDialog("Comm port busy").selection, 1);
    EXPECT_STREQ(PinRequestText(1), "On");
}

TEST(Security, EmptyPasswordIsSentAndRefused) {
    CardRig rig;
    ChoiceDialog d = OpenPinRequestDialog("Off");
    d.selection = 1;
    EXPECT_FALSE(PinRequestOk(rig.ctx(), d));
    EXPECT_EQ(rig.recorder.Count("AT+CLCK=\"SC\",1,\"\",7"), 1u);
    EXPECT_EQ(rig.Shown(), std::vector<std::string>{kCap + "Cannot change PIN status!"});
    EXPECT_FALSE(LockOn(rig, LockKind::kSim));
    d.password = u"1234";
    EXPECT_TRUE(PinRequestOk(rig.ctx(), d));
    EXPECT_TRUE(LockOn(rig, LockKind::kSim));
}

TEST(Security, PortHeldElsewhereReadsBusy) {
    CardRig rig;
    int opens = 0;
    rig.recorder.refuse_open = [&] { return ++opens > 1; };  // the pause's own test gets through
    const SecurityFields f = ReadSecurityStates(rig.ctx());
    EXPECT_EQ(f.level, "Comm port busy");
    EXPECT_EQ(f.pin_request, "Comm port busy");
}

TEST(AccessCodes, SwitchingTheCodeClearsTheFields) {
    AccessCodesDialog d;
    d.old_code = u"1";
    d.new_code = u"2";
    d.confirm = u"3";
    ChooseAccessCode(d, AccessCode::kSecurity);
    EXPECT_TRUE(d.old_code.empty() && d.new_code.empty() && d.confirm.empty());
}

TEST(AccessCodes, SecurityCodeChangesWithPinRequestOffPinDoesNot) {
    CardRig rig;
    AccessCodesDialog d{AccessCode::kPin, u"1234", u"4444", u"4444"};
    EXPECT_FALSE(AccessCodesOk(rig.ctx(), d));
    AccessCodesDialog d2{AccessCode::kPin2, u"4321", u"4444", u"4444"};
    EXPECT_FALSE(AccessCodesOk(rig.ctx(), d2));
    EXPECT_EQ(rig.recorder.Count("AT+CPWD"), 0u);
    AccessCodesDialog s{AccessCode::kSecurity, u"0000", u"5678", u"5678"};
    EXPECT_TRUE(AccessCodesOk(rig.ctx(), s));
    EXPECT_EQ(rig.recorder.Count("AT+CPWD=\"PS\",\"0000\",\"5678\""), 1u);
    EXPECT_EQ(Code(rig, LockKind::kPhoneSim), "5678");
    EXPECT_EQ(rig.Shown(), (std::vector<std::string>{
        kCap + "You must set the PIN code request to on before changing the PIN code!",
        kCap + "You must set the PIN code request to on before changing the PIN2 code!"}));
}

TEST(AccessCodes, MismatchAndWrongOldCode) {
    auto s = hardware::card::DefaultScenario();
    s.sim.locks[static_cast<int>(LockKind::kSim)].enabled = true;
    CardRig rig(s);
    rig.Direct("AT+CPIN=\"1234\"");
    EXPECT_FALSE(AccessCodesOk(rig.ctx(), {AccessCode::kPin, u"1234", u"1111", u"11111"}));
    EXPECT_TRUE(rig.recorder.Written().empty());
    EXPECT_FALSE(AccessCodesOk(rig.ctx(), {AccessCode::kPin, u"9999", u"1111", u"1111"}));
    EXPECT_TRUE(AccessCodesOk(rig.ctx(), {AccessCode::kPin, u"1234", u"1111", u"1111"}));
    EXPECT_EQ(Code(rig, LockKind::kSim), "1111");
    EXPECT_EQ(rig.Shown(), (std::vector<std::string>{
                               kCap + "New code does not match.",
                               kCap + "Cannot change code! Please check your old code."}));
}

TEST(AccessCodes, PortFailureDuringTheChangeSaysBusy) {
    CardRig rig;
    int opens = 0;
    rig.recorder.refuse_open = [&] { return ++opens > 1; };
    EXPECT_FALSE(AccessCodesOk(rig.ctx(), {AccessCode::kSecurity, u"0000", u"1", u"1"}));
    EXPECT_EQ(rig.Shown(), std::vector<std::string>{kCap + "Comm port busy!"});
    EXPECT_EQ(Code(rig, LockKind::kPhoneSim), "0000");
}

// A code holding a quote, ';', CR, LF, Ctrl-Z or ESC is never sent: it could close the quoted
// argument and run a command of its own.
TEST(AccessCodes, HostileCodesAreRefusedBeforeAnythingIsSent) {
    CardRig rig(PhoneLocked());
    rig.Direct("AT+CPIN=\"0000\"");
    for (const std::u16string& bad :
         {std::u16string(u"0000\",7;+CPWD=\"PS\",\"0000\",\"1"), std::u16string(u"00\r00"),
          std::u16string(u"00\n00"), std::u16string(u"00\x1A" u"0"), std::u16string(u"0\x1B"),
          std::u16string(u"00;0")}) {
        EXPECT_FALSE(CodeIsSendable(bad));
        ChoiceDialog d{0, bad};
        EXPECT_FALSE(SecurityLevelOk(rig.ctx(), d));
        EXPECT_FALSE(AccessCodesOk(rig.ctx(), {AccessCode::kSecurity, bad, u"1", u"1"}));
        EXPECT_FALSE(AccessCodesOk(rig.ctx(), {AccessCode::kSecurity, u"0000", bad, bad}));
    }
    EXPECT_TRUE(rig.recorder.Written().empty());
    EXPECT_TRUE(LockOn(rig, LockKind::kPhoneSim));
    EXPECT_EQ(Code(rig, LockKind::kPhoneSim), "0000");
    EXPECT_TRUE(CodeIsSendable(u"12345678"));
}

}  // namespace
}  // namespace qmx2::manager
