// The real Qmx2Com program beside the real device host, on a fresh handheld root: this test
// plays the phone manager's window and a modem on TCP. Real clock and real processes; the test
// never sleeps, it waits for the lines the programs print, each with a generous bound.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/windows.h"
#include "tests/commander/temp_root.h"
#include "tests/support/program_launcher.h"

namespace {

using namespace qmx2::platform;
using qmx2::testing::BuiltProgram;
using qmx2::testing::Program;

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

// A device host on a TCP modem and the real commander, which has readied the card.
class ReadyCommanderTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(modem.port(), 0);
        device = std::make_unique<Program>(std::vector<std::string>{
            BuiltProgram("qmx2-device"), "--root", root.path(), "--card",
            "tcp:127.0.0.1:" + std::to_string(modem.port()), "--name", "COM5:"});
        ASSERT_TRUE(device->WaitForErrorLine("serves COM5:")) << device->seen();
        commander = std::make_unique<Program>(
            std::vector<std::string>{BuiltProgram("Qmx2Com"), "--root=" + root.path(), "--headless"});
        ASSERT_TRUE(commander->WaitForErrorLine("the card is ready")) << commander->seen();
    }

    qmx2::commander::testing::TempRoot root;
    TcpModem modem;
    std::unique_ptr<Program> device, commander;
};

TEST_F(ReadyCommanderTest, PowerDownRoundTripWithTheRealPrograms) {
    Program& device = *this->device;
    Program& commander = *this->commander;

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
    EXPECT_TRUE(commander.WaitForErrorLine("notification for \\Windows\\Qmx2PPC.exe (light and \\Windows\\Alarm1.wav)"))
        << commander.seen();

    // Pulling the card: the device host removes the port and broadcasts; the commander ends.
    device.Signal(SIGTERM);
    EXPECT_EQ(commander.Wait(), 0) << commander.seen();
    EXPECT_EQ(windows->FindWindow(u"Qmx2Com", u"QMX2 commander"), 0u);
    device.Wait();
}

// A device host that dies without its removal broadcast: the commander still ends by itself.
TEST_F(ReadyCommanderTest, ACommanderWhoseDeviceHostDiedEnds) {
    Program& device = *this->device;
    Program& commander = *this->commander;
    device.Signal(SIGKILL);
    device.Wait();
    EXPECT_EQ(commander.Wait(), 0) << commander.seen();
}

TEST(CommanderProcessTest, NoCardMeansNoCommander) {
    qmx2::commander::testing::TempRoot root;
    Program commander({BuiltProgram("Qmx2Com"), "--root=" + root.path()});
    EXPECT_EQ(commander.Wait(), 0);
    EXPECT_FALSE(commander.WaitForErrorLine("Qmx2Com"));
}

}  // namespace
