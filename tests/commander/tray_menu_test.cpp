// The tray menu's layout, the menu-state rules and thread, and the security and network
// commands of the menu.
#include <gtest/gtest.h>

#include "commander/network_dialog.h"
#include "commander/operator_table.h"
#include "commander/settings.h"
#include "tests/commander/commander_doubles.h"

namespace qmx2::commander {
namespace {

using testing::CardReply;
using testing::CommanderRig;
using testing::W;

TEST(TrayMenuTest, LayoutTopToBottom) {
    TrayMenu menu;
    const std::vector<MenuItem> popup = menu.Snapshot();
    const std::vector<std::string> labels = {"Network Select", "", "Security", "", "Modem",
                                             "ISDN V.110", "ISDN V.120", "", "About",
                                             "Open Monitor", "Close Monitor", "Power", "Exit"};
    ASSERT_EQ(popup.size(), labels.size());
    for (size_t i = 0; i < labels.size(); ++i) EXPECT_EQ(popup[i].label, labels[i]) << i;
    EXPECT_EQ(popup[8].command, 40003u);
    EXPECT_EQ(popup[9].command, 40010u);
    EXPECT_EQ(popup[10].command, 40032u);
    EXPECT_EQ(popup[12].command, 40002u);

    const std::vector<std::pair<std::string, uint32_t>> security = {
        {"Change Pin code", 40034}, {"Pin code request", 40035}, {"", 0},
        {"Security level - Phone", 40036}, {"Security level - None", 40037}};
    ASSERT_EQ(popup[2].items.size(), security.size());
    for (size_t i = 0; i < security.size(); ++i) {
        EXPECT_EQ(popup[2].items[i].label, security[i].first);
        EXPECT_EQ(popup[2].items[i].command, security[i].second);
    }
    EXPECT_EQ(popup[0].items[0].label, "Automatic");
    EXPECT_EQ(popup[0].items[0].command, 40038u);
    EXPECT_EQ(popup[0].items[1].label, "Manual");
    EXPECT_EQ(popup[0].items[1].command, 40039u);
    EXPECT_EQ(popup[11].items[0].label, "Automatic Power Up");
    EXPECT_EQ(popup[11].items[0].command, 40042u);
    EXPECT_EQ(popup[11].items[1].label, "Power Up");
    EXPECT_EQ(popup[11].items[1].command, 40040u);
    const char* speeds[] = {"9.6kbps", "14.4kbps", "19.2kbps", "28.8kbps", "43.2kbps"};
    for (int g = 0; g < 3; ++g)
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(popup[4 + g].items[i].label, speeds[i]);
            EXPECT_EQ(popup[4 + g].items[i].command, 40017u + 5 * g + i);
        }
}

TEST(TrayMenuTest, SpeedCommandsOfTheFifteenEntries) {
    EXPECT_EQ(SpeedCommand(0), "AT+CBST=0,0,1;+CHSN=1,0,0,0");
    EXPECT_EQ(SpeedCommand(4), "AT+CBST=0,0,1;+CHSN=6,0,0,0");
    EXPECT_EQ(SpeedCommand(5), "AT+CBST=71,0,1;+CHSN=1,0,0,0");
    EXPECT_EQ(SpeedCommand(6), "AT+CBST=81,0,1;+CHSN=2,0,0,0");
    EXPECT_EQ(SpeedCommand(10), "AT+CBST=39,0,1;+CHSN=1,0,0,0");
    EXPECT_EQ(SpeedCommand(14), "AT+CBST=51,0,1;+CHSN=6,0,0,0");
    EXPECT_EQ(SpeedCommand(15), "");
    EXPECT_EQ(SpeedCommand(-1), "");
    for (int i = 0; i < 15; ++i) EXPECT_EQ(SpeedIndexOf(SpeedCommand(i)), i);
    EXPECT_EQ(SpeedIndexOf("at+cbst=0,0,1;+chsn=1,0,0,0"), -1);
}

class MenuStateTest : public ::testing::Test, public CommanderRig {
protected:
    void ExpectManagedEnabled(Commander& c, bool enabled) {
        for (int p : {0, 2, 4, 5, 6}) EXPECT_EQ(c.menu().At(p).enabled, enabled) << p;
    }
};

TEST_F(MenuStateTest, ManagerRunningGraysItsSubmenus) {
    Commander& c = Started();
    host.manager_running = true;
    c.UpdateMenuState();
    ExpectManagedEnabled(c, false);
    EXPECT_TRUE(c.menu().Find(40032).enabled);
    EXPECT_TRUE(c.menu().Find(40010).enabled);

    host.manager_running = false;
    c.UpdateMenuState();
    ExpectManagedEnabled(c, true);
    EXPECT_FALSE(c.menu().Find(40032).enabled);
    EXPECT_TRUE(c.menu().Find(40010).enabled);
}

TEST_F(MenuStateTest, PoweredDownCardLeavesOnlyAboutPowerAndExit) {
    power.state = kPoweredOff;
    Commander& c = Started();
    for (bool manager : {false, true}) {
        host.manager_running = manager;
        c.UpdateMenuState();
        ExpectManagedEnabled(c, false);
        EXPECT_FALSE(c.menu().Find(40010).enabled);
        EXPECT_FALSE(c.menu().Find(40032).enabled);
        EXPECT_TRUE(c.menu().At(8).enabled);
        EXPECT_TRUE(c.menu().At(11).enabled);
        EXPECT_TRUE(c.menu().At(12).enabled);
    }
}

TEST_F(MenuStateTest, TheThreadFollowsTheManagerEveryHalfSecond) {
    Commander& c = Started();
    clock->SleepMs(10);
    ExpectManagedEnabled(c, true);
    host.manager_running = true;
    clock->SleepMs(600);
    ExpectManagedEnabled(c, false);
    EXPECT_TRUE(c.menu().Find(40032).enabled);
    c.HandleMessage(8025, 0, 0);  // the card goes down: everything grays
    clock->SleepMs(600);
    EXPECT_FALSE(c.menu().Find(40010).enabled);
    const uint64_t before = clock->TickMs();
    c.Exit();
    EXPECT_LT(clock->TickMs() - before, 5000u);
}

class SecurityCommandTest : public ::testing::Test, public CommanderRig {};

TEST_F(SecurityCommandTest, PinRequestOnToOff) {
    card.On("AT+CLCK=\"SC\",2", {CardReply("AT+CLCK=\"SC\",2", "+CLCK: 1")});
    Commander& c = Started();
    ASSERT_TRUE(c.menu().IsChecked(40035));
    ui.log.clear();
    ui.codes.push_back(W("1234"));
    c.HandleCommand(40035);
    EXPECT_EQ(card.sent.back(), "AT+CLCK=\"SC\",0,\"1234\",7");
    EXPECT_EQ(card.expectations.back(), "+CLCK/10");
    EXPECT_FALSE(c.menu().IsChecked(40035));
    EXPECT_EQ(ui.log.front(), "menubar:show");
    EXPECT_EQ(ui.log[1], "code:Enter SIM PIN:Please enter SIM PIN:");
    EXPECT_EQ(ui.log.back(), "menubar:hide");
}

TEST_F(SecurityCommandTest, RefusedPinRequestChangeRestoresTheMark) {
    Commander& c = Started();
    ASSERT_FALSE(c.menu().IsChecked(40035));
    card.On("AT+CLCK=\"SC\",1,\"9999\",7", {CardReply("AT+CLCK=\"SC\",1,\"9999\",7", "", "+CME ERROR: 16")});
    ui.codes.push_back(W("9999"));
    ui.codes.push_back(W("9\"9"));
    c.HandleCommand(40035);
    c.HandleCommand(40035);
    EXPECT_FALSE(c.menu().IsChecked(40035));
    EXPECT_EQ(ui.messages, std::vector<std::string>(2, "Cannot change PIN status!"));
    EXPECT_EQ(ui.shown[0].owner, MessageOwner::kCommanderWindow);
    EXPECT_EQ(card.Count("AT+CLCK=\"SC\",1,\"9999\",7"), 1);
    EXPECT_EQ(card.sent.size(), 10u);  // the quoted code never went out
}

TEST_F(SecurityCommandTest, CancelledPinRequestSendsNothing) {
    Commander& c = Started();
    c.HandleCommand(40035);
    EXPECT_EQ(card.sent.size(), 9u);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(ui.menu_bar);
}

TEST_F(SecurityCommandTest, PhoneLock) {
    Commander& c = Started();
    ASSERT_TRUE(c.menu().IsChecked(40037));
    ui.log.clear();
    c.HandleCommand(40037);  // already marked: nothing asked
    EXPECT_EQ(ui.log, (std::vector<std::string>{"menubar:show", "menubar:hide"}));

    ui.codes.push_back(W("12345678"));
    c.HandleCommand(40036);
    EXPECT_EQ(ui.log[3], "code:Enter security code:Please enter security code:");
    EXPECT_EQ(card.sent.back(), "AT+CLCK=\"PS\",1,\"123456\",7");
    EXPECT_EQ(card.expectations.back(), "\r\nOK\r\n/5");
    EXPECT_TRUE(c.menu().IsChecked(40036));
    EXPECT_FALSE(c.menu().IsChecked(40037));

    card.On("AT+CLCK=\"PS\",0,\"000000\",7", {"Comm failure(opencomm)"});
    ui.codes.push_back(W("000000"));
    c.HandleCommand(40037);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Code validation failed."});
    EXPECT_TRUE(c.menu().IsChecked(40036));
}

class NetworkCommandTest : public ::testing::Test, public CommanderRig {};

TEST_F(NetworkCommandTest, AutomaticSelection) {
    card.On("AT+COPS?", {CardReply("AT+COPS?", "+COPS: 1,2,\"24405\"")});
    Commander& c = Started();
    ASSERT_TRUE(c.menu().IsChecked(40039));
    card.On("AT+COPS=0", {CardReply("AT+COPS=0", "", "ERROR"), CardReply("AT+COPS=0", "")});
    c.HandleCommand(40038);
    EXPECT_TRUE(c.menu().IsChecked(40039));
    EXPECT_TRUE(ui.messages.empty());
    c.HandleCommand(40038);
    EXPECT_TRUE(c.menu().IsChecked(40038));
    EXPECT_EQ(card.expectations.back(), "\r\nOK\r\n/30");
    c.HandleCommand(40038);  // already automatic: not asked again
    EXPECT_EQ(card.Count("AT+COPS=0"), 2);
}

std::string SearchReply() {
    return CardReply("AT+COPS=?", "+COPS: (2,,,24405,),(1,,,\"24491\",),(3,,,99999,),,(0,1),(2)");
}

TEST(OperatorSearchTest, ParsesTheShortForm) {
    common::OperatorLookup names{kOperatorTable, {}};
    const std::vector<NetworkEntry> list = ParseOperatorSearch(SearchReply(), names);
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(list[0].name, "RL");
    EXPECT_EQ(list[0].code, 24405);
    EXPECT_EQ(list[1].name, "sonera/TELE");
    EXPECT_EQ(list[1].code, 24491);
    EXPECT_EQ(list[2].name, "Unknown Operator (99999)");
    EXPECT_EQ(list[2].code, 99999);
}

TEST(OperatorSearchTest, NearMisses) {
    common::OperatorLookup names{kOperatorTable, {}};
    EXPECT_TRUE(ParseOperatorSearch("", names).empty());
    EXPECT_TRUE(ParseOperatorSearch("Comm failure(timeout)", names).empty());
    // The standard form names its operators; the table names those the modem leaves unnamed.
    const auto standard = ParseOperatorSearch(
        "+COPS: (2,\"RADIOLINJA\",\"RL\",\"24405\",0),(1,\"\",\"\",\"24491\",2),,(0,1,2,3,4),(0,1,2)",
        names);
    ASSERT_EQ(standard.size(), 2u);
    EXPECT_EQ(standard[0].name, "RADIOLINJA");
    EXPECT_EQ(standard[0].code, 24405);
    EXPECT_EQ(standard[1].name, "sonera/TELE");
    // An entry without a following comma ends the list.
    const auto cut = ParseOperatorSearch("+COPS: (2,,,24405,),(1,,,24491", names);
    ASSERT_EQ(cut.size(), 1u);
    EXPECT_EQ(cut[0].code, 24405);
    // The code 61801 is in the table twice; the first row wins.
    EXPECT_EQ(ParseOperatorSearch("(1,,,61801,)", names).at(0).name, "LCC Cell");
    EXPECT_EQ(ParseOperatorSearch("(1,,,310160,)", names).at(0).name, "Voicestream");
    std::string many;
    for (int i = 0; i < 500; ++i) many += "(1,,,24405,),";
    EXPECT_EQ(ParseOperatorSearch(many, names).size(), 100u);
}

TEST_F(NetworkCommandTest, SearchPickAndRegister) {
    Commander& c = Started();
    card.On("AT+COPS=?", {SearchReply()});
    card.On("AT+COPS=1,2,24491", {CardReply("AT+COPS=1,2,24491", "", "+CME ERROR: 30"),
                                  CardReply("AT+COPS=1,2,24491", "")});
    ui.network_actions = {{NetworkDialogAction::kSelect},  // nothing listed yet: ignored
                          {NetworkDialogAction::kSearch},
                          {NetworkDialogAction::kPick, 1},
                          {NetworkDialogAction::kSelect},
                          {NetworkDialogAction::kSelect}};
    c.HandleCommand(40039);
    EXPECT_EQ(card.Count("AT+COPS=?"), 1);
    EXPECT_EQ(card.Count("AT+COPS=1,2,24491"), 2);
    EXPECT_EQ(card.expectations.back(), "OK/40");
    EXPECT_EQ(ui.select_enabled_seen, (std::vector<bool>{false, false, true, true, true}));
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Network request failed!"});
    EXPECT_EQ(ui.shown[0].caption, "QMX2 commander");
    EXPECT_TRUE(c.menu().IsChecked(40039));
    EXPECT_FALSE(c.menu().IsChecked(40038));
    EXPECT_EQ(ui.last_network_entries.size(), 3u);
}

TEST_F(NetworkCommandTest, CancelLeavesTheMark) {
    card.On("AT+COPS?", {CardReply("AT+COPS?", "+COPS: 0,2,\"24405\"")});
    Commander& c = Started();
    ASSERT_FALSE(c.menu().IsChecked(40039));
    card.On("AT+COPS=?", {SearchReply()});
    ui.network_actions = {{NetworkDialogAction::kSearch}, {NetworkDialogAction::kPick, 7},
                          {NetworkDialogAction::kCancel}};
    c.HandleCommand(40039);
    // The final OK after the echo ends the search, whichever mode lists close the reply.
    EXPECT_EQ(card.expectations.back(), "+COPS/50");
    EXPECT_EQ(ui.select_enabled_seen, (std::vector<bool>{false, true, false}));
    EXPECT_FALSE(c.menu().IsChecked(40039));
}

TEST(CardPortTest, FirstActiveEntryWithTheCardsIdentifier) {
    testing::TestRegistry r;
    EXPECT_FALSE(FindCardPort(r));
    r.SetText(u"Drivers\\Active\\01", u"PnpId", u"Other-Modem");
    r.SetText(u"Drivers\\Active\\01", u"Name", u"COM1:");
    r.SetText(u"Drivers\\Active\\02", u"Name", u"COM2:");
    EXPECT_FALSE(FindCardPort(r));
    r.SetText(u"Drivers\\Active\\03", u"PnpId", u"Orvan_Mobile_Phones-Orvan_Pellion-4C2D");
    r.SetText(u"Drivers\\Active\\03", u"Name", u"COM3:");
    r.SetText(u"Drivers\\Active\\04", u"PnpId", u"Orvan_Mobile_Phones-Orvan_Pellion-4C2D");
    r.SetText(u"Drivers\\Active\\04", u"Name", u"COM4:");
    EXPECT_EQ(FindCardPort(r), platform::WideString(u"COM3:"));
    r.SetText(u"Drivers\\Active\\03", u"PnpId", u"orvan_mobile_phones-orvan_pellion");  // case counts
    EXPECT_EQ(FindCardPort(r), platform::WideString(u"COM4:"));
}

}  // namespace
}  // namespace qmx2::commander
