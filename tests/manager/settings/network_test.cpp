// Operators on the emulated card: the current one, a search into the 50-line list, requesting
// one, the page's automatic mode and one-time flag, and codes that are not plain digits.
#include <gtest/gtest.h>

#include "manager/settings/network_page.h"
#include "tests/manager/messages/card_rig.h"

namespace qmx2::manager {
namespace {

using testing::CardRig;

const std::string kCap = "Orvan Pellion 2.0|";

hardware::card::CardScenario Manual() {
    auto s = hardware::card::DefaultScenario();
    s.network.automatic = false;
    return s;
}

std::string Current(CardRig& rig) {
    return rig.port.WithPhone([](hardware::card::Phone& p) { return p.scenario().network.current; });
}

TEST(Network, ReadsTheCurrentOperatorByTheManagersTable) {
    CardRig rig;
    ASSERT_TRUE(ReadCurrentOperator(rig.ctx()));
    EXPECT_EQ(rig.ctx().monitor.operator_line, "RADIOLINJA");
    EXPECT_EQ(rig.ctx().operator_name_copy, "RADIOLINJA");
    EXPECT_EQ(rig.recorder.Count("AT+CSQ"), 1u);
}

TEST(Network, NoOperatorThreeTimesSaysSo) {
    CardRig rig;
    rig.Direct("AT+COPS=2");  // deregistered
    EXPECT_FALSE(ReadCurrentOperator(rig.ctx()));
    EXPECT_EQ(rig.recorder.Count("AT+COPS?"), 3u);
    EXPECT_EQ(rig.Shown(), std::vector<std::string>{kCap + "No current operator."});
}

TEST(Network, StandardModemNamesItsOperatorAndListsNamedGroups) {
    auto scenario = hardware::card::DefaultScenario();
    scenario.dialect = hardware::card::Dialect::kStandard;  // "+COPS: 0,0,"long",0"
    scenario.network.in_reach[0].long_name = "Elisa FI";
    scenario.network.in_reach[1].long_name = "Sonera, Finland";
    CardRig rig(scenario);
    ASSERT_TRUE(ReadCurrentOperator(rig.ctx()));
    EXPECT_EQ(rig.ctx().monitor.operator_line, "Elisa FI");
    FoundOperatorList found{};
    ASSERT_EQ(SearchOperators(rig.ctx(), found), 1);
    EXPECT_EQ(found[0].status, kOperatorCurrent);
    EXPECT_STREQ(found[0].code, "24405");
    EXPECT_STREQ(found[1].name, "Sonera, Finland");
    EXPECT_STREQ(found[2].code, "24403");
    EXPECT_EQ(found[3].status, 0);
    EXPECT_STREQ(found[3].code, "");
}

TEST(NetworkPage, AutomaticCardGraysTheListAndButtons) {
    CardRig rig;
    const NetworkPage page = OpenNetworkPage(rig.ctx());
    EXPECT_TRUE(page.automatic);
    EXPECT_FALSE(page.list_enabled || page.search_enabled || page.request_enabled);
    EXPECT_FALSE(page.one_time);
}

TEST(NetworkPage, SearchGivesThreeNamesAnd47EmptyLinesThenRequests) {
    CardRig rig(Manual());
    rig.ctx().operator_name_copy = "RADIOLINJA";
    NetworkPage page = OpenNetworkPage(rig.ctx());
    ASSERT_FALSE(page.automatic);
    EXPECT_TRUE(page.one_time);
    // The first command after opening only shows the operator again.
    page.current_network = "stale";
    NetworkPageCommand(rig.ctx(), page, NetworkCommand::kSearch);
    EXPECT_EQ(page.current_network, "RADIOLINJA");
    EXPECT_EQ(rig.recorder.Count("AT+COPS=?"), 0u);
    NetworkPageCommand(rig.ctx(), page, NetworkCommand::kSearch);
    ASSERT_EQ(page.list.size(), 50u);
    EXPECT_EQ(page.list[0], "RADIOLINJA");
    EXPECT_EQ(page.list[1], "SONERA");
    EXPECT_EQ(page.list[2], "TELIA");
    for (std::size_t i = 3; i < 50; ++i) EXPECT_TRUE(page.list[i].empty());
    EXPECT_EQ(page.current_network, "RADIOLINJA");
    page.selected = 7;
    NetworkPageCommand(rig.ctx(), page, NetworkCommand::kListSelection);
    EXPECT_FALSE(page.request_enabled);
    page.selected = 1;
    NetworkPageCommand(rig.ctx(), page, NetworkCommand::kListSelection);
    EXPECT_TRUE(page.request_enabled);
    rig.recorder.Clear();
    NetworkPageCommand(rig.ctx(), page, NetworkCommand::kRequest);
    EXPECT_EQ(rig.recorder.Count("AT+COPS=1,2,24491"), 1u);
    EXPECT_EQ(Current(rig), "24491");
    EXPECT_EQ(page.current_network, "SONERA");
    EXPECT_TRUE(rig.Shown().empty());
}

TEST(NetworkPage, RefusedRequestBringsThePreviousOperatorBack) {
    CardRig rig(Manual());
    NetworkPage page = OpenNetworkPage(rig.ctx());
    page.one_time = false;
    NetworkPageCommand(rig.ctx(), page, NetworkCommand::kSearch);
    page.selected = 2;  // TELIA is forbidden
    NetworkPageCommand(rig.ctx(), page, NetworkCommand::kRequest);
    EXPECT_EQ(rig.Shown(), std::vector<std::string>{kCap + "Network request fails"});
    EXPECT_EQ(page.current_network, "RADIOLINJA");
    EXPECT_EQ(page.found[0].status, kOperatorCurrent);
    EXPECT_EQ(page.found[2].status, kOperatorAvailable);
    EXPECT_EQ(Current(rig), "24405");
}

TEST(NetworkPage, ChoosingAutomaticSendsCopsZero) {
    CardRig rig(Manual());
    NetworkPage page = OpenNetworkPage(rig.ctx());
    NetworkPageCommand(rig.ctx(), page, NetworkCommand::kAutomatic);
    EXPECT_EQ(rig.recorder.Count("AT+COPS=0"), 1u);
    EXPECT_FALSE(page.list_enabled || page.search_enabled);
}

TEST(NetworkPage, SearchAndAutomaticFailuresAreTold) {
    auto s = Manual();
    s.faults.error_commands = {"AT+COPS=?", "AT+COPS=0"};
    CardRig rig(s);
    NetworkPage page = OpenNetworkPage(rig.ctx());
    page.one_time = false;
    NetworkPageCommand(rig.ctx(), page, NetworkCommand::kSearch);
    EXPECT_TRUE(page.list.empty());
    NetworkPageCommand(rig.ctx(), page, NetworkCommand::kAutomatic);
    EXPECT_TRUE(page.list_enabled);  // still manual
    int opens = 0;
    rig.recorder.refuse_open = [&] { return ++opens > 1; };  // only the pause gets the port
    page.automatic = false;
    NetworkPageCommand(rig.ctx(), page, NetworkCommand::kSearch);
    EXPECT_EQ(rig.Shown(), (std::vector<std::string>{kCap + "Comm failure - Request time out.",
                                                     kCap + "Network error",
                                                     kCap + "Error in searching operator!",
                                                     kCap + "Comm port busy!"}));
}

TEST(NetworkSearch, KeepsTheFirstFiftyAndStopsAtMissingSeparators) {
    CardRig rig;
    std::string reply = "\r\n+COPS: ";
    for (int i = 0; i < 60; ++i) reply += "1,,,\"24405\",";
    reply += ",(0-4),(0-2)\r\n\r\nOK\r\n";
    FoundOperatorList found{};
    EXPECT_EQ(ParseOperatorSearch(rig.ctx(), reply, found), 50);
    EXPECT_EQ(FieldText(found[49].code), "24405");
    EXPECT_EQ(FieldText(found[49].name), "RADIOLINJA");
    EXPECT_EQ(ParseOperatorSearch(rig.ctx(), "+COPS: 2,,,310160,1,,,9", found), 1);
    EXPECT_EQ(FieldText(found[0].code), "310160");  // a three-digit network code kept whole
    EXPECT_EQ(FieldText(found[0].name), "Unknown Operator (310160)");
    // The standard groups, named by the modem.
    EXPECT_EQ(ParseOperatorSearch(rig.ctx(), "+COPS: (2,\"A\",\"B\",\"24405\")", found), 1);
    EXPECT_EQ(FieldText(found[0].name), "A");
}

TEST(NetworkSearch, SameNameTwiceRequestsTheFirstListed) {
    CardRig rig;
    FoundOperatorList found{};
    ParseOperatorSearch(rig.ctx(), "+COPS: 1,,,24491,1,,,24405,", found);
    found[0].status = kOperatorCurrent;
    found[1].status = kOperatorCurrent;
    EXPECT_TRUE(RequestOperator(rig.ctx(), found));
    EXPECT_EQ(rig.recorder.Count("AT+COPS=1,2,"), 1u);
    EXPECT_EQ(rig.recorder.Count("AT+COPS=1,2,24491"), 1u);
}

// A code from the card goes unquoted into AT+COPS=1,2,<code>: anything but digits is refused.
TEST(NetworkSearch, CodeThatIsNotDigitsIsNeverSent) {
    CardRig rig;
    FoundOperatorList found{};
    ParseOperatorSearch(rig.ctx(), "+COPS: 2,,,\"1;+CP\",", found);
    EXPECT_EQ(found[0].status, kOperatorCurrent);
    EXPECT_FALSE(RequestOperator(rig.ctx(), found));
    EXPECT_TRUE(rig.recorder.Written().empty());
    EXPECT_EQ(found[0].status, kOperatorAvailable);
}

TEST(NetworkSearch, PortHeldElsewhereIsMinusOne) {
    CardRig rig;
    rig.recorder.refuse_open = [] { return true; };
    FoundOperatorList found{};
    EXPECT_EQ(SearchOperators(rig.ctx(), found), -1);
    EXPECT_TRUE(rig.Shown().empty());
}

}  // namespace
}  // namespace qmx2::manager
