// Window messages between real programs: the peer program (windows_peer.cpp) is started on a
// fresh handheld root and talks to this test through run/windows. Real clock; the test never
// sleeps, it waits for the lines the peer prints, each with a generous bound.
#include <gtest/gtest.h>

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/comm_types.h"
#include "platform/last_error.h"
#include "platform/sync.h"
#include "platform/windows.h"
#include "tests/support/program_launcher.h"

using namespace qmx2::platform;

namespace {

constexpr int kLineWaitMs = 20'000;

// The peer program on a root, after it printed "ready <window>".
class Peer {
public:
    Peer(const std::string& root, const char* window_class, const char* title)
        : program_({QMX2_WINDOWS_PEER, root, window_class, title}, kLineWaitMs) {
        const std::string ready = ReadLine();
        if (ready.rfind("ready ", 0) == 0) hwnd_ = std::stoull(ready.substr(6));
    }

    HWND hwnd() const { return hwnd_; }
    // The next line the peer prints, or "" when it ends or stays silent too long.
    std::string ReadLine() { return program_.OutputLine(); }
    void Kill() { program_.Kill(); }
    int Wait() { return program_.Wait(); }

private:
    qmx2::testing::Program program_;
    HWND hwnd_ = 0;
};

int FilesEndingIn(const std::string& dir, const std::string& suffix) {
    int n = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir))
        n += e.path().string().ends_with(suffix);
    return n;
}

class ProgramWindows : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/qmx2-windows-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        root = tmpl;
        ws = OpenWindowSystem(*clock, root);
        ASSERT_TRUE(ws);
    }
    void TearDown() override {
        ws.reset();
        std::filesystem::remove_all(root);
    }

    std::unique_ptr<Clock> clock = MakeRealClock();
    std::string root;
    std::unique_ptr<WindowSystem> ws;
};

TEST_F(ProgramWindows, FindSendAndPostReachAnotherProgram) {
    Peer peer(root, "Qmx2Com", "QMX2 commander");
    ASSERT_NE(peer.hwnd(), 0u);
    EXPECT_EQ(ws->FindWindow(u"Qmx2Com", u"QMX2 commander"), peer.hwnd());
    EXPECT_EQ(ws->FindWindow(u"Qmx2Com"), peer.hwnd());
    EXPECT_EQ(ws->FindWindow(u"Qmx2Com", u"QMX2"), 0u);
    EXPECT_TRUE(ws->IsWindow(peer.hwnd()));
    EXPECT_EQ(ws->SendMessage(peer.hwnd(), WM_USER + 2, 20, 22), 42);
    EXPECT_EQ(ws->SendMessage(peer.hwnd(), WM_USER + 2, 1, -10), -9);
    EXPECT_TRUE(ws->PostMessage(peer.hwnd(), WM_USER + 1, 5, -6));
    EXPECT_EQ(peer.ReadLine(), "posted 5 -6");
    EXPECT_FALSE(ws->PostMessage(peer.hwnd() ^ 1, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    // Its lParam would be a pointer of this program over there.
    EXPECT_FALSE(ws->PostMessage(peer.hwnd(), WM_DEVICECHANGE, DBT_DEVICEARRIVAL, 0x1000));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    // WM_DESTROY closes it, as the commander closes the manager.
    EXPECT_TRUE(ws->PostMessage(peer.hwnd(), WM_DESTROY, 0, 0));
    EXPECT_EQ(peer.ReadLine(), "destroyed");
    EXPECT_EQ(peer.ReadLine(), "bye");
    EXPECT_EQ(peer.Wait(), 0);
    EXPECT_EQ(ws->FindWindow(u"Qmx2Com"), 0u);
}

// The manager's "Power Down": 8025 to the commander, which sends WM_DESTROY back to the manager
// while the manager is still inside its send.
TEST_F(ProgramWindows, PowerDownRoundTripDoesNotDeadlock) {
    Peer commander(root, "Qmx2Com", "QMX2 commander");
    ASSERT_NE(commander.hwnd(), 0u);
    std::vector<std::string> events;
    bool sent = false;
    LRESULT result = 0;
    Thread manager(*clock, [&] {
        const HWND me = ws->RegisterWindow(u"QMXManager", u"Orvan Pellion 2.0",
                                           [&](HWND, uint32_t m, WPARAM, LPARAM) -> LRESULT {
                                               if (m != WM_DESTROY) return 0;
                                               events.push_back("destroy while sending");
                                               ws->PostQuitMessage(0);
                                               return 7;
                                           });
        const HWND com = ws->FindWindow(u"Qmx2Com", u"QMX2 commander");
        sent = ws->SendMessageTimeout(com, 8025, 0, 0, 60'000, &result);
        events.push_back("send returned");
        ws->RunMessageLoop();
        ws->DestroyWindow(me);
    });
    manager.Join();
    EXPECT_TRUE(sent);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(events, (std::vector<std::string>{"destroy while sending", "send returned"}));
    EXPECT_EQ(commander.ReadLine(), "destroy-answered 7");
}

TEST_F(ProgramWindows, KilledProgramsWindowIsGoneAtOnce) {
    Peer peer(root, "Qmx2Com", "QMX2 commander");
    const HWND hwnd = peer.hwnd();
    ASSERT_NE(hwnd, 0u);
    ASSERT_EQ(ws->FindWindow(u"Qmx2Com"), hwnd);
    peer.Kill();

    EXPECT_EQ(ws->FindWindow(u"Qmx2Com", u"QMX2 commander"), 0u);
    EXPECT_FALSE(ws->IsWindow(hwnd));
    const auto start = std::chrono::steady_clock::now();
    LRESULT r = 0;
    SetLastError(0);
    EXPECT_FALSE(ws->SendMessageTimeout(hwnd, WM_USER + 2, 1, 1, 30'000, &r));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(ws->SendMessage(hwnd, WM_USER + 2, 1, 1), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(ws->PostMessage(hwnd, WM_USER, 0, 0));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(25));
    // The dead program's entry and socket were cleaned away.
    EXPECT_EQ(FilesEndingIn(root + "/run/windows", ".wnd"), 0);
    EXPECT_EQ(FilesEndingIn(root + "/run/windows", ".sock"), 1);  // this program's own

    // A new program of the same class is found in its place.
    Peer second(root, "Qmx2Com", "QMX2 commander");
    ASSERT_NE(second.hwnd(), 0u);
    EXPECT_NE(second.hwnd(), hwnd);
    EXPECT_EQ(ws->FindWindow(u"Qmx2Com"), second.hwnd());
}

TEST_F(ProgramWindows, ReceiverDyingDuringTheSendFailsTheSend) {
    Peer peer(root, "Qmx2Com", "QMX2 commander");
    ASSERT_NE(peer.hwnd(), 0u);
    LRESULT r = 0;
    EXPECT_FALSE(ws->SendMessageTimeout(peer.hwnd(), WM_USER + 9, 0, 0, 60'000, &r));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(peer.Wait(), 3);
    EXPECT_EQ(ws->FindWindow(u"Qmx2Com"), 0u);
}

TEST_F(ProgramWindows, DeviceChangeReachesWindowsOfTwoPrograms) {
    Peer commander(root, "Qmx2Com", "QMX2 commander");
    Peer manager(root, "QMXManager", "Orvan Pellion 2.0");
    ASSERT_NE(commander.hwnd(), 0u);
    ASSERT_NE(manager.hwnd(), 0u);
    EXPECT_EQ(ws->BroadcastDeviceChange(DBT_DEVICEREMOVECOMPLETE, u"COM5:", 20'000), 2);
    EXPECT_EQ(commander.ReadLine(), "device 8004 COM5:");
    EXPECT_EQ(manager.ReadLine(), "device 8004 COM5:");

    manager.Kill();  // a dead program does not hold the others up or count
    EXPECT_EQ(ws->BroadcastDeviceChange(DBT_DEVICEARRIVAL, u"COM6:", 20'000), 1);
    EXPECT_EQ(commander.ReadLine(), "device 8000 COM6:");
}

}  // namespace
