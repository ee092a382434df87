// Scenario files: the four that ship, and files with mistakes, which are refused with the path
// of the field at fault.
#include <gtest/gtest.h>

#include "hardware/card/scenario.h"
#include "tests/hardware/card_paths.h"
#include "tests/hardware/card_rig.h"

namespace qmx2::hardware::card {
namespace {

CardScenario Shipped(const std::string& name) {
    ScenarioResult r = LoadScenario(SourceFolder() + "/hardware/scenarios/" + name);
    EXPECT_TRUE(r.scenario.has_value()) << r.error;
    return r.scenario ? *r.scenario : DefaultScenario();
}

TEST(CardScenario, FreshSimAsksForItsPin) {
    PhoneRig rig(Shipped("fresh-sim.json"));
    EXPECT_EQ(rig.Reply("AT+CPIN?"), "\r\n+CPIN: SIM PIN\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CPIN=\"1234\""), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CPMS=\"SM\",\"SM\",\"SM\""), "\r\n+CPMS: 3,30,3,30,3,30\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CMGR=2"),
              "\r\n+CMGR: \"REC READ\",\"+358409876543\",,\"26/01/04,18:02:11+08\"\r\nSee you at 7?\nBring the map.\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CPBR=1,10"),
              "\r\n+CPBR: 1,\"+358401234567\",145,\"Anna\"\r\n+CPBR: 2,\"+358409876543\",145,\"Bertil\"\r\n"
              "+CPBR: 5,\"0401112223\",129,\"Cecilia\"\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+COPS?"), "\r\n+COPS: 0,2,24405\r\n\r\nOK\r\n");
}

TEST(CardScenario, FullSimHasNoRoomAnywhere) {
    PhoneRig rig(Shipped("full-sim.json"));
    rig.At("AT+CMEE=1");
    const std::string cpms = rig.Reply("AT+CPMS?");
    EXPECT_NE(cpms.find("\"SM\",30,30,"), std::string::npos) << cpms;
    EXPECT_EQ(rig.Reply("AT+CPBW=,\"123\",129,\"x\""), "\r\n+CME ERROR: 20\r\n");
    rig.At("AT+CPBS=\"ME\"");
    EXPECT_EQ(rig.Reply("AT+CPBR=?"), "\r\n+CPBR: (1-100),30,16\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CPBW=,\"123\",129,\"x\""), "\r\n+CME ERROR: 20\r\n");
    // The SIM book read ten at a time, as the manager does: 25 blocks of ten entries each.
    rig.At("AT+CPBS=\"SM\"");
    int lines = 0;
    for (int k = 1; k <= 25; ++k) {
        const std::string block = rig.Reply("AT+CPBR=" + std::to_string(10 * k - 9) + "," + std::to_string(10 * k));
        for (size_t p = block.find("+CPBR:"); p != std::string::npos; p = block.find("+CPBR:", p + 1)) ++lines;
    }
    EXPECT_EQ(lines, 250);
    rig.At("AT+CMGW=\"+4912345\",145,\"STO UNSENT\"");
    EXPECT_EQ(rig.Send("no room\x1a"), "no room\r\n+CMS ERROR: 322\r\n");
}

TEST(CardScenario, PukBlockedSimAsksForThePuk) {
    PhoneRig rig(Shipped("puk-blocked.json"));
    EXPECT_EQ(rig.Reply("AT+CPIN?"), "\r\n+CPIN: SIM PUK\r\n\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CPIN=\"12345678\",\"4321\""), "\r\nOK\r\n");
    EXPECT_EQ(rig.Reply("AT+CPIN?"), "\r\n+CPIN: READY\r\n\r\nOK\r\n");
}

TEST(CardScenario, ManyOperatorsTakeTheirTimeToFind) {
    CardScenario s = Shipped("many-operators.json");
    EXPECT_EQ(s.network.in_reach.size(), 35u);
    PhoneRig rig(s);
    const uint64_t start = rig.clock->TickMs();
    const std::string list = rig.Reply("AT+COPS=?");
    EXPECT_EQ(rig.clock->TickMs() - start, 20'000u);
    int entries = 0;
    for (size_t p = list.find(",,,"); p != std::string::npos; p = list.find(",,,", p + 3)) ++entries;
    EXPECT_EQ(entries, 35);
    EXPECT_NE(list.find("2,,,24405,"), std::string::npos);
    EXPECT_NE(list.find("3,,,24403,"), std::string::npos);
    EXPECT_EQ(rig.Reply("AT+COPS?"), "\r\n+COPS: 1,2,24405\r\n\r\nOK\r\n");
}

TEST(CardScenario, EveryFieldIsOptional) {
    ScenarioResult r = ParseScenario("{}");
    ASSERT_TRUE(r.scenario) << r.error;
    EXPECT_EQ(r.scenario->sim.messages.size(), 30u);
    EXPECT_EQ(r.scenario->dialect, Dialect::kPellion);
    r = ParseScenario(R"({"dialect":"standard","delays":{"ignored_ats":2},"faults":{"error_commands":["+CSQ"]},
                         "dial":[{"number":"123","result":"BUSY"}]})");
    ASSERT_TRUE(r.scenario) << r.error;
    EXPECT_EQ(r.scenario->dialect, Dialect::kStandard);
    EXPECT_EQ(r.scenario->delays.ignored_ats, 2);
    EXPECT_EQ(r.scenario->faults.error_commands.at(0), "+CSQ");
    EXPECT_EQ(r.scenario->dial.at(0).result, "BUSY");
}

TEST(CardScenario, MistakesAreRefusedWithTheirPath) {
    struct Case {
        const char* json;
        const char* error;
    } cases[] = {
        {"{", "not valid JSON"},
        {"[]", "expected an object at the top"},
        {R"({"dialect":"modern"})", ".dialect: expected \"pellion\" or \"standard\""},
        {R"({"sim":{"messages":{"size":2,"list":[{"index":3,"status":"REC READ"}]}}})",
         "sim.messages.list[0].index: out of range 1..2"},
        {R"({"sim":{"messages":{"list":[{"index":1,"status":"NEW"}]}}})",
         "sim.messages.list[0].status: not a message status"},
        {R"({"sim":{"locks":{"SC":{"enabled":"yes"}}}})", "sim.locks.SC.enabled: expected true or false"},
        {R"({"sim":{"phonebooks":{"SM":{"entries":[{"number":"1"}]}}}})", "sim.phonebooks.SM.entries[0].index: missing"},
        {R"({"network":{"rssi":100}})", "network.rssi: out of range 0..99"},
        {R"({"network":{"operators":[{"long":"X"}]}})", "network.operators[0].code: missing"},
        {R"({"dial":[{"result":"HELLO"}]})", "dial[0].result: not a call result"},
        {R"({"faults":{"error_commands":[1]}})", "faults.error_commands: expected texts"},
        {R"({"faults":{"stall_after_commands":18446744073709551615}})",
         "faults.stall_after_commands: out of range -1..1000000"},
        {R"({"network":{"rssi":-9223372036854775808}})", "network.rssi: out of range 0..99"},
    };
    for (const Case& c : cases) {
        ScenarioResult r = ParseScenario(c.json);
        EXPECT_FALSE(r.scenario) << c.json;
        EXPECT_EQ(r.error, c.error) << c.json;
    }
    EXPECT_EQ(LoadScenario("/nonexistent/card.json").error, "/nonexistent/card.json: cannot be read");
    EXPECT_EQ(LoadScenario("/dev/zero").error, "/dev/zero: larger than 1 MiB");
}

}  // namespace
}  // namespace qmx2::hardware::card
