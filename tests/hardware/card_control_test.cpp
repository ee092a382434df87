// Live control of a running card: the command lines, and the same lines through the control
// socket while a program holds the card's port.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <poll.h>
#include <unistd.h>

#include <cstring>

#include "hardware/card/control.h"
#include "hardware/card/control_server.h"
#include "hardware/card/sim_card.h"
#include "platform/clock.h"

namespace qmx2::hardware::card {
namespace {

class ControlTest : public ::testing::Test {
protected:
    std::string Run(std::string_view line) { return RunControlCommand(port, line); }
    std::unique_ptr<platform::VirtualClock> clock = platform::MakeVirtualClock();
    CardPort port{*clock, DefaultScenario()};
};

TEST_F(ControlTest, DeliverPutsAMessageInTheFirstFreeSlot) {
    EXPECT_EQ(Run("deliver +4912345 \"Hello \\\"you\\\"\\nbye\""), "OK 1");
    EXPECT_EQ(Run("deliver 040123 \"second\""), "OK 2");
    port.WithPhone([](Phone& p) {
        EXPECT_EQ(p.sim().messages[0]->text, "Hello \"you\"\nbye");
        EXPECT_EQ(p.sim().messages[0]->status, "REC UNREAD");
    });
    EXPECT_EQ(Run("fill-memory"), "OK 28");
    EXPECT_EQ(Run("deliver +4912345 \"x\""), "ERROR memory full");
    EXPECT_EQ(Run("status"), "OK powered=1 inserted=1 messages=30/30 operator=24405 signal=20 sent=0");
}

TEST_F(ControlTest, BadCommandsAreRefused) {
    EXPECT_EQ(Run("deliver +49abc \"x\""), "ERROR usage: deliver NUMBER \"TEXT\"");
    EXPECT_EQ(Run("deliver +4912 unquoted"), "ERROR usage: deliver NUMBER \"TEXT\"");
    EXPECT_EQ(Run("deliver +4912 \"open"), "ERROR usage: deliver NUMBER \"TEXT\"");
    EXPECT_EQ(Run("signal 32"), "ERROR usage: signal 0..31|99");
    EXPECT_EQ(Run("signal"), "ERROR usage: signal 0..31|99");
    EXPECT_EQ(Run("operator 99999"), "ERROR not in reach");
    EXPECT_EQ(Run("power maybe"), "ERROR unknown command");
    EXPECT_EQ(Run(""), "ERROR unknown command");
    EXPECT_EQ(Run("sent 1"), "ERROR no such message");
}

TEST_F(ControlTest, SignalOperatorPowerAndPull) {
    EXPECT_EQ(Run("signal 5"), "OK");
    EXPECT_EQ(Run("operator 24491"), "OK");
    EXPECT_EQ(Run("power off"), "OK");
    EXPECT_FALSE(port.powered());
    EXPECT_EQ(Run("power on"), "OK");
    EXPECT_EQ(Run("status"), "OK powered=1 inserted=1 messages=0/30 operator=24491 signal=5 sent=0");
    EXPECT_EQ(Run("pull"), "OK");
    EXPECT_EQ(Run("power on"), "ERROR card pulled");
    EXPECT_EQ(Run("status"), "OK powered=0 inserted=0 messages=0/30 operator=24491 signal=5 sent=0");
    EXPECT_EQ(Run("insert"), "OK");
    EXPECT_EQ(Run("power on"), "OK");
}

TEST_F(ControlTest, SentMessagesCanBeRead) {
    port.WithPhone([](Phone& p) {
        const std::string input = "AT+CMGS=\"+4912345\"\rfirst\nline\x1a";
        p.Receive({reinterpret_cast<const uint8_t*>(input.data()), input.size()});
    });
    EXPECT_EQ(Run("sent 1"), "OK +4912345 \"first\\nline\"");
}

TEST(ControlQuoting, RoundTrip) {
    for (std::string text : {"", "plain", "a \"b\" \\ c\r\n"}) {
        EXPECT_EQ(UnquoteControlText(QuoteControlText(text)), text);
    }
    EXPECT_FALSE(UnquoteControlText("\"a\\x\""));
    EXPECT_FALSE(UnquoteControlText("\"a\"b\""));
    EXPECT_FALSE(UnquoteControlText("\"\\\""));
}

// A client of the control socket; waits for answers with poll, never by sleeping.
class ControlClient {
public:
    explicit ControlClient(const std::string& path) : fd_(socket(AF_UNIX, SOCK_STREAM, 0)) {
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        std::strncpy(a.sun_path, path.c_str(), sizeof(a.sun_path) - 1);
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~ControlClient() { close(fd_); }
    bool connected() const { return connected_; }
    std::string Ask(const std::string& line) {
        const std::string out = line + "\n";
        if (write(fd_, out.data(), out.size()) != static_cast<ssize_t>(out.size())) return "write failed";
        std::string answer;
        while (answer.empty() || answer.back() != '\n') {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 10'000) <= 0) return "no answer";
            char buf[256];
            const ssize_t n = read(fd_, buf, sizeof buf);
            if (n <= 0) return "closed";
            answer.append(buf, static_cast<size_t>(n));
        }
        answer.pop_back();
        return answer;
    }

private:
    int fd_;
    bool connected_ = false;
};

TEST(ControlSocket, CommandsThroughTheSocket) {
    auto clock = platform::MakeVirtualClock();
    const std::string path = "/tmp/qmx2-card-control-" + std::to_string(getpid()) + ".ctl";
    std::string error;
    auto card = MakeSimCard(*clock, "", path, &error);
    ASSERT_TRUE(card) << error;
    ControlClient a(path), b(path);
    ASSERT_TRUE(a.connected());
    ASSERT_TRUE(b.connected());
    EXPECT_EQ(a.Ask("deliver +4912345 \"over the socket\""), "OK 1");
    EXPECT_EQ(b.Ask("status"), "OK powered=1 inserted=1 messages=1/30 operator=24405 signal=20 sent=0");
    EXPECT_EQ(a.Ask("nonsense"), "ERROR unknown command");
    card.reset();
    EXPECT_NE(access(path.c_str(), F_OK), 0);  // the socket file goes with the card
}

TEST(ControlSocket, BadPathsAndScenarios) {
    auto clock = platform::MakeVirtualClock();
    std::string error;
    EXPECT_FALSE(MakeSimCard(*clock, "", "/nonexistent-dir/x.ctl", &error));
    EXPECT_NE(error.find("/nonexistent-dir/x.ctl"), std::string::npos) << error;
    EXPECT_FALSE(MakeSimCard(*clock, "=/nonexistent/s.json", "", &error));
    EXPECT_EQ(error, "/nonexistent/s.json: cannot be read");
    EXPECT_FALSE(MakeSimCard(*clock, "x", "", &error));
    EXPECT_TRUE(MakeSimCard(*clock, "", "", &error));
}

}  // namespace
}  // namespace qmx2::hardware::card
