// qmx2-device and qmx2-at as programs: the host serves a pseudo-terminal whose master side is a
// scripted modem, qmx2-at talks to it through the host, and the card's "Drivers\Active" entry
// lives exactly as long as the host serves the port; QMX2_SHELL chooses the manager it links in.
#include <cstdlib>
#include <gtest/gtest.h>

#include <filesystem>
#include <sys/stat.h>
#include <unistd.h>

#include <condition_variable>
#include <fstream>
#include <mutex>
#include <signal.h>

#include "devices/active_entry.h"
#include "platform/comm_types.h"
#include "platform/device_file.h"
#include "platform/devices.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/run_at_event.h"
#include "platform/serial_remote.h"
#include "platform/serial_wire.h"
#include "platform/windows.h"
#include "tests/support/program_launcher.h"
#include "tests/devices/fake_modem.h"

namespace qmx2::devices {
namespace {

using namespace qmx2::platform;
using qmx2::testing::BuiltProgram;
using qmx2::testing::Program;
using testing::FakeModem;
using testing::PtyPair;

std::optional<std::string> Modem(const std::string& command) {
    if (command == "AT+CSQ") return "AT+CSQ\r\r\n+CSQ: 17,99\r\n\r\nOK\r\n";
    if (command == "AT+JUNK") return std::string("AT+JUNK\r\0\xff\x01junk\r\nERROR\r\n", 24);
    if (command == "AT+HANG") return std::nullopt;
    return command + "\r\r\nERROR\r\n";
}

class DeviceHostProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/qmx2-host-XXXXXX";
        ASSERT_TRUE(mkdtemp(tmpl));
        root = tmpl;
        ASSERT_FALSE(pty.slave_path.empty());
        modem = std::make_unique<FakeModem>(pty, Modem);
        host = std::make_unique<Program>(std::vector<std::string>{
            BuiltProgram("qmx2-device"), "--root", root, "--card", "tty:" + pty.slave_path});
        ASSERT_TRUE(host->WaitForErrorLine("serves COM3:")) << host->ErrorText();
    }
    void TearDown() override {
        host.reset();
        modem.reset();
        std::system(("rm -rf " + root).c_str());
    }
    // Runs qmx2-at; returns its exit status and fills *out with what it printed.
    int At(std::vector<std::string> args, std::string* out) {
        args.insert(args.begin(), {BuiltProgram("qmx2-at"), "--root", root});
        Program at(args);
        *out = at.ReadAllOutput();
        return at.Wait();
    }
    WideString RegisteredPort() {
        std::string error;
        auto registry = OpenRegistry(root, &error);
        EXPECT_TRUE(registry) << error;
        return registry ? FindActiveDevice(*registry, u"Orvan_Mobile_Phones-Orvan_Pellion") : u"?";
    }

    std::string root;
    PtyPair pty;
    std::unique_ptr<FakeModem> modem;
    std::unique_ptr<Program> host;
};

TEST_F(DeviceHostProcessTest, AtToolGetsTheModemsReplyThroughTheHost) {
    EXPECT_EQ(RegisteredPort(), u"COM3:");
    std::string out;
    EXPECT_EQ(At({"--port", "COM3:", "--expected", "+CSQ", "AT+CSQ"}, &out), 0);
    EXPECT_EQ(out, "AT+CSQ\r\r\n+CSQ: 17,99\r\n\r\nOK\r\n");
    // Without --port the tool finds the card's port in the registry.
    EXPECT_EQ(At({"--show-escapes", "--expected", "+CSQ", "AT+CSQ", "AT+CSQ"}, &out), 0);
    EXPECT_EQ(out, "AT+CSQ\\r\\r\\n+CSQ: 17,99\\r\\n\\r\\nOK\\r\\n\n"
                   "AT+CSQ\\r\\r\\n+CSQ: 17,99\\r\\n\\r\\nOK\\r\\n\n");

    // A window of this test hears the removal when the host is told to stop.
    auto clock = MakeRealClock();
    auto windows = OpenWindowSystem(*clock, root);
    ASSERT_TRUE(windows);
    std::vector<std::pair<WPARAM, std::u16string>> changes;
    ASSERT_NE(windows->RegisterWindow(u"Qmx2Com", u"QMX2 commander",
                                      [&](HWND, uint32_t msg, WPARAM w, LPARAM l) -> LRESULT {
                                          if (msg == WM_DEVICECHANGE)
                                              changes.emplace_back(
                                                  w, reinterpret_cast<const DEV_BROADCAST_PORT*>(l)
                                                         ->dbcp_name);
                                          return 1;
                                      }),
              0u);
    host->Signal(SIGTERM);
    EXPECT_TRUE(windows->PumpMessages([&] { return !changes.empty(); }, 20000));
    EXPECT_EQ(host->Wait(), 0);
    ASSERT_EQ(changes.size(), 1u);
    EXPECT_EQ(changes[0].first, DBT_DEVICEREMOVECOMPLETE);
    EXPECT_EQ(changes[0].second, u"COM3:");
    EXPECT_EQ(RegisteredPort(), u"");
    struct stat st;
    EXPECT_NE(stat(DeviceSocketPath(root).c_str(), &st), 0);
    EXPECT_EQ(At({"--port", "COM3:", "AT"}, &out), 1);
    EXPECT_EQ(out, "Comm failure(opencomm)");
}

TEST_F(DeviceHostProcessTest, GarbageAndNulBytesFromTheModemDoNotHurt) {
    std::string out;
    EXPECT_EQ(At({"--show-escapes", "--expected", "AT+JUNK", "AT+JUNK"}, &out), 0);
    // The transaction keeps the reply a C string: the NUL is left out, the rest passes.
    EXPECT_EQ(out, "AT+JUNK\\r\\xFF\\x01junk\\r\\nERROR\\r\\n\n");
    EXPECT_EQ(At({"--port", "COM9:", "AT+CSQ"}, &out), 1);
    EXPECT_EQ(out, "Comm failure(opencomm)");
    EXPECT_EQ(At({"--port", "COM3:", "AT\rAT"}, &out), 2);  // a second command smuggled in
    EXPECT_EQ(out, "");
}

TEST_F(DeviceHostProcessTest, AModemThatHangsUpMidReplyGivesAFailureAndRemovesTheCard) {
    std::string out;
    EXPECT_EQ(At({"--port", "COM3:", "--timeout", "5", "AT+HANG"}, &out), 1);
    EXPECT_EQ(out, "Comm failure(timeout)");
    // The host sees the line go, takes the card out and ends by itself.
    EXPECT_EQ(host->Wait(), 1);
    EXPECT_NE(host->ErrorText().find("went away"), std::string::npos);
    EXPECT_EQ(RegisteredPort(), u"");
}

// The modem answers a program that was killed while it waited: that answer must not be taken
// for the reply to the next program's command. A control open (as the commander's power query
// holds one) keeps the port open meanwhile, so the answer lands in its buffer.
TEST_F(DeviceHostProcessTest, AKilledProgramsReplyNeverReachesTheNextProgram) {
    auto clock = MakeRealClock();
    RemoteDeviceResolver resolver(*clock, DeviceSocketPath(root));
    Devices devices;
    devices.SetResolver(&resolver);
    DeviceFile control;
    ASSERT_TRUE(control.Open(devices, u"COM3:", 0, 0));
    std::mutex mu;
    std::condition_variable cv;
    bool asked = false, killed = false;
    modem.reset();
    modem = std::make_unique<FakeModem>(pty, [&](const std::string& c) -> std::optional<std::string> {
        if (c != "AT+CPBR=1,10") return Modem(c);
        std::unique_lock lk(mu);
        asked = true;
        cv.notify_all();
        cv.wait_for(lk, std::chrono::seconds(10), [&] { return killed; });
        return c + "\r\r\n+CPBR: 1,\"+358402000001\",145,\"SIM entry 001\"\r\n\r\nOK\r\n";
    });
    Program slow({BuiltProgram("qmx2-at"), "--root", root, "--port", "COM3:", "--timeout", "20",
                  "AT+CPBR=1,10"});
    {
        std::unique_lock lk(mu);
        ASSERT_TRUE(cv.wait_for(lk, std::chrono::seconds(10), [&] { return asked; }));
    }
    slow.Signal(SIGKILL);
    EXPECT_EQ(slow.WaitWithin(10000), 128 + SIGKILL);
    {
        std::lock_guard lk(mu);
        killed = true;
        cv.notify_all();
    }
    std::string out;
    EXPECT_EQ(At({"--port", "COM3:", "AT+CSQ"}, &out), 0);
    EXPECT_EQ(out, "AT+CSQ\r\r\n+CSQ: 17,99\r\n\r\nOK\r\n");
}

TEST_F(DeviceHostProcessTest, AProgramRegisteredForTheDeviceChangeStartsWhenTheCardGoes) {
    const std::string script = root + "/on-change.sh";
    {
        std::ofstream(script) << "#!/bin/sh\necho started >> \"$QMX2_ROOT/changes.txt\"\n";
    }
    chmod(script.c_str(), 0755);
    std::string error;
    ASSERT_TRUE(InstallProgramLinks(root, {{"OnChange.exe", script}}, &error)) << error;
    ASSERT_TRUE(RunAtEvents(root).Register("\\Windows\\OnChange.exe", NOTIFICATION_EVENT_DEVICE_CHANGE));

    std::string out;
    At({"--port", "COM3:", "--timeout", "5", "AT+HANG"}, &out);  // the card goes
    EXPECT_EQ(host->Wait(), 1);
    EXPECT_NE(host->ErrorText().find("started 1 program(s) at the device change"), std::string::npos)
        << host->ErrorText();
    for (int i = 0; i < 1000 && !std::ifstream(root + "/changes.txt"); ++i) usleep(10000);
    std::ifstream changes(root + "/changes.txt");
    std::string line;
    EXPECT_TRUE(std::getline(changes, line));
    EXPECT_EQ(line, "started");
}

TEST(DeviceHostProgram, BadCommandLinesAndMissingTtysAreRefused) {
    char tmpl[] = "/tmp/qmx2-host-XXXXXX";
    ASSERT_TRUE(mkdtemp(tmpl));
    const std::string root = tmpl;
    Program missing({BuiltProgram("qmx2-device"), "--root", root, "--card", "tty:/dev/qmx2-none"});
    EXPECT_EQ(missing.Wait(), 1);
    EXPECT_EQ(missing.ErrorText(),
              "qmx2-device: cannot open /dev/qmx2-none: No such file or directory\n");
    Program unknown({BuiltProgram("qmx2-device"), "--root", root, "--card", "floppy:"});
    EXPECT_EQ(unknown.Wait(), 2);
    Program no_card({BuiltProgram("qmx2-device"), "--root", root});
    EXPECT_EQ(no_card.Wait(), 2);
    std::system(("rm -rf " + root).c_str());
}

// The manager the commander starts as "\Windows\Qmx2PPC.exe" is the build of the handheld's kind.
TEST(DeviceHostProgram, QMX2SHELLChoosesTheManagerBuildTheCommanderStarts) {
    const struct {
        const char* shell;  // nullptr: unset
        const char* manager;
    } rows[] = {{nullptr, "Qmx2PPC"}, {"ppc", "Qmx2PPC"}, {"hpc", "Qmx2HPC"}, {"HPC;rm", "Qmx2PPC"}};
    for (const auto& row : rows) {
        char tmpl[] = "/tmp/qmx2-host-XXXXXX";
        ASSERT_TRUE(mkdtemp(tmpl));
        const std::string root = tmpl;
        if (row.shell) setenv("QMX2_SHELL", row.shell, 1);
        // The programs are linked in before the card is opened, so a missing card will do.
        Program host({BuiltProgram("qmx2-device"), "--root", root, "--card", "tty:/dev/qmx2-none"});
        EXPECT_EQ(host.Wait(), 1);
        unsetenv("QMX2_SHELL");
        std::error_code ec;
        const auto target = std::filesystem::read_symlink(root + "/Windows/Qmx2PPC.exe", ec);
        EXPECT_EQ(target.filename().string(), row.manager) << (row.shell ? row.shell : "unset") << ec.message();
        std::filesystem::remove_all(root, ec);
    }
}

}  // namespace
}  // namespace qmx2::devices
