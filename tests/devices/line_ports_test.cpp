// The kernel-tty and TCP lines under the software serial port, against a pseudo-terminal and a
// local socket on the real clock. The waits are bounded by bytes arriving, not by sleeping.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <termios.h>

#include "devices/card_backend.h"
#include "devices/tcp_port.h"
#include "devices/tty_port.h"
#include "platform/device_file.h"
#include "platform/last_error.h"
#include "platform/sync.h"
#include "tests/devices/pty_pair.h"

namespace qmx2::devices {
namespace {

using namespace qmx2::platform;
using testing::PtyPair;

// Reads exactly n bytes, giving the line up to five seconds.
std::string ReadExactly(DeviceFile& f, uint32_t n) {
    EXPECT_TRUE(f.SetCommTimeouts({0, 0, 5000, 0, 0}));
    std::string buf(n, '\0');
    uint32_t got = 0;
    EXPECT_TRUE(f.Read(buf.data(), n, &got));
    buf.resize(got);
    return buf;
}

class TtyPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(pty.slave_path.empty());
        std::string error;
        port = TtyPort::Open(*clock, pty.slave_path, &error);
        ASSERT_TRUE(port) << error;
        devices.Register(u"COM3:", port.get());
        ASSERT_TRUE(file.Open(devices, u"COM3:", GENERIC_READ | GENERIC_WRITE, 0));
    }
    std::unique_ptr<Clock> clock = MakeRealClock();
    PtyPair pty;
    std::unique_ptr<TtyPort> port;
    Devices devices;
    DeviceFile file;
};

TEST_F(TtyPortTest, BytesCrossTheTtyBothWaysUntranslated) {
    const std::string command("AT+CMGS=\"123\"\r\x1a\n", 17);
    uint32_t n = 0;
    ASSERT_TRUE(file.Write(command.data(), static_cast<uint32_t>(command.size()), &n));
    EXPECT_EQ(pty.Receive(command.size()), command);
    const std::string reply("\r\n\0\xff\x80garbage\r\nOK\r\n", 19);
    ASSERT_TRUE(pty.Send(reply));
    EXPECT_EQ(ReadExactly(file, static_cast<uint32_t>(reply.size())), reply);
}

TEST_F(TtyPortTest, LineSettingsReachTheKernel) {
    DCB d;
    ASSERT_TRUE(file.GetCommState(&d));
    d.BaudRate = 19200;
    d.StopBits = TWOSTOPBITS;
    d.fOutX = 1;
    ASSERT_TRUE(file.SetCommState(d));
    termios t{};
    const int slave = open(pty.slave_path.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(slave, 0);
    ASSERT_EQ(tcgetattr(slave, &t), 0);
    close(slave);
    EXPECT_EQ(cfgetospeed(&t), static_cast<speed_t>(B19200));
    // A pseudo-terminal keeps 8 bits without parity whatever it is told; these it keeps.
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_TRUE(t.c_iflag & IXON);
    EXPECT_FALSE(t.c_iflag & IXOFF);
    EXPECT_FALSE(t.c_lflag & (ECHO | ICANON));
    d.BaudRate = 12345;  // no such kernel speed
    EXPECT_FALSE(file.SetCommState(d));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    ASSERT_TRUE(file.GetCommState(&d));
    EXPECT_EQ(d.BaudRate, 19200u);
}

TEST_F(TtyPortTest, ATtyThatGoesAwayMidReadFailsTheReadAndRefusesNewOpens) {
    ASSERT_TRUE(pty.Send("+CSQ"));
    EXPECT_EQ(ReadExactly(file, 4), "+CSQ");
    ASSERT_TRUE(file.SetCommTimeouts({0, 0, 0, 0, 0}));
    Thread modem(*clock, [&] { pty.CloseMaster(); });
    char buf[16];
    uint32_t got = 7;
    EXPECT_FALSE(file.Read(buf, sizeof(buf), &got));  // would wait for ever on a live line
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_REMOVED);
    EXPECT_TRUE(port->IsLineLost());
    file.Close();
    DeviceFile again;
    EXPECT_FALSE(again.Open(devices, u"COM3:", GENERIC_READ | GENERIC_WRITE, 0));
    EXPECT_EQ(GetLastError(), ERROR_OPEN_FAILED);
}

TEST(TtyPortOpen, MissingDeviceAndNonTerminalAreRefusedWithAReason) {
    auto clock = MakeRealClock();
    std::string error;
    EXPECT_FALSE(TtyPort::Open(*clock, "/dev/qmx2-no-such-tty", &error));
    EXPECT_EQ(error, "cannot open /dev/qmx2-no-such-tty: No such file or directory");
    EXPECT_FALSE(TtyPort::Open(*clock, "/dev/null", &error));
    EXPECT_EQ(error, "/dev/null is not a terminal device");
}

class TcpPortTest : public ::testing::Test {
protected:
    void SetUp() override {
        listener = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ASSERT_EQ(bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof(a)), 0);
        ASSERT_EQ(listen(listener, 1), 0);
        socklen_t len = sizeof(a);
        getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
        port_number = std::to_string(ntohs(a.sin_port));
    }
    void TearDown() override {
        if (peer >= 0) close(peer);
        close(listener);
    }
    std::unique_ptr<Clock> clock = MakeRealClock();
    int listener = -1, peer = -1;
    std::string port_number;
};

TEST_F(TcpPortTest, ModemOverTcpExchangesBytesAndAPeerThatLeavesEndsTheLine) {
    std::string error;
    auto port = TcpPort::Connect(*clock, "127.0.0.1", port_number, &error);
    ASSERT_TRUE(port) << error;
    peer = accept(listener, nullptr, nullptr);
    ASSERT_GE(peer, 0);
    Devices devices;
    devices.Register(u"COM3:", port.get());
    DeviceFile f;
    ASSERT_TRUE(f.Open(devices, u"COM3:", GENERIC_READ | GENERIC_WRITE, 0));
    uint32_t n = 0;
    ASSERT_TRUE(f.Write("AT\r", 3, &n));
    char buf[8] = {};
    ASSERT_EQ(recv(peer, buf, 3, MSG_WAITALL), 3);
    EXPECT_EQ(std::string(buf, 3), "AT\r");
    ASSERT_EQ(send(peer, "\0OK", 3, 0), 3);
    EXPECT_EQ(ReadExactly(f, 3), std::string("\0OK", 3));
    close(peer);
    peer = -1;
    EXPECT_TRUE(port->WaitLineLost(5000));
    EXPECT_FALSE(f.Read(buf, 1, &n));
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_REMOVED);
}

TEST_F(TcpPortTest, NobodyListeningIsAConnectFailure) {
    close(listener);
    listener = socket(AF_INET, SOCK_STREAM, 0);
    std::string error;
    EXPECT_FALSE(TcpPort::Connect(*clock, "127.0.0.1", port_number, &error));
    EXPECT_EQ(error, "cannot connect to 127.0.0.1:" + port_number + ": Connection refused");
}

TEST(CardBackendChoice, CardArgumentsAreCheckedBeforeAnythingOpens) {
    auto clock = MakeRealClock();
    std::string error;
    EXPECT_FALSE(MakeCardBackend(*clock, "usb:/dev/ttyUSB0", &error));
    EXPECT_EQ(error, "unknown card \"usb:/dev/ttyUSB0\": use tty:/dev/ttyX or tcp:HOST:PORT");
    EXPECT_FALSE(MakeCardBackend(*clock, "tcp:modem", &error));
    EXPECT_FALSE(MakeCardBackend(*clock, "tty:", &error));
    EXPECT_FALSE(MakeCardBackend(*clock, "sim=scenario.json", &error));
    EXPECT_EQ(error, "the emulated card (--card sim) is not part of this build");
    auto card = MakeCardBackend(*clock, "tty:/dev/qmx2-no-such-tty", &error);
    ASSERT_TRUE(card);
    EXPECT_EQ(card->Describe(), "tty /dev/qmx2-no-such-tty");
    EXPECT_FALSE(card->Insert(&error));
    EXPECT_EQ(error, "cannot open /dev/qmx2-no-such-tty: No such file or directory");
    EXPECT_EQ(card->Driver(), nullptr);
    EXPECT_EQ(card->Identity().pnp_id, u"Orvan_Mobile_Phones-Orvan_Pellion-4C2D");
}

}  // namespace
}  // namespace qmx2::devices
