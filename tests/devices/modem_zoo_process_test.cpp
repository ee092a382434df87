// The modem zoo through the whole stack: the device host serving the emulated card in each
// zoo scenario, the real commander it starts, and qmx2ctl. Real processes and the real clock;
// every wait is for a line, with a bound.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <string>
#include <vector>

#include "platform/windows.h"
#include "tests/support/auto_power_up.h"
#include "tests/support/program_launcher.h"

namespace qmx2::devices {
namespace {

using namespace qmx2::platform;
using qmx2::testing::BuiltProgram;
using qmx2::testing::Program;
using qmx2::testing::SetAutoPowerUp;
using qmx2::testing::SourceFile;

// Generous: the line runs at 19200 bit/s in real time and the machine may be busy.
constexpr int kCtlBoundMs = 120000;

struct ZooRow {
    const char* scenario;
    std::vector<std::string> command;
    std::vector<std::string> shows;  // lines of qmx2ctl's output
};

class ModemZooTest : public ::testing::TestWithParam<ZooRow> {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/qmx2-zoo-XXXXXX";
        ASSERT_TRUE(mkdtemp(tmpl));
        root = tmpl;
        ASSERT_TRUE(SetAutoPowerUp(root));
    }
    void TearDown() override { std::system(("rm -rf " + root).c_str()); }
    std::string root;
};

TEST_P(ModemZooTest, CommanderReadiesAndCtlShows) {
    const ZooRow& row = GetParam();
    Program host({BuiltProgram("qmx2-device"), "--root", root, "--card", "sim=" + SourceFile(row.scenario)});
    ASSERT_TRUE(host.WaitForErrorLine("the card is ready")) << host.ErrorText();
    std::vector<std::string> args = {BuiltProgram("qmx2ctl"), "--root", root};
    args.insert(args.end(), row.command.begin(), row.command.end());
    Program ctl(args);
    EXPECT_EQ(ctl.WaitWithin(kCtlBoundMs), 0) << ctl.ErrorText();
    const std::string out = ctl.ReadAllOutput();
    for (const std::string& line : row.shows) EXPECT_NE(out.find(line), std::string::npos) << line << "\n" << out;
    EXPECT_EQ(out.find("Important Note"), std::string::npos);
    host.Signal(SIGTERM);
    EXPECT_EQ(host.WaitWithin(kCtlBoundMs), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Zoo, ModemZooTest,
    ::testing::Values(
        // The system's own card, for comparison.
        ZooRow{"tests/manager/app/ready-sim.json", {"status"}, {"Operator: RADIOLINJA\n"}},
        ZooRow{"hardware/scenarios/zoo-standard.json", {"status"}, {"Operator: Elisa\n"}},
        ZooRow{"hardware/scenarios/zoo-standard.json", {"net", "search"},
               {"24405\t2\tElisa\n", "24491\t1\tTelia FI\n", "310260\t1\tT-Mobile USA, Inc\n", "24403\t3\t"}},
        ZooRow{"hardware/scenarios/zoo-cpin-no-ok.json", {"status"}, {"Operator: RADIOLINJA\n"}},
        ZooRow{"hardware/scenarios/zoo-no-latin1.json", {"status"}, {"Operator: RADIOLINJA\n"}},
        ZooRow{"hardware/scenarios/zoo-index-zero.json", {"sms", "list", "Inbox"},
               {"Message at index 0", "Message at index 1", "Message at the last index"}}),
    [](const ::testing::TestParamInfo<ZooRow>& info) { return "Row" + std::to_string(info.index); });

}  // namespace
}  // namespace qmx2::devices
