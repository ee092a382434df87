// qmx2-device with the emulated card as a program, driven through its live control: a delivered
// message is readable through the port, garbage and over-long control lines get error answers,
// and a pull ends the host the way a pulled card does (entry gone, removal broadcast, status 0).
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>

#include <cstdlib>
#include <cstring>

#include "common/at_transaction.h"
#include "devices/active_entry.h"
#include "platform/comm_types.h"
#include "platform/device_file.h"
#include "platform/devices.h"
#include "platform/registry.h"
#include "platform/serial_remote.h"
#include "platform/serial_wire.h"
#include "platform/windows.h"
#include "tests/support/program_launcher.h"

namespace qmx2::devices {
namespace {

using namespace qmx2::platform;
using qmx2::testing::BuiltProgram;
using qmx2::testing::Program;

// Sends `text` on one connection to the control socket and reads until `lines` answer lines
// came (or the server hung up).
std::string AskControl(const std::string& root, const std::string& text, int lines) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const std::string path = root + "/run/cardsim.ctl";
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        close(fd);
        return "no connection";
    }
    (void)!send(fd, text.data(), text.size(), MSG_NOSIGNAL);
    std::string answer;
    while (std::count(answer.begin(), answer.end(), '\n') < lines) {
        pollfd p{fd, POLLIN, 0};
        char buf[512];
        if (poll(&p, 1, 20000) <= 0) break;
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) break;
        answer.append(buf, static_cast<size_t>(n));
    }
    close(fd);
    return answer;
}

// The host starts the commander, which talks to the card too once it is powered: a port it
// holds at that moment is asked again, within a bound.
std::string SendWhenFree(common::AtChannel& channel, Clock& clock, const char* command) {
    std::string reply;
    for (int tries = 0; tries < 300; ++tries) {
        reply = common::SendAtCommand(channel, command, "OK", 10);
        if (reply.find(common::kFailOpenComm) == std::string::npos) break;
        clock.SleepMs(100);
    }
    return reply;
}

bool OpenWhenFree(DeviceFile& port, Devices& devices, Clock& clock) {
    for (int tries = 0; tries < 300; ++tries) {
        if (port.Open(devices, u"COM3:", GENERIC_READ | GENERIC_WRITE, 0)) return true;
        clock.SleepMs(100);
    }
    return false;
}

class SimCardControlTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/qmx2-simctl-XXXXXX";
        ASSERT_TRUE(mkdtemp(tmpl));
        root = tmpl;
        host = std::make_unique<Program>(std::vector<std::string>{
            BuiltProgram("qmx2-device"), "--root", root, "--card", "sim"});
        ASSERT_TRUE(host->WaitForErrorLine("serves COM3:")) << host->ErrorText();
    }
    void TearDown() override {
        host.reset();
        std::system(("rm -rf " + root).c_str());
    }
    // Runs qmx2-cardctl; its exit status, with what it printed in *out.
    int CardCtl(std::vector<std::string> args, std::string* out) {
        args.insert(args.begin(), {BuiltProgram("qmx2-cardctl"), "--root", root});
        Program ctl(args);
        *out = ctl.ReadAllOutput();
        return ctl.Wait();
    }
    WideString RegisteredPort() {
        std::string error;
        auto registry = OpenRegistry(root, &error);
        EXPECT_TRUE(registry) << error;
        return registry ? FindActiveDevice(*registry, u"Orvan_Mobile_Phones-Orvan_Pellion") : u"?";
    }

    std::string root;
    std::unique_ptr<Program> host;
};

TEST_F(SimCardControlTest, DeliveredMessageIsListedThenPullEndsTheHost) {
    EXPECT_EQ(RegisteredPort(), u"COM3:");
    std::string out;

    auto clock = MakeRealClock();
    {
        Devices devices;
        RemoteDeviceResolver remote(*clock, DeviceSocketPath(root));
        devices.SetResolver(&remote);
        // The card comes up powered down; the commander powers it through a no-access open.
        DeviceFile power;
        ASSERT_TRUE(power.Open(devices, u"COM3:", 0, 0));
        uint32_t returned = 0;
        ASSERT_TRUE(power.IoControl(IOCTL_CARD_POWER_UP, nullptr, 0, nullptr, 0, &returned));
        power.Close();
        ASSERT_EQ(CardCtl({"deliver", "+447700900123", "Meet at \"six\""}, &out), 0);
        EXPECT_EQ(out, "OK 1\n");
        common::AtChannel channel(devices, *clock);
        channel.SetPortName(u"COM3:");
        EXPECT_NE(SendWhenFree(channel, *clock, "AT+CMGF=1").find("OK"), std::string::npos);
        const std::string list = SendWhenFree(channel, *clock, "AT+CMGL=\"ALL\"");
        EXPECT_NE(list.find("+447700900123"), std::string::npos) << list;
        EXPECT_NE(list.find("Meet at \"six\""), std::string::npos) << list;
    }

    auto windows = OpenWindowSystem(*clock, root);
    ASSERT_TRUE(windows);
    std::vector<std::pair<WPARAM, std::u16string>> changes;
    ASSERT_NE(windows->RegisterWindow(u"Qmx2Test", u"QMX2 test",
                                      [&](HWND, uint32_t msg, WPARAM w, LPARAM l) -> LRESULT {
                                          if (msg == WM_DEVICECHANGE)
                                              changes.emplace_back(
                                                  w, reinterpret_cast<const DEV_BROADCAST_PORT*>(l)
                                                         ->dbcp_name);
                                          return 1;
                                      }),
              0u);
    // Both lines arrive in one read, so the insert is answered before the host can end.
    EXPECT_EQ(AskControl(root, "pull\ninsert\n", 2),
              "OK\nERROR the card cannot be inserted again\n");
    EXPECT_TRUE(windows->PumpMessages([&] { return !changes.empty(); }, 20000));
    EXPECT_EQ(host->Wait(), 0);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].first, DBT_DEVICEREMOVECOMPLETE);
    EXPECT_EQ(changes[0].second, u"COM3:");
    EXPECT_EQ(RegisteredPort(), u"");
    EXPECT_NE(host->ErrorText().find("was pulled"), std::string::npos);
    // Nothing listens any more.
    EXPECT_EQ(CardCtl({"status"}, &out), 1);
    EXPECT_EQ(out, "");
}

TEST_F(SimCardControlTest, PullWithThePortOpenEndsItsCallsAndTheHostCleanly) {
    auto clock = MakeRealClock();
    Devices devices;
    RemoteDeviceResolver remote(*clock, DeviceSocketPath(root));
    devices.SetResolver(&remote);
    DeviceFile power;
    ASSERT_TRUE(power.Open(devices, u"COM3:", 0, 0));
    uint32_t n = 0;
    ASSERT_TRUE(power.IoControl(IOCTL_CARD_POWER_UP, nullptr, 0, nullptr, 0, &n));
    power.Close();
    DeviceFile port;
    ASSERT_TRUE(OpenWhenFree(port, devices, *clock));
    std::string out;
    EXPECT_EQ(CardCtl({"pull"}, &out), 0);
    EXPECT_EQ(out, "OK\n");
    EXPECT_EQ(host->Wait(), 0);
    // The handle outlived its card: its calls fail instead of hanging.
    char buffer[8];
    EXPECT_FALSE(port.Write("AT\r", 3, &n) && n == 3);
    EXPECT_FALSE(port.Read(buffer, sizeof buffer, &n) && n > 0);
    EXPECT_EQ(RegisteredPort(), u"");
}

TEST_F(SimCardControlTest, GarbageAndOverlongLinesGetErrorsAndTheServerGoesOn) {
    EXPECT_EQ(AskControl(root, "frobnicate the card\n", 1), "ERROR unknown command\n");
    EXPECT_EQ(AskControl(root, "deliver 12ab \"x\"\nsignal 40\n", 2),
              "ERROR usage: deliver NUMBER \"TEXT\"\nERROR usage: signal 0..31|99\n");
    EXPECT_EQ(AskControl(root, std::string(5000, 'x'), 1), "ERROR line too long\n");
    EXPECT_EQ(AskControl(root, std::string("\0\xff\x01\n", 4), 1), "ERROR unknown command\n");
    std::string out;
    EXPECT_EQ(CardCtl({"signal", "7"}, &out), 0);
    EXPECT_EQ(out, "OK\n");
    EXPECT_EQ(CardCtl({"sent", "1"}, &out), 1);  // an error answer is exit status 1
    EXPECT_EQ(out, "ERROR no such message\n");
    EXPECT_EQ(CardCtl({"status"}, &out), 0);
    EXPECT_EQ(out, "OK powered=1 inserted=1 messages=0/30 operator=24405 signal=7 sent=0\n");
    // The host still serves its card after all of it; SIGTERM ends it as usual.
    EXPECT_EQ(RegisteredPort(), u"COM3:");
    host->Signal(SIGTERM);
    EXPECT_EQ(host->Wait(), 0);
}

TEST(SimCardControlTool, BadCommandLinesAndAMissingHost) {
    Program empty({BuiltProgram("qmx2-cardctl"), "--root", "/tmp"});
    EXPECT_EQ(empty.Wait(), 2);
    char tmpl[] = "/tmp/qmx2-simctl-XXXXXX";
    ASSERT_TRUE(mkdtemp(tmpl));
    Program none({BuiltProgram("qmx2-cardctl"), "--root", tmpl, "status"});
    EXPECT_EQ(none.Wait(), 1);
    EXPECT_NE(none.ErrorText().find("no emulated card at"), std::string::npos);
    std::system((std::string("rm -rf ") + tmpl).c_str());
}

}  // namespace
}  // namespace qmx2::devices
