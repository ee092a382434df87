// Message-centre profiles on the emulated card: what each choice sends, how the table stays
// packed, the page and dialog rules, and centre numbers that try to run a second command.
#include <gtest/gtest.h>

#include "manager/settings/centre_dialogs.h"
#include "manager/settings/centre_profiles.h"
#include "tests/manager/messages/card_rig.h"

namespace qmx2::manager {
namespace {

using testing::CardRig;

const std::string kCap = "Orvan Pellion 2.0|";

void AddProfile(CardRig& rig, int i, const char* name, const char* number, int choice) {
    MessageCentreProfile& p = rig.ctx().profiles[i];
    SetField(p.name, name);
    SetField(p.centre_number, number);
    p.validity_code = ValidityCode(choice);
    p.sending_format = 1;
}

std::string Centre(CardRig& rig) {
    return rig.port.WithPhone([](hardware::card::Phone& p) { return p.sim().centre; });
}

TEST(CentreProfiles, ValidityTable) {
    const int codes[] = {0, 5, 23, 71, 167, 255};
    const int values[] = {11, 71, 167, 169, 173, 255};
    const char* labels[] = {"1 hour", "6 hours", "24 hours", "72 hours", "1 week", "Maximum time"};
    for (int i = 0; i < kValidityChoices; ++i) {
        EXPECT_EQ(ValidityCode(i), codes[i]);
        EXPECT_EQ(ValidityValue(codes[i]), values[i]);
        EXPECT_STREQ(ValidityLabel(i), labels[i]);
        EXPECT_EQ(ValidityChoice(codes[i]), i);
    }
    EXPECT_EQ(ValidityValue(42), 167);  // a damaged file reads as "24 hours"
    EXPECT_STREQ(SendingFormatLabel(2), "E-mail");
    EXPECT_STREQ(SendingFormatLabel(4), "Paging");
    EXPECT_STREQ(SendingFormatLabel(9), "");
}

TEST(CentreProfiles, ApplyingOneHourSendsCentreValidityAndSave) {
    CardRig rig;
    AddProfile(rig, 0, "Home", "+358401", 0);
    AddProfile(rig, 1, "Max", "+358402", 5);
    ASSERT_TRUE(ApplyProfile(rig.ctx(), 0));
    EXPECT_EQ(rig.recorder.Lines(), (std::vector<std::string>{
                                        "AT+CSCA=\"+358401\"", "AT+CSMP=17,11,0,0", "AT+CSAS=1"}));
    EXPECT_FALSE(rig.ctx().default_centre);
    rig.recorder.Clear();
    ASSERT_TRUE(ApplyProfile(rig.ctx(), 1));
    EXPECT_EQ(rig.recorder.Count("AT+CSMP=17,255,0,0"), 1u);
    EXPECT_EQ(FieldText(rig.ctx().profiles[0].name), "Max");
    EXPECT_EQ(FieldText(rig.ctx().profiles[1].name), "Home");
}

TEST(CentreProfiles, RefusedCentreChangesNothing) {
    auto s = hardware::card::DefaultScenario();
    s.faults.error_commands = {"AT+CSCA"};
    CardRig rig(s);
    rig.ctx().default_centre = true;
    AddProfile(rig, 0, "A", "+1", 2);
    AddProfile(rig, 1, "B", "+2", 2);
    EXPECT_FALSE(ApplyProfile(rig.ctx(), 1));
    EXPECT_EQ(rig.Shown(), std::vector<std::string>{kCap + "Cannot set message centre."});
    EXPECT_EQ(rig.recorder.Count("AT+CSMP"), 0u);
    EXPECT_EQ(FieldText(rig.ctx().profiles[0].name), "A");
    EXPECT_TRUE(rig.ctx().default_centre);
    EXPECT_FALSE(rig.h.ui.wait_cursor);
}

// Only a leading "+", digits, "*" and "#" of a centre number reach the quotes of AT+CSCA; a
// number with none of them is refused instead of turning into AT+CSCA="".
TEST(CentreProfiles, HostileCentreNumbersAreFilteredOrRefused) {
    CardRig rig;
    AddProfile(rig, 0, "Evil", "+358\";+CPWD=\"SC\",\"1", 2);
    ASSERT_TRUE(ApplyProfile(rig.ctx(), 0));
    const auto lines = rig.recorder.Lines();
    ASSERT_FALSE(lines.empty());
    EXPECT_EQ(lines[0], "AT+CSCA=\"+3581\"");
    EXPECT_EQ(rig.recorder.Count("AT+CPWD"), 0u);
    EXPECT_EQ(Centre(rig), "+3581");  // saved whole by AT+CSAS=1, nothing more ran
    rig.recorder.Clear();
    AddProfile(rig, 0, "Nothing", "\"\r\n\x1A\x1B;", 2);
    EXPECT_FALSE(ApplyProfile(rig.ctx(), 0));
    EXPECT_TRUE(rig.recorder.Written().empty());
    EXPECT_EQ(rig.Shown(), std::vector<std::string>{kCap + "Cannot set message centre."});
}

TEST(CentreProfiles, SimDefaultSendsAnEmptyAddress) {
    CardRig rig;
    rig.ctx().default_centre = false;
    ASSERT_TRUE(ApplySimDefault(rig.ctx()));
    EXPECT_EQ(rig.recorder.Lines(), std::vector<std::string>{"AT+CSCA=\"\""});
    EXPECT_TRUE(rig.ctx().default_centre);
}

TEST(CentreDialogs, ChoosingTheThirdInOptionsMakesItCurrent) {
    CardRig rig;
    rig.ctx().default_centre = false;
    AddProfile(rig, 0, "One", "+1", 2);
    AddProfile(rig, 1, "Two", "+2", 2);
    AddProfile(rig, 2, "Three", "+3", 3);
    OptionsDialog d = OpenOptionsDialog(rig.ctx());
    EXPECT_EQ(d.choices, (std::vector<std::string>{"Default", "One", "Two", "Three"}));
    EXPECT_EQ(d.chosen, 1);
    ChooseOption(rig.ctx(), d, 3);
    EXPECT_EQ(d.view.number, "+3");
    EXPECT_EQ(d.view.validity, "72 hours");
    EXPECT_EQ(d.view.sent_as, "Text");
    EXPECT_TRUE(OptionsOk(rig.ctx(), d));
    EXPECT_EQ(FieldText(rig.ctx().profiles[0].name), "Three");
    EXPECT_EQ(FieldText(rig.ctx().profiles[2].name), "One");
    EXPECT_EQ(rig.recorder.Count("AT+CSMP=17,169,0,0"), 1u);
    // "Default" clears the fields; nothing chosen keeps the dialog open.
    ChooseOption(rig.ctx(), d, 0);
    EXPECT_TRUE(d.view.number.empty());
    ChooseOption(rig.ctx(), d, -1);
    EXPECT_FALSE(OptionsOk(rig.ctx(), d));
    EXPECT_EQ(rig.Shown(), std::vector<std::string>{kCap + "Please select from group list."});
}

TEST(CentreDialogs, NoUserProfileOpensNothing) {
    CardRig rig;
    EXPECT_FALSE(UserProfilesExist(rig.ctx()));
    EXPECT_EQ(rig.Shown(), std::vector<std::string>{
                               kCap + "No user defined SMS center profile, use SIM default."});
}

TEST(CentreDialogs, SmsSettingTakesTheTypedNumberAndApplies) {
    CardRig rig;
    AddProfile(rig, 0, "One", "+1", 2);
    AddProfile(rig, 1, "Two", "+2", 2);
    SmsSettingDialog d = OpenSmsSettingDialog(rig.ctx());
    EXPECT_EQ(d.number, "+1");
    ChooseSmsSetting(rig.ctx(), d, 1);
    EXPECT_EQ(d.number, "+2");
    d.number = "+4412345678901234567890";
    d.validity = 4;
    EXPECT_TRUE(SmsSettingOk(rig.ctx(), d));
    EXPECT_EQ(FieldText(rig.ctx().profiles[0].centre_number), "+441234567890123456");
    EXPECT_EQ(rig.ctx().profiles[0].validity_code, 167);
    EXPECT_EQ(rig.recorder.Count("AT+CSMP=17,173,0,0"), 1u);
    d.number.clear();
    EXPECT_FALSE(SmsSettingOk(rig.ctx(), d));  // would free the profile
    d.chosen = -1;
    EXPECT_FALSE(SmsSettingOk(rig.ctx(), d));
    EXPECT_EQ(rig.Shown(), (std::vector<std::string>{
                               kCap + "Message centre number must be existed.",
                               kCap + "Please select from message centre list."}));
}

TEST(MessagesPage, DeletingProfileOneOfFourPacksTheTable) {
    CardRig rig;
    for (int i = 0; i < 4; ++i)
        AddProfile(rig, i, ("P" + std::to_string(i)).c_str(), ("+" + std::to_string(i)).c_str(), 2);
    MessagesPage page = OpenMessagesPage(rig.ctx());
    ASSERT_EQ(page.rows.size(), 4u);
    EXPECT_FALSE(page.RowActionsEnabled());
    page.marked = 1;
    DeleteMarkedProfile(rig.ctx(), page);
    EXPECT_EQ(FieldText(rig.ctx().profiles[1].name), "P2");
    EXPECT_EQ(FieldText(rig.ctx().profiles[2].name), "P3");
    EXPECT_FALSE(ProfileUsed(rig.ctx().profiles[3]));
    EXPECT_EQ(page.rows.size(), 3u);
    EXPECT_EQ(FirstFreeProfile(rig.ctx()), 3);
}

// The never-shown boxes carry option bytes 0 to 3 through the page, and the SMS setting dialog's
// carry bytes 0 and 2 and the mailbox texts; rows map to profile positions.
TEST(MessagesPage, HiddenOptionsAndMarkedRowPosition) {
    CardRig rig;
    rig.ctx().options.reply_path = 1;
    rig.ctx().options.status_reports = 1;
    SetField(rig.ctx().options.voice_mailbox, "+4930123");
    AddProfile(rig, 0, "A", "+1", 2);
    AddProfile(rig, 1, "B", "+2", 2);
    const SmsSettingDialog d = OpenSmsSettingDialog(rig.ctx());
    EXPECT_TRUE(d.reply_path && d.delivery_reports);
    EXPECT_EQ(d.voice_mailbox, "+4930123");
    MessagesPage page = OpenMessagesPage(rig.ctx());
    EXPECT_EQ(page.hidden_options, (std::array<bool, 4>{true, false, true, false}));
    EXPECT_EQ(MarkedProfile(rig.ctx(), page), -1);
    page.marked = 1;
    EXPECT_EQ(MarkedProfile(rig.ctx(), page), 1);
    page.hidden_options = {false, true, false, true};
    CloseMessagesPage(rig.ctx(), page);
    const OptionBlock& o = rig.ctx().options;
    EXPECT_EQ(std::vector<int>({o.reply_path, o.save_sent_copy, o.status_reports, o.send_long_messages}),
              std::vector<int>({0, 1, 0, 1}));
}

TEST(MessagesPage, DeletingTheLastTicksAndDisablesSimDefault) {
    CardRig rig;
    rig.ctx().default_centre = false;
    AddProfile(rig, 0, "Only", "+1", 2);
    MessagesPage page = OpenMessagesPage(rig.ctx());
    EXPECT_TRUE(page.rows[0].current);
    EXPECT_TRUE(page.use_sim_default_enabled);
    page.marked = 0;
    DeleteMarkedProfile(rig.ctx(), page);
    EXPECT_TRUE(page.use_sim_default);
    EXPECT_FALSE(page.use_sim_default_enabled);
    CloseMessagesPage(rig.ctx(), page);
    EXPECT_EQ(rig.recorder.Lines(), std::vector<std::string>{"AT+CSCA=\"\""});
    EXPECT_EQ(rig.h.registry.Text(u"Software\\Orvan\\QMX2", u"useDefSMSCenter"), "On");
}

TEST(MessagesPage, NewEditSelectAndClose) {
    CardRig rig;
    MessagesPage page = OpenMessagesPage(rig.ctx());
    const int at = BeginNewProfile(rig.ctx());
    ASSERT_EQ(at, 0);
    MessageCentreProfile p{};
    SettingGroupFields f = FieldsOf(p);
    EXPECT_EQ(f.validity, 2);
    EXPECT_FALSE(EditSettingGroupOk(rig.ctx(), f, p));
    f = {"Work", "+49301", 3};
    ASSERT_TRUE(EditSettingGroupOk(rig.ctx(), f, p));
    EXPECT_EQ(p.validity_code, 71);  // "72 hours" is stored as 71
    EXPECT_EQ(p.sending_format, 1);
    StoreProfile(rig.ctx(), page, at, p);
    StoreProfile(rig.ctx(), page, BeginNewProfile(rig.ctx()), p);
    ASSERT_EQ(page.rows.size(), 2u);
    EXPECT_EQ(page.rows[0].validity, "72 hours");
    page.marked = 1;
    SetField(rig.ctx().profiles[1].name, "Second");
    SelectMarkedProfile(rig.ctx(), page);
    EXPECT_FALSE(page.use_sim_default);
    EXPECT_EQ(page.rows[0].name, "Second");
    EXPECT_TRUE(page.rows[0].current);
    CloseMessagesPage(rig.ctx(), page);
    EXPECT_EQ(rig.recorder.Lines(),
              (std::vector<std::string>{"AT+CSCA=\"+49301\"", "AT+CSMP=17,169,0,0"}));
    EXPECT_EQ(rig.h.registry.Text(u"Software\\Orvan\\QMX2", u"useDefSMSCenter"), "Off");
    EXPECT_EQ(rig.Shown(), std::vector<std::string>{kCap + "Message centre number must be existed."});
    for (int i = 2; i < kProfiles; ++i) AddProfile(rig, i, "x", "+9", 2);
    EXPECT_EQ(BeginNewProfile(rig.ctx()), -1);
    EXPECT_EQ(rig.Shown().back(), kCap + "Setting storage full.");
}

}  // namespace
}  // namespace qmx2::manager
