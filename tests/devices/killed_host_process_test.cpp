// A device host killed with SIGKILL while programs are inside calls to it: every program ends or
// reports within a bounded time instead of waiting for a host that is gone.
#include <gtest/gtest.h>
#include <signal.h>
#include <stdlib.h>

#include "platform/comm_types.h"
#include "platform/windows.h"
#include "tests/support/auto_power_up.h"
#include "tests/support/program_launcher.h"
#include "tests/devices/fake_modem.h"

namespace qmx2::devices {
namespace {

using namespace qmx2::platform;
using qmx2::testing::BuiltProgram;
using qmx2::testing::Program;
using qmx2::testing::SetAutoPowerUp;
using qmx2::testing::SourceFile;
using testing::FakeModem;
using testing::PtyPair;

constexpr int kBoundMs = 10000;

class KilledHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/qmx2-killed-XXXXXX";
        ASSERT_TRUE(mkdtemp(tmpl));
        root = tmpl;
    }
    void TearDown() override {
        EndCommander();
        std::system(("rm -rf " + root).c_str());
    }
    // The commander the host started outlives a killed host; its window ends it.
    void EndCommander() {
        auto clock = MakeRealClock();
        auto windows = OpenWindowSystem(*clock, root);
        if (!windows) return;
        const HWND com = windows->FindWindow(u"Qmx2Com", u"QMX2 commander");
        if (com == 0) return;
        windows->PostMessage(com, WM_DESTROY, 0, 0);
        for (int i = 0; i < 250 && windows->IsWindow(com); ++i) clock->SleepMs(20);
    }
    std::string root;
};

// The modem never answers "AT+HANG": qmx2-at sits in its read when the host dies.
TEST_F(KilledHostTest, AtToolMidTransactionReportsTheFailure) {
    PtyPair pty;
    ASSERT_FALSE(pty.slave_path.empty());
    FakeModem modem(pty, [](const std::string&) -> std::optional<std::string> { return std::nullopt; });
    Program host({BuiltProgram("qmx2-device"), "--root", root, "--card", "tty:" + pty.slave_path});
    ASSERT_TRUE(host.WaitForErrorLine("serves COM3:")) << host.ErrorText();
    Program at({BuiltProgram("qmx2-at"), "--root", root, "--port", "COM3:", "--timeout", "50",
              "AT+HANG"});
    poll(nullptr, 0, 1000);
    host.Signal(SIGKILL);
    EXPECT_EQ(at.WaitWithin(kBoundMs), 1);
    EXPECT_EQ(at.ReadAllOutput(), "Comm failure(timeout)");
}

// qmx2ctl runs the manager's start-up and reads the SIM book for "pb list SIM"; the host dies under
// it at several moments of that.
TEST_F(KilledHostTest, CtlEndsWhateverItWasDoing) {
    ASSERT_TRUE(SetAutoPowerUp(root));
    for (const int delay_ms : {300, 1500}) {
        // A full book takes seconds to read: the host dies during the read.
        Program host({BuiltProgram("qmx2-device"), "--root", root, "--card",
                    "sim=" + SourceFile("hardware/scenarios/full-sim.json")});
        ASSERT_TRUE(host.WaitForErrorLine("the card is ready")) << host.ErrorText();
        Program ctl({BuiltProgram("qmx2ctl"), "--root", root, "pb", "list", "SIM"});
        poll(nullptr, 0, delay_ms);
        host.Signal(SIGKILL);
        EXPECT_EQ(ctl.WaitWithin(kBoundMs), 1) << delay_ms;
        EndCommander();
    }
}

// The commander the host starts is in its start-up transactions, then idle, when the host
// dies: its window still answers, and a power request to the gone port returns, in time.
TEST_F(KilledHostTest, CommanderKeepsAnswering) {
    ASSERT_TRUE(SetAutoPowerUp(root));
    for (const char* moment : {"serves COM3:", "the card is ready"}) {
        Program host({BuiltProgram("qmx2-device"), "--root", root, "--card",
                    "sim=" + SourceFile("tests/manager/app/ready-sim.json")});
        ASSERT_TRUE(host.WaitForErrorLine(moment)) << host.ErrorText();
        host.Signal(SIGKILL);
        auto clock = MakeRealClock();
        auto windows = OpenWindowSystem(*clock, root);
        ASSERT_TRUE(windows);
        HWND com = 0;
        for (int i = 0; i < 500 && com == 0; ++i) {
            com = windows->FindWindow(u"Qmx2Com", u"QMX2 commander");
            if (com == 0) clock->SleepMs(20);
        }
        ASSERT_NE(com, 0u) << moment;
        LRESULT result = -1;
        EXPECT_TRUE(windows->SendMessageTimeout(com, 12345, 0, 0, kBoundMs, &result)) << moment;
        EXPECT_TRUE(windows->SendMessageTimeout(com, 8025, 0, 0, kBoundMs, &result)) << moment;
        EndCommander();
        EXPECT_FALSE(windows->IsWindow(com)) << moment;
    }
}

}  // namespace
}  // namespace qmx2::devices
