// The tray controller on faked parts: start-up, menu marks, registry values, the messages of
// other programs, power, notifications and the exit sequence.
#include "commander/commander.h"

#include <gtest/gtest.h>

#include "tests/commander/commander_doubles.h"

namespace qmx2::commander {
namespace {

using testing::CardReply;
using testing::CommanderRig;
using testing::W;

const std::u16string kProgramKey = u"Software\\Orvan\\QMX2";
const std::u16string kInitKey = u"Drivers\\PCMCIA\\Orvan_Mobile_Phones-ORVAN_PELLION-4C2D\\Init";

class CommanderTest : public ::testing::Test, public CommanderRig {
protected:
    bool Has(const std::string& event) {
        return std::find(events.begin(), events.end(), event) != events.end();
    }
};

TEST_F(CommanderTest, MissingModemCommandMarksModemAt9600) {
    Commander& c = Started();
    EXPECT_EQ(c.modem_command(), "AT+CBST=0,0,1;+CHSN=1,0,0,0");
    EXPECT_EQ(c.menu().MarkedSpeedGroup(), 4);
    EXPECT_EQ(c.menu().At(4).label, "Modem");
    EXPECT_TRUE(c.menu().Find(40017).checked);
    EXPECT_EQ(c.menu().Find(40017).label, "9.6kbps");
    EXPECT_EQ(c.menu().MarkedSpeed(), 0);
}

TEST_F(CommanderTest, UnknownModemCommandMarksNothing) {
    registry.SetText(kProgramKey, u"ATModemCmd", u"AT+CBST=7,0,1");
    Commander& c = Started();
    EXPECT_EQ(c.modem_command(), "AT+CBST=7,0,1");
    EXPECT_EQ(c.menu().MarkedSpeed(), -1);
    EXPECT_EQ(c.menu().MarkedSpeedGroup(), -1);
}

TEST_F(CommanderTest, StoredModemCommandIsMatchedWholeText) {
    registry.SetText(kProgramKey, u"ATModemCmd", u"AT+CBST=51,0,1;+CHSN=3,0,0,0");
    EXPECT_EQ(Started().menu().MarkedSpeed(), 12);
    registry.SetText(kProgramKey, u"ATModemCmd", u"AT+CBST=51,0,1;+CHSN=3,0,0,0 ");
    EXPECT_EQ(Started().menu().MarkedSpeed(), -1);
    registry.SetText(kProgramKey, u"ATModemCmd", u"");
    EXPECT_EQ(Started().modem_command(), "AT+CBST=0,0,1;+CHSN=1,0,0,0");
}

TEST_F(CommanderTest, SpeedMessagesMarkTheirEntryAndWriteNothing) {
    Commander& c = Started();
    EXPECT_TRUE(c.HandleMessage(5027, 0, 0));
    EXPECT_EQ(c.menu().MarkedSpeedGroup(), 4);
    EXPECT_TRUE(c.menu().Find(40019).checked);
    EXPECT_EQ(c.menu().Find(40019).label, "19.2kbps");
    EXPECT_FALSE(c.menu().Find(40017).checked);

    EXPECT_TRUE(c.HandleMessage(5037, 0, 0));
    EXPECT_EQ(c.menu().MarkedSpeedGroup(), 6);
    EXPECT_EQ(c.menu().At(6).label, "ISDN V.120");
    EXPECT_TRUE(c.menu().Find(40029).checked);
    EXPECT_FALSE(c.menu().Find(40019).checked);
    EXPECT_FALSE(c.menu().At(4).checked);

    EXPECT_TRUE(c.HandleMessage(5037, 0, 0));
    EXPECT_TRUE(c.menu().Find(40029).checked);
    EXPECT_EQ(c.selected_speed(), 12);
    EXPECT_EQ(registry.Get(kProgramKey, u"ATModemCmd"), std::nullopt);
    EXPECT_EQ(registry.Get(kInitKey, u"3"), std::nullopt);
}

TEST_F(CommanderTest, SpeedEntryWritesBothPlaces) {
    Commander& c = Started();
    c.HandleCommand(40023);
    EXPECT_EQ(c.modem_command(), "AT+CBST=81,0,1;+CHSN=2,0,0,0");
    EXPECT_EQ(c.menu().MarkedSpeedGroup(), 5);
    EXPECT_EQ(c.menu().At(5).label, "ISDN V.110");
    EXPECT_FALSE(c.menu().Find(40017).checked);
    EXPECT_EQ(registry.Text(kProgramKey, u"ATModemCmd"), std::u16string(u"AT+CBST=81,0,1;+CHSN=2,0,0,0") + u'\0');
    EXPECT_EQ(registry.Text(kInitKey, u"3"), std::u16string(u"AT+CBST=81,0,1;+CHSN=2,0,0,0<cr>") + u'\0');
    EXPECT_TRUE(card.sent.size() == 9u);  // only the initialisation: the command is not sent
}

TEST_F(CommanderTest, PeerSettingMessages) {
    Commander& c = Started();
    c.HandleMessage(6026, 0, 0);
    EXPECT_TRUE(c.menu().Find(40039).checked);
    EXPECT_FALSE(c.menu().Find(40038).checked);
    c.HandleMessage(6025, 0, 0);
    EXPECT_TRUE(c.menu().Find(40038).checked);
    EXPECT_FALSE(c.menu().Find(40039).checked);
    c.HandleMessage(7025, 0, 0);
    EXPECT_TRUE(c.menu().Find(40035).checked);
    c.HandleMessage(7026, 0, 0);
    EXPECT_FALSE(c.menu().Find(40035).checked);
    c.HandleMessage(7027, 0, 0);
    EXPECT_TRUE(c.menu().Find(40036).checked);
    EXPECT_FALSE(c.menu().Find(40037).checked);
    c.HandleMessage(7028, 0, 0);
    EXPECT_FALSE(c.menu().Find(40036).checked);
    EXPECT_TRUE(c.menu().Find(40037).checked);
}

TEST_F(CommanderTest, UnknownMessagesAreIgnored) {
    Commander& c = Started();
    const auto before = c.menu().Snapshot().size();
    const auto events_before = events.size();
    const int speed = c.selected_speed();
    for (uint32_t m : {5024u, 5040u, 4024u, 4029u, 6024u, 6027u, 7024u, 7029u, 8024u, 8026u, 9999u, 0xFFFFFFFFu})
        EXPECT_FALSE(c.HandleMessage(m, 1, 1)) << m;
    EXPECT_EQ(c.selected_speed(), speed);
    EXPECT_EQ(c.menu().Snapshot().size(), before);
    EXPECT_EQ(events.size(), events_before);
    EXPECT_EQ(c.power_state(), 1);
}

TEST_F(CommanderTest, StartOnPoweredCardInitialisesAndMarks) {
    card.On("AT+CLCK=\"PS\",2", {CardReply("AT+CLCK=\"PS\",2", "+CLCK: 1")});
    card.On("AT+COPS?", {CardReply("AT+COPS?", "+COPS: 1,2,\"24405\"")});
    Commander& c = Make();
    EXPECT_TRUE(c.Start());
    EXPECT_EQ(card.Count("AT+CPIN?"), 1);
    EXPECT_TRUE(c.menu().Find(40036).checked);
    EXPECT_TRUE(c.menu().Find(40039).checked);
    EXPECT_FALSE(c.menu().Find(40035).checked);
    EXPECT_TRUE(c.menu().Find(40040).checked);
    EXPECT_TRUE(c.icons().card);
    EXPECT_TRUE(c.icons().card_powered);
    EXPECT_FALSE(ui.wait_cursor);
    EXPECT_FALSE(ui.menu_bar);
}

TEST_F(CommanderTest, FailedInitialisationEndsTheCommander) {
    card.On("AT+CPIN?", {CardReply("AT+CPIN?", "+CPIN: SIM PIN")});
    Commander& c = Make();
    EXPECT_FALSE(c.Start());
    EXPECT_EQ(host.end_requests, 1);
    EXPECT_FALSE(c.icons().card);

    power.port_free = false;
    CommanderRig busy;
    busy.power.port_free = false;
    EXPECT_FALSE(busy.Make().Start());
    EXPECT_EQ(busy.host.end_requests, 1);
    EXPECT_TRUE(busy.card.sent.empty());
}

TEST_F(CommanderTest, StartOnUnpoweredCardSendsNothing) {
    power.state = kPoweredOff;
    registry.SetNumber(u"Software\\Orvan\\SERQMX2", u"autopowerup", 1);
    Commander& c = Started();
    EXPECT_TRUE(card.sent.empty());
    EXPECT_FALSE(c.menu().Find(40040).checked);
    EXPECT_TRUE(c.menu().Find(40042).checked);
    EXPECT_TRUE(c.icons().card);
    EXPECT_FALSE(c.icons().card_powered);
}

TEST_F(CommanderTest, AutomaticPowerUpFlipsTheSettingOnly) {
    Commander& c = Started();
    EXPECT_FALSE(c.menu().Find(40042).checked);
    c.HandleCommand(40042);
    EXPECT_TRUE(c.menu().Find(40042).checked);
    const auto v = registry.Get(u"Software\\Orvan\\SERQMX2", u"autopowerup");
    ASSERT_TRUE(v);
    EXPECT_EQ(v->type, platform::REG_DWORD);
    EXPECT_EQ(v->bytes, (std::vector<uint8_t>{1, 0, 0, 0}));
    c.HandleCommand(40042);
    EXPECT_EQ(registry.Get(u"Software\\Orvan\\SERQMX2", u"autopowerup")->bytes,
              (std::vector<uint8_t>{0, 0, 0, 0}));
    EXPECT_FALSE(Has("power up"));
    EXPECT_FALSE(Has("power down"));
}

TEST_F(CommanderTest, RunAtEventFlagIsAppliedAndWrittenBackAtExit) {
    registry.SetText(kProgramKey, u"NotifyFlag", u"On");
    Commander& c = Started();
    EXPECT_TRUE(c.run_at_event());
    auto clear = std::find(events.begin(), events.end(), "clear run-at-event \\Windows\\Qmx2Com.exe");
    ASSERT_NE(clear, events.end());
    ASSERT_NE(clear + 1, events.end());
    EXPECT_EQ(*(clear + 1), "run-at-event \\Windows\\Qmx2Com.exe");
    c.HandleCommand(40004);
    EXPECT_FALSE(c.run_at_event());
    c.Exit();
    EXPECT_EQ(registry.Text(kProgramKey, u"NotifyFlag"), std::u16string(u"Off") + u'\0');
}

TEST_F(CommanderTest, MissingNotifyFlagIsOff) {
    Commander& c = Started();
    EXPECT_FALSE(c.run_at_event());
    EXPECT_FALSE(Has("run-at-event \\Windows\\Qmx2Com.exe"));
    c.HandleCommand(40004);
    c.Exit();
    EXPECT_EQ(registry.Text(kProgramKey, u"NotifyFlag"), std::u16string(u"On") + u'\0');
}

TEST_F(CommanderTest, MemoryFullNotifiesWithSoundOnceThenLightOnly) {
    Commander& c = Started();
    events.clear();
    c.HandleMessage(4025, 0, 0);
    EXPECT_TRUE(c.icons().memory_full);
    c.HandleMessage(4025, 0, 0);
    c.HandleMessage(4026, 0, 0);
    EXPECT_FALSE(c.icons().memory_full);
    c.HandleMessage(4025, 0, 0);
    EXPECT_TRUE(c.icons().memory_full);
    const std::string handled = "handled \\Windows\\Qmx2PPC.exe";
    const std::string sound = "notify \\Windows\\Qmx2PPC.exe sound=\\Windows\\Alarm1.wav";
    const std::string light = "notify \\Windows\\Qmx2PPC.exe sound=";
    EXPECT_EQ(events, (testing::EventLog{handled, sound, handled, light, handled, sound}));
    const platform::WallTime now = clock->LocalTime();
    EXPECT_EQ(host.last_due.year, now.year - 1);
    EXPECT_EQ(host.last_due.month, now.month);
}

TEST_F(CommanderTest, NotifyAndClearMessages) {
    Commander& c = Started();
    events.clear();
    c.HandleMessage(4027, 0, 0);
    c.HandleMessage(4028, 0, 0);
    EXPECT_FALSE(c.icons().memory_full);
    EXPECT_EQ(events, (testing::EventLog{"handled \\Windows\\Qmx2PPC.exe",
                                         "notify \\Windows\\Qmx2PPC.exe sound=\\Windows\\Alarm1.wav",
                                         "handled \\Windows\\Qmx2PPC.exe"}));
    host.notifications_work = false;
    c.HandleMessage(4027, 0, 0);
    EXPECT_EQ(ui.messages.back(), "CeSetUserNotification failed!");
    EXPECT_EQ(ui.shown.back().caption, "QMX2 commander");
}

TEST_F(CommanderTest, TrayClicks) {
    Commander& c = Started();
    c.HandleMessage(3025, 5000, 0x0201);
    EXPECT_EQ(ui.popups, 1);
    c.HandleMessage(3025, 5000, 0x0202);
    EXPECT_EQ(ui.popups, 1);
    c.HandleMessage(3025, 5001, 0x0201);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, "Please remove some short messages from SIM, otherwise any new "
                                "short message can not be received.");
    EXPECT_EQ(ui.shown[0].caption, "SMS memory full!");
    EXPECT_TRUE(ui.shown[0].foreground);
}

TEST_F(CommanderTest, PowerDownMessageClosesTheManagerFirst) {
    Commander& c = Started();
    host.manager_running = true;
    events.clear();
    c.HandleMessage(8025, 0, 0);
    EXPECT_EQ(events, (testing::EventLog{"close manager", "power down"}));
    EXPECT_EQ(c.power_state(), 0);
    EXPECT_FALSE(c.icons().card_powered);
    EXPECT_FALSE(c.menu().Find(40040).checked);
}

TEST_F(CommanderTest, FailedPowerDownChangesNothing) {
    Commander& c = Started();
    power.down_works = false;
    c.HandleCommand(40040);
    EXPECT_EQ(c.power_state(), 1);
    EXPECT_TRUE(c.icons().card_powered);
    EXPECT_TRUE(c.menu().Find(40040).checked);
}

TEST_F(CommanderTest, PowerUpEntryPowersUpAndInitialises) {
    power.state = kPoweredOff;
    Commander& c = Started();
    registry.SetText(kProgramKey, u"ATModemCmd", u"AT+CBST=0,0,1;+CHSN=6,0,0,0");
    c.HandleCommand(40040);
    EXPECT_EQ(c.power_state(), 1);
    EXPECT_EQ(card.Count("AT+CPIN?"), 1);
    EXPECT_TRUE(c.menu().Find(40040).checked);
    EXPECT_TRUE(c.icons().card_powered);
    EXPECT_EQ(c.menu().MarkedSpeed(), 4);  // settings read again
    EXPECT_FALSE(ui.wait_cursor);

    c.HandleCommand(40040);  // and down again
    EXPECT_EQ(c.power_state(), 0);
    EXPECT_FALSE(c.icons().card_powered);
}

TEST_F(CommanderTest, PowerUpFailures) {
    power.state = kPoweredOff;
    power.up_works = false;
    Commander& c = Started();
    c.HandleCommand(40040);
    EXPECT_EQ(c.power_state(), 0);
    EXPECT_FALSE(c.icons().card_powered);
    EXPECT_EQ(host.end_requests, 0);

    power.up_works = true;
    card.On("AT", {"Comm failure(timeout)"});
    c.HandleCommand(40040);
    EXPECT_EQ(host.end_requests, 1);

    power.state = 7;  // the driver gives no usable answer
    events.clear();
    c.HandleCommand(40040);
    EXPECT_TRUE(events.empty());
}

TEST_F(CommanderTest, CardRemovalEndsOnlyWhenTheCardIsGone) {
    Commander& c = Started();
    c.HandleMessage(0x0219, 0x8004, 0);
    EXPECT_EQ(host.end_requests, 0);
    registry.DeleteKey(platform::HKEY_LOCAL_MACHINE, u"Drivers\\Active\\01");
    c.HandleMessage(0x0219, 0x8000, 0);
    EXPECT_EQ(host.end_requests, 0);
    c.HandleMessage(0x0219, 0x8004, 0);
    EXPECT_EQ(host.end_requests, 1);
    c.Exit();
    EXPECT_FALSE(c.icons().card);
    EXPECT_FALSE(c.icons().memory_full);
}

// A commander that missed the removal broadcast still ends when its card's entry or the device
// manager serving the card is gone.
TEST_F(CommanderTest, CardWatchEndsACommanderWithoutItsCard) {
    Commander& c = Started();
    auto look = [&] { c.HandleMessage(0x0113, 1, 0); };
    look();
    EXPECT_EQ(host.end_requests, 0);
    host.device_host_running = false;
    look();
    c.HandleMessage(0x0113, 2, 0);  // another timer
    EXPECT_EQ(host.end_requests, 0);
    host.device_host_running = true;  // back in time: the count starts again
    look();
    host.device_host_running = false;
    look();
    EXPECT_EQ(host.end_requests, 0);
    look();
    EXPECT_EQ(host.end_requests, 1);
    host.device_host_running = true;
    look();
    registry.DeleteKey(platform::HKEY_LOCAL_MACHINE, u"Drivers\\Active\\01");
    look();
    look();
    EXPECT_EQ(host.end_requests, 2);
    c.HandleMessage(0x0006, 1, 0);
    EXPECT_EQ(ui.brought_forward, 1);
}

TEST_F(CommanderTest, AMenuStateThreadThatCannotStartEndsTheCommander) {
    commander = std::make_unique<Commander>(CommanderParts{
        *clock, registry, ui, card, power, power, host, host, "\\Windows", "\\Windows\\Qmx2Com.exe",
        [](platform::Thread&, std::function<void()>) { return false; }});
    EXPECT_FALSE(commander->Start());
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, "Unable to create thread!");
    EXPECT_EQ(ui.shown[0].caption, "QMX2 commander");
    EXPECT_EQ(ui.shown[0].owner, MessageOwner::kNone);
    EXPECT_EQ(host.end_requests, 1);
    EXPECT_FALSE(commander->icons().card);
}

TEST_F(CommanderTest, ExitSequence) {
    Commander& c = Started();
    c.HandleMessage(4025, 0, 0);
    host.manager_running = true;
    events.clear();
    c.Exit();
    EXPECT_EQ(events, (testing::EventLog{"close manager", "handled \\Windows\\Qmx2PPC.exe"}));
    EXPECT_FALSE(c.icons().card);
    EXPECT_FALSE(c.icons().memory_full);
    EXPECT_EQ(registry.Text(kProgramKey, u"NotifyFlag"), std::u16string(u"Off") + u'\0');
}

TEST_F(CommanderTest, MonitorEntries) {
    Commander& c = Started();
    c.HandleCommand(40010);
    EXPECT_TRUE(Has("start \\Windows\\Qmx2PPC.exe"));
    EXPECT_TRUE(ui.messages.empty());
    host.programs_start = false;
    c.HandleCommand(40010);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, "The executable file not found, cannot open monitor.");
    EXPECT_EQ(ui.shown[0].caption, "");
    host.manager_running = true;
    c.HandleCommand(40032);
    EXPECT_TRUE(Has("close manager"));
    c.HandleCommand(40003);
    EXPECT_EQ(ui.abouts, 1);
    EXPECT_FALSE(Has("start peghelp.exe qmx2.htc"));
    ui.about_asks_help = true;
    c.HandleCommand(40003);
    EXPECT_TRUE(Has("start peghelp.exe qmx2.htc"));
    c.HandleCommand(40002);
    c.HandleCommand(1);
    EXPECT_EQ(host.end_requests, 2);
}

}  // namespace
}  // namespace qmx2::commander
