// Window messages through the sockets under run/windows, with two programs' window systems in
// one process (real clock, waits bounded, no sleeps): stale entries, hostile frames, deep roots.
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "platform/clock.h"
#include "platform/comm_types.h"
#include "platform/last_error.h"
#include "platform/sync.h"
#include "platform/windows.h"
#include "platform/windows_entries.h"
#include "platform/windows_wire.h"
#include "tests/platform/windows_test_util.h"

using namespace qmx2::platform;
using namespace qmx2::platform::windows_detail;
using qmx2::platform::testing::WindowThread;

namespace {

constexpr uint32_t kBound = 20'000;

class SocketWindows : public ::testing::Test {
protected:
    void SetUp() override { OpenAt("/tmp/qmx2-wsock-XXXXXX"); }
    void OpenAt(std::string pattern) {
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root = pattern;
        a = OpenWindowSystem(*clock, root);
        b = OpenWindowSystem(*clock, root);
        ASSERT_TRUE(a && b);
    }
    void TearDown() override {
        a.reset();
        b.reset();
        std::filesystem::remove_all(root);
    }
    std::string Dir() const { return root + "/run/windows"; }
    // A socket file with nobody listening, as a killed program leaves it.
    std::string LeaveDeadSocket(const std::string& name) {
        const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        const std::string path = Dir() + "/" + name;
        std::strcpy(addr.sun_path, path.c_str());
        EXPECT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        ::close(fd);
        return path;
    }
    int Sockets() const {
        int n = 0;
        for (const auto& e : std::filesystem::directory_iterator(Dir()))
            n += e.path().extension() == ".sock";
        return n;
    }

    std::unique_ptr<Clock> clock = MakeRealClock();
    std::string root;
    std::unique_ptr<WindowSystem> a, b;
};

LRESULT Echo(HWND, uint32_t, WPARAM w, LPARAM l) { return static_cast<LRESULT>(w) * 1000 + l; }

TEST_F(SocketWindows, WindowsOfAThreadThatEndedAreUnpublished) {
    Event registered(*clock, true);
    Thread owner(*clock, [&] {
        a->RegisterWindow(u"Qmx2Com", u"", Echo);
        registered.Set();
    });
    registered.Wait(kBound);
    owner.Join();
    EXPECT_EQ(b->FindWindow(u"Qmx2Com"), 0u);
    EXPECT_EQ(a->FindWindow(u"Qmx2Com"), 0u);
}

TEST_F(SocketWindows, WindowOfAnotherProgramThatStallsTimesOut) {
    Event release(*clock, true);
    WindowThread com(*a, u"slow", u"", [&](HWND, uint32_t m, WPARAM, LPARAM) -> LRESULT {
        if (m == WM_USER) release.Wait(kBound);
        return 5;
    });
    LRESULT r = 0;
    EXPECT_FALSE(b->SendMessageTimeout(com.hwnd(), WM_USER, 0, 0, 200, &r));
    EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);
    release.Set();
    // The late answer goes nowhere; the next send gets its own answer.
    EXPECT_TRUE(b->SendMessageTimeout(com.hwnd(), WM_USER + 1, 0, 0, kBound, &r));
    EXPECT_EQ(r, 5);
}

TEST_F(SocketWindows, EntriesOfDeadProgramsAreRemovedByTheFinder) {
    uint32_t error = 0;
    auto dir = WindowDirectory::Open(root, &error);
    ASSERT_TRUE(dir);
    const std::string dead_socket = "00000000deadbeef.sock";
    const std::string path = LeaveDeadSocket(dead_socket);
    wire::WindowEntry refused{0x1111, 1, 999999, u"Qmx2Com", u"QMX2 commander", dead_socket};
    wire::WindowEntry missing{0x2222, 2, 999999, u"Qmx2Com", u"QMX2 commander", "gone.sock"};
    ASSERT_EQ(dir->Publish(refused), 0u);
    ASSERT_EQ(dir->Publish(missing), 0u);
    EXPECT_EQ(dir->Publish(missing), ERROR_ALREADY_EXISTS);

    WindowThread live(*a, u"Qmx2Com", u"QMX2 commander", Echo);
    EXPECT_EQ(b->FindWindow(u"Qmx2Com", u"QMX2 commander"), live.hwnd());
    EXPECT_FALSE(dir->Read(0x1111));
    EXPECT_FALSE(dir->Read(0x2222));
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(b->SendMessage(0x1111, WM_USER, 0, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(SocketWindows, AStartingProgramSweepsSocketsOfDeadOnes) {
    const std::string path = LeaveDeadSocket("00000000deadbeef.sock");
    ASSERT_EQ(Sockets(), 3);
    auto third = OpenWindowSystem(*clock, root);
    ASSERT_TRUE(third);
    EXPECT_FALSE(std::filesystem::exists(path));
    EXPECT_EQ(Sockets(), 3);  // a, b and the new one
    const HWND h = a->RegisterWindow(u"Qmx2Com", u"", Echo);
    EXPECT_EQ(third->FindWindow(u"Qmx2Com"), h);
    third.reset();
    EXPECT_EQ(Sockets(), 2);
}

TEST_F(SocketWindows, UnreadableEntriesAreIgnored) {
    std::FILE* f = std::fopen((Dir() + "/00000000000000aa.wnd").c_str(), "wb");
    ASSERT_TRUE(f);
    std::fputs("not an entry", f);
    std::fclose(f);
    WindowThread live(*a, u"Qmx2Com", u"", Echo);
    EXPECT_EQ(b->FindWindow(u"Qmx2Com"), live.hwnd());
    EXPECT_EQ(b->SendMessage(0xaa, WM_USER, 0, 0), 0);
}

// Whatever arrives on a program's socket, it keeps answering the frames that are sound.
TEST_F(SocketWindows, MalformedFramesAreDroppedAndTheConnectionGoesOn) {
    WindowThread com(*a, u"Qmx2Com", u"", Echo);
    auto dir = WindowDirectory::Open(root, nullptr);
    const auto entry = dir->Read(com.hwnd());
    ASSERT_TRUE(entry);
    Reach reach;
    const int fd = dir->Connect(entry->socket_name, &reach);
    ASSERT_GE(fd, 0);
    auto send_raw = [&](const std::vector<uint8_t>& bytes) {
        return ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
    };
    wire::Frame f;
    f.kind = wire::FrameKind::kSend;
    f.message = WM_USER;
    f.hwnd = com.hwnd();
    f.wparam = 2;
    f.lparam = 3;
    f.id = 9;
    auto good = wire::EncodeFrame(f);

    EXPECT_GT(send_raw(std::vector<uint8_t>(7, 0xFF)), 0);
    EXPECT_GT(send_raw(std::vector<uint8_t>(60'000, 0x41)), 0);
    auto bad_length = good;
    bad_length[8] ^= 0x40;
    EXPECT_GT(send_raw(bad_length), 0);
    wire::Frame reply = f;
    reply.kind = wire::FrameKind::kReply;
    EXPECT_GT(send_raw(wire::EncodeFrame(reply)), 0);
    wire::Frame unknown = f;
    unknown.hwnd = com.hwnd() ^ 1;
    unknown.id = 8;
    EXPECT_GT(send_raw(wire::EncodeFrame(unknown)), 0);
    EXPECT_GT(send_raw(good), 0);

    auto read_reply = [&]() -> std::optional<wire::Frame> {
        std::vector<uint8_t> buf(wire::kMaxFrameBytes);
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, kBound) != 1) return std::nullopt;
        const ssize_t n = ::recv(fd, buf.data(), buf.size(), 0);
        if (n <= 0) return std::nullopt;
        return wire::DecodeFrame(buf.data(), static_cast<size_t>(n));
    };
    const auto first = read_reply();
    ASSERT_TRUE(first);
    EXPECT_EQ(first->kind, wire::FrameKind::kReply);
    EXPECT_EQ(first->id, 8u);
    EXPECT_EQ(first->error, ERROR_INVALID_WINDOW_HANDLE);
    const auto second = read_reply();
    ASSERT_TRUE(second);
    EXPECT_EQ(second->id, 9u);
    EXPECT_EQ(second->lparam, 2003);
    EXPECT_EQ(second->error, 0u);
    ::close(fd);
    EXPECT_EQ(b->SendMessage(com.hwnd(), WM_USER, 1, 1), 1001);
}

TEST_F(SocketWindows, ClosingAProgramsWindowSystemUnpublishesItsWindows) {
    const HWND h = a->RegisterWindow(u"Qmx2Com", u"", Echo);
    ASSERT_NE(h, 0u);
    EXPECT_EQ(b->FindWindow(u"Qmx2Com"), h);
    a.reset();
    EXPECT_EQ(b->FindWindow(u"Qmx2Com"), 0u);
    EXPECT_FALSE(b->IsWindow(h));
}

class DeepRootWindows : public SocketWindows {
protected:
    void SetUp() override {
        std::string deep = "/tmp/qmx2-wsock-deep-" + std::string(60, 'd') + "-XXXXXX";
        OpenAt(deep);
    }
};

// Socket paths longer than a socket address holds still work.
TEST_F(DeepRootWindows, ProgramsOnADeepRootReachEachOther) {
    ASSERT_GT(Dir().size() + 22, sizeof(sockaddr_un{}.sun_path));
    WindowThread com(*a, u"Qmx2Com", u"", Echo);
    EXPECT_EQ(b->FindWindow(u"Qmx2Com"), com.hwnd());
    EXPECT_EQ(b->SendMessage(com.hwnd(), WM_USER, 4, 2), 4002);
}

}  // namespace
