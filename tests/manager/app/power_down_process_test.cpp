// The real Qmx2PPC and Qmx2HPC beside the real device host and commander on a fresh handheld root
// with the emulated card: the manager starts, hides and comes back on a second start, and its
// "Power Down" goes to the commander, which destroys the manager's window while the manager is
// still inside its send; the manager saves its data and ends, and the card ends up powered down.
// Both also run with their windows (Qt offscreen), where the Qt loop carries the window
// messages and the commander's destroy arrives while the manager is inside its send; a test
// cannot reach the monitor's menu in another process, so it sends the WM_COMMAND the menu's
// "Power Down" posts. Real clock and real processes; the test never sleeps, it waits for the
// lines the programs print, each wait bounded.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/comm_types.h"
#include "platform/device_file.h"
#include "platform/devices.h"
#include "platform/serial_remote.h"
#include "platform/serial_wire.h"
#include "platform/windows.h"
#include "tests/commander/temp_root.h"
#include "tests/support/auto_power_up.h"
#include "tests/support/program_launcher.h"

namespace {

using namespace qmx2::platform;
using qmx2::commander::testing::TempRoot;
using qmx2::testing::BuiltProgram;
using qmx2::testing::Program;
using qmx2::testing::SetAutoPowerUp;
using qmx2::testing::SourceFile;

constexpr int kLineWaitMs = 30'000;

constexpr uint32_t kPowerDownCommand = 40149;

// The driver's answer to the power-state request, through a query-only open of the port.
int CardPowered(const std::string& root) {
    auto clock = MakeRealClock();
    RemoteDeviceResolver resolver(*clock, DeviceSocketPath(root));
    Devices devices;
    devices.SetResolver(&resolver);
    DeviceFile port;
    if (!port.Open(devices, u"COM3:", 0, 0)) return -1;
    const uint8_t in = 1;
    uint32_t out = 0, returned = 0;
    if (!port.IoControl(IOCTL_CARD_IS_POWERED, &in, 1, &out, sizeof out, &returned)) return 255;
    return static_cast<int>(out);
}

// The scenario with every message read: a windowed manager would otherwise show "New SMS
// arrived" in a box nobody offscreen can close.
std::string AllReadScenario(const std::string& root) {
    std::ifstream in(SourceFile("tests/manager/app/ready-sim.json"));
    std::stringstream text;
    text << in.rdbuf();
    std::string json = text.str();
    for (size_t at; (at = json.find("REC UNREAD")) != std::string::npos;) json.replace(at, 10, "REC READ");
    const std::string path = root + "/all-read-sim.json";
    std::ofstream(path) << json;
    return path;
}

struct Shell {
    const char* program;
    bool windows;
};

class ManagerProcessTest : public ::testing::TestWithParam<Shell> {
protected:
    void SetUp() override {
#ifndef QMX2_MANAGER_WINDOWS
        if (GetParam().windows) GTEST_SKIP() << "the manager is built without Qt here: no windows to run";
#endif
    }
    const std::string program = GetParam().program;
    const bool windows = GetParam().windows;
    std::string Line(const char* text) const { return program + ": " + text; }
    std::vector<std::string> Args(const std::string& root) const {
        std::vector<std::string> args{BuiltProgram(program), "--root", root};
        if (windows) args.push_back("--windows");
        return args;
    }
};
using ManagerNoCardTest = ManagerProcessTest;

TEST_P(ManagerProcessTest, PowerDownEndsTheManagerAndPowersTheCardDown) {
    TempRoot root;
    ASSERT_FALSE(root.path().empty());
    ASSERT_TRUE(SetAutoPowerUp(root.path()));
    // The driver starts the commander, whose log shares the device host's standard error.
    const std::string scenario = windows ? AllReadScenario(root.path()) : SourceFile("tests/manager/app/ready-sim.json");
    Program device({BuiltProgram("qmx2-device"), "--root", root.path(), "--card", "sim=" + scenario}, kLineWaitMs);
    ASSERT_TRUE(device.WaitForErrorLine("serves COM3:")) << device.seen();
    ASSERT_TRUE(device.WaitForErrorLine("the card is ready")) << device.seen();
    auto clock = MakeRealClock();
    auto windows = OpenWindowSystem(*clock, root.path());
    ASSERT_TRUE(windows);
    ASSERT_NE(windows->FindWindow(u"Qmx2Com", u"QMX2 commander"), 0u);
    ASSERT_EQ(CardPowered(root.path()), 1);

    Program manager(Args(root.path()), kLineWaitMs);
    ASSERT_TRUE(manager.WaitForErrorLine(Line("running"))) << manager.seen();
    const HWND window = windows->FindWindow(u"QMXManager", u"QMX2 monitor");
    ASSERT_NE(window, 0u);
    EXPECT_NE(manager.seen().find(Line("main window shown")), std::string::npos) << manager.seen();
    EXPECT_NE(manager.seen().find(Line("notification icon added")), std::string::npos);
    // The operator of the scenario, by name, on the monitor once the start-up found it.
    EXPECT_NE(manager.seen().find(Line("monitor: RADIOLINJA | ")), std::string::npos) << manager.seen();

    // Closing hides the window and hands the card back; a second start brings it forward.
    LRESULT result = -1;
    ASSERT_TRUE(windows->SendMessageTimeout(window, WM_CLOSE, 0, 0, kLineWaitMs, &result));
    ASSERT_TRUE(manager.WaitForErrorLine(Line("main window hidden"))) << manager.seen();
    {
        Program second(Args(root.path()), kLineWaitMs);
        EXPECT_FALSE(second.WaitForErrorLine(Line("running"))) << second.seen();
        EXPECT_EQ(second.Wait(), 0);
    }
    ASSERT_TRUE(manager.WaitForErrorLine(Line("main window shown"))) << manager.seen();

    // "Power Down": the whole round trip runs inside this one send.
    EXPECT_TRUE(windows->SendMessageTimeout(window, WM_COMMAND, kPowerDownCommand, 0, kLineWaitMs, &result));
    ASSERT_TRUE(manager.WaitForErrorLine(Line("ended"))) << manager.seen();
    EXPECT_EQ(manager.Wait(), 0) << manager.seen();
    EXPECT_FALSE(windows->IsWindow(window));
    EXPECT_EQ(windows->FindWindow(u"QMXManager"), 0u);

    const std::filesystem::path data = std::filesystem::path(root.path()) / "Program Files" / "QMX2";
    for (const char* file : {"pcmsg.txt", "phonebk.txt", "msggrp.txt", "misc.txt"})
        EXPECT_TRUE(std::filesystem::is_regular_file(data / file)) << file;
    EXPECT_EQ(CardPowered(root.path()), 0);
    // The commander stays up to power the card again.
    EXPECT_NE(windows->FindWindow(u"Qmx2Com", u"QMX2 commander"), 0u);

    device.Signal(SIGTERM);
    EXPECT_EQ(device.Wait(), 0) << device.seen();
}

TEST_P(ManagerNoCardTest, WithoutACardTheManagerSaysSoAndEnds) {
    TempRoot root;
    ASSERT_FALSE(root.path().empty());
    Program manager({BuiltProgram(program), "--root", root.path()}, kLineWaitMs);
    ASSERT_TRUE(manager.WaitForErrorLine("Orvan Pellion 2.0: No Pellion inserted!")) << manager.seen();
    EXPECT_FALSE(manager.WaitForErrorLine(Line("running")));
    EXPECT_EQ(manager.Wait(), 1);
}

std::string ShellName(const ::testing::TestParamInfo<Shell>& info) {
    return std::string(info.param.program) + (info.param.windows ? "Windows" : "");
}

INSTANTIATE_TEST_SUITE_P(Shells, ManagerProcessTest,
                         ::testing::Values(Shell{"Qmx2PPC", false}, Shell{"Qmx2HPC", false}, Shell{"Qmx2PPC", true},
                                           Shell{"Qmx2HPC", true}),
                         ShellName);
// Without a card the windowed manager says so in a message box; the terminal face prints it.
INSTANTIATE_TEST_SUITE_P(Shells, ManagerNoCardTest, ::testing::Values(Shell{"Qmx2PPC", false}, Shell{"Qmx2HPC", false}),
                         ShellName);

}  // namespace
