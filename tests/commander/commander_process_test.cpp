// The real Qmx2Com program beside the real device host, on a fresh handheld root: this test
// plays the phone manager's window and a modem on TCP. Real clock and real processes; the test
// never sleeps, it waits for the lines the programs print, each with a generous bound.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/windows.h"
#include "tests/commander/temp_root.h"

extern char** environ;

namespace {

using namespace qmx2::platform;

constexpr int kLineWaitMs = 20'000;

// A modem with echo on that knows the commands of card initialisation.
class TcpModem {
public:
    TcpModem() {
        listener_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (::bind(listener_, reinterpret_cast<sockaddr*>(&a), len) != 0 || ::listen(listener_, 4) != 0 ||
            ::getsockname(listener_, reinterpret_cast<sockaddr*>(&a), &len) != 0)
            return;
        port_ = ntohs(a.sin_port);
        thread_ = std::thread([this] { Serve(); });
    }
    ~TcpModem() {
        stop_ = true;
        ::shutdown(listener_, SHUT_RDWR);
        if (thread_.joinable()) thread_.join();
        ::close(listener_);
    }
    int port() const { return port_; }
    std::vector<std::string> Commands() {
        std::lock_guard lock(mu_);
        return commands_;
    }

private:
    static std::string Answer(const std::string& line) {
        if (line == "AT+CPIN?") return "\r\n+CPIN: READY\r\n\r\nOK\r\n";
        if (line.rfind("AT+CLCK=", 0) == 0 && line.back() == '2') return "\r\n+CLCK: 0\r\n\r\nOK\r\n";
        if (line == "AT+COPS?") return "\r\n+COPS: 0,2,\"24405\"\r\n\r\nOK\r\n";
        return "\r\nOK\r\n";
    }
    void Serve() {
        while (!stop_) {
            pollfd p{listener_, POLLIN, 0};
            if (::poll(&p, 1, 100) <= 0) continue;
            const int fd = ::accept4(listener_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            std::string line;
            while (!stop_) {
                pollfd q{fd, POLLIN, 0};
                if (::poll(&q, 1, 100) <= 0) continue;
                char c;
                if (::read(fd, &c, 1) != 1) break;
                std::string out(1, c);  // echo
                if (c == '\r') {
                    {
                        std::lock_guard lock(mu_);
                        commands_.push_back(line);
                    }
                    out += Answer(line);
                    line.clear();
                } else {
                    line += c;
                }
                if (::write(fd, out.data(), out.size()) < 0) break;
            }
            ::close(fd);
        }
    }

    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stop_{false};
    std::thread thread_;
    std::mutex mu_;
    std::vector<std::string> commands_;
};

// A program whose standard error the test reads line by line.
class Program {
public:
    explicit Program(std::vector<std::string> args) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        out_ = fds[0];
    }
    ~Program() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            Wait();
        }
        if (out_ >= 0) ::close(out_);
    }
    // Lines until one holds `part`; false when the program ends or stays silent too long.
    bool WaitFor(const std::string& part) {
        for (;;) {
            const auto nl = buffer_.find('\n');
            if (nl != std::string::npos) {
                const std::string line = buffer_.substr(0, nl);
                buffer_.erase(0, nl + 1);
                seen_ += line + "\n";
                if (line.find(part) != std::string::npos) return true;
                continue;
            }
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, kLineWaitMs) <= 0) return false;
            char chunk[256];
            const ssize_t n = ::read(out_, chunk, sizeof chunk);
            if (n <= 0) return false;
            buffer_.append(chunk, static_cast<size_t>(n));
        }
    }
    void Signal(int sig) {
        if (pid_ > 0) ::kill(pid_, sig);
    }
    int Wait() {
        int status = 0;
        if (pid_ > 0 && ::waitpid(pid_, &status, 0) == pid_) pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    const std::string& seen() const { return seen_; }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string buffer_;
    std::string seen_;
};

std::string Bin(const char* name) {
    const char* dir = std::getenv("QMX2_BUILD_DIR");
    return std::string(dir ? dir : ".") + "/bin/" + name;
}

TEST(CommanderProcessTest, PowerDownRoundTripWithTheRealPrograms) {
    qmx2::commander::testing::TempRoot root;
    TcpModem modem;
    ASSERT_NE(modem.port(), 0);
    Program device({Bin("qmx2-device"), "--root", root.path(), "--card",
                    "tcp:127.0.0.1:" + std::to_string(modem.port()), "--name", "COM5:"});
    ASSERT_TRUE(device.WaitFor("serves COM5:")) << device.seen();
    Program commander({Bin("Qmx2Com"), "--root=" + root.path(), "--headless"});
    ASSERT_TRUE(commander.WaitFor("the card is ready")) << commander.seen();

    const std::vector<std::string> sent = modem.Commands();
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[0], "ATE1");
    EXPECT_EQ(sent[1], "AT");
    EXPECT_EQ(sent[2], "AT+CPIN?");

    auto clock = MakeRealClock();
    auto windows = OpenWindowSystem(*clock, root.path());
    ASSERT_TRUE(windows);
    const HWND com = windows->FindWindow(u"Qmx2Com", u"QMX2 commander");
    ASSERT_NE(com, 0u);
    bool inside_send = false, destroyed_inside_send = false;
    const HWND manager = windows->RegisterWindow(u"QMXManager", u"", [&](HWND h, uint32_t m, WPARAM, LPARAM) {
        if (m == WM_DESTROY) {
            destroyed_inside_send = inside_send;
            windows->DestroyWindow(h);
        }
        return LRESULT{0};
    });
    ASSERT_NE(manager, 0u);

    inside_send = true;
    LRESULT result = -1;
    EXPECT_TRUE(windows->SendMessageTimeout(com, 8025, 0, 0, kLineWaitMs, &result));
    inside_send = false;
    EXPECT_TRUE(destroyed_inside_send);
    EXPECT_FALSE(windows->IsWindow(manager));

    // Still answering, and an unknown number changes nothing.
    EXPECT_TRUE(windows->SendMessageTimeout(com, 12345, 0, 0, kLineWaitMs, &result));
    EXPECT_TRUE(windows->SendMessageTimeout(com, 4025, 0, 0, kLineWaitMs, &result));
    EXPECT_TRUE(commander.WaitFor("notification for \\Windows\\Qmx2PPC.exe (light and \\Windows\\Alarm1.wav)"))
        << commander.seen();

    // Pulling the card: the device host removes the port and broadcasts; the commander ends.
    device.Signal(SIGTERM);
    EXPECT_EQ(commander.Wait(), 0) << commander.seen();
    EXPECT_EQ(windows->FindWindow(u"Qmx2Com", u"QMX2 commander"), 0u);
    device.Wait();
}

// A device host that dies without its removal broadcast: the commander still ends by itself.
TEST(CommanderProcessTest, ACommanderWhoseDeviceHostDiedEnds) {
    qmx2::commander::testing::TempRoot root;
    TcpModem modem;
    ASSERT_NE(modem.port(), 0);
    Program device({Bin("qmx2-device"), "--root", root.path(), "--card",
                    "tcp:127.0.0.1:" + std::to_string(modem.port()), "--name", "COM5:"});
    ASSERT_TRUE(device.WaitFor("serves COM5:")) << device.seen();
    Program commander({Bin("Qmx2Com"), "--root=" + root.path(), "--headless"});
    ASSERT_TRUE(commander.WaitFor("the card is ready")) << commander.seen();
    device.Signal(SIGKILL);
    device.Wait();
    EXPECT_EQ(commander.Wait(), 0) << commander.seen();
}

TEST(CommanderProcessTest, NoCardMeansNoCommander) {
    qmx2::commander::testing::TempRoot root;
    Program commander({Bin("Qmx2Com"), "--root=" + root.path()});
    EXPECT_EQ(commander.Wait(), 0);
    EXPECT_FALSE(commander.WaitFor("Qmx2Com"));
}

}  // namespace
