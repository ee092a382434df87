// qmx2-cardsim as a process: a program talks to the card through the kernel's pseudo-terminal,
// and through TCP. The waits are polls with a generous limit; nothing sleeps.
#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/hardware/card_paths.h"
#include "tests/support/program_launcher.h"

namespace {

// qmx2-cardsim with its standard output read line by line; killed and reaped at the end.
class CardSim {
public:
    explicit CardSim(std::vector<std::string> args) : program_(Command(std::move(args)), 10'000) {}
    // The first line the program prints: the terminal's path or the TCP address.
    std::string FirstLine() { return program_.OutputLine(); }
    // Ends the program with SIGTERM; true when it ended by itself with status 0.
    bool Stop() {
        program_.Signal(SIGTERM);
        return program_.Wait() == 0;
    }

private:
    static std::vector<std::string> Command(std::vector<std::string> args) {
        args.insert(args.begin(), qmx2::hardware::card::BuildFolder() + "/bin/qmx2-cardsim");
        return args;
    }
    qmx2::testing::Program program_;
};

// Writes a command and reads until `end` arrives (or 10 s pass without a byte).
std::string Exchange(int fd, const std::string& command, const std::string& end) {
    if (write(fd, command.data(), command.size()) != static_cast<ssize_t>(command.size())) return "write failed";
    std::string got;
    while (got.size() < end.size() || got.compare(got.size() - end.size(), end.size(), end) != 0) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 10'000) <= 0) break;
        char buf[256];
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) break;
        got.append(buf, static_cast<size_t>(n));
    }
    return got;
}

TEST(CardSimProcess, TalksOnAPseudoTerminal) {
    CardSim sim({"--pty", "--scenario", qmx2::hardware::card::SourceFolder() + "/hardware/scenarios/fresh-sim.json",
                 "--baud", "19200"});
    const std::string path = sim.FirstLine();
    ASSERT_EQ(path.rfind("/dev/pts/", 0), 0u) << path;
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    termios t{};
    ASSERT_EQ(tcgetattr(fd, &t), 0);
    cfmakeraw(&t);
    cfsetspeed(&t, B19200);
    ASSERT_EQ(tcsetattr(fd, TCSANOW, &t), 0);
    EXPECT_EQ(Exchange(fd, "AT+CPIN?\r", "OK\r\n"), "AT+CPIN?\r\r\n+CPIN: SIM PIN\r\n\r\nOK\r\n");
    EXPECT_EQ(Exchange(fd, "AT+CPIN=\"1234\"\r", "OK\r\n"), "AT+CPIN=\"1234\"\r\r\nOK\r\n");
    EXPECT_EQ(Exchange(fd, "AT+CMGS=\"+4912345\",145\r", "> "), "AT+CMGS=\"+4912345\",145\r\r\n> ");
    EXPECT_EQ(Exchange(fd, "via pty\x1a", "OK\r\n"), "via pty\r\n+CMGS: 1\r\n\r\nOK\r\n");
    close(fd);
    EXPECT_TRUE(sim.Stop());
}

TEST(CardSimProcess, TalksOverTcpAndKeepsTheCardBetweenClients) {
    const int port = 20000 + getpid() % 20000;
    CardSim sim({"--tcp", std::to_string(port), "--dialect", "standard"});
    ASSERT_EQ(sim.FirstLine(), "127.0.0.1:" + std::to_string(port));
    for (int round = 0; round < 2; ++round) {
        const int fd = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<uint16_t>(port));
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(connect(fd, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        if (round == 0) {
            EXPECT_EQ(Exchange(fd, "AT+CPBW=1,\"112\",129,\"SOS\"\r", "OK\r\n"), "AT+CPBW=1,\"112\",129,\"SOS\"\r\r\nOK\r\n");
        } else {
            EXPECT_EQ(Exchange(fd, "AT+CPBR=1\r", "OK\r\n"), "AT+CPBR=1\r\r\n+CPBR: 1,\"112\",129,\"SOS\"\r\n\r\nOK\r\n");
            EXPECT_EQ(Exchange(fd, "AT+CPBR=999\r", "\r\n"), "AT+CPBR=999\r\r\n+CME ERROR: 21\r\n");
        }
        close(fd);
    }
    EXPECT_TRUE(sim.Stop());
}

TEST(CardSimProcess, RefusesBadOptions) {
    CardSim none({"--tcp", "0"});
    EXPECT_EQ(none.FirstLine(), "");
    EXPECT_FALSE(none.Stop());
}

}  // namespace
