// The card as a serial port in a device namespace: its power, pacing at the line's speed on the
// virtual clock, read time-outs and event waits on a paced line, purge, removal. The rules it
// keeps as every port does are in tests/driver/port_rules_test.cpp.
#include <gtest/gtest.h>

#include <string>

#include "hardware/card/card_port.h"
#include "platform/clock.h"
#include "platform/device_file.h"
#include "platform/last_error.h"
#include "platform/sync.h"

namespace qmx2::hardware::card {
namespace {

using namespace qmx2::platform;

constexpr uint32_t kReadWrite = GENERIC_READ | GENERIC_WRITE;

class CardPortTest : public ::testing::Test {
protected:
    void SetUp() override { devices.Register(u"COM3:", &port); }

    // Opens the port as the AT command transaction does: 19200 bit/s, 500 ms per byte.
    void OpenLikeTheTransaction(DeviceFile& f) {
        ASSERT_TRUE(f.Open(devices, u"COM3:", kReadWrite, 0));
        DCB dcb{};
        ASSERT_TRUE(f.GetCommState(&dcb));
        dcb.BaudRate = 19200;
        ASSERT_TRUE(f.SetCommState(dcb));
        ASSERT_TRUE(f.SetCommTimeouts({0, 500, 0, 0, 0}));
        ASSERT_TRUE(f.SetCommMask(EV_RXCHAR));
    }
    void Write(DeviceFile& f, std::string_view s) {
        uint32_t n = 0;
        ASSERT_TRUE(f.Write(s.data(), static_cast<uint32_t>(s.size()), &n));
        ASSERT_EQ(n, s.size());
    }
    // Reads byte by byte until `end` has arrived or a read brings nothing.
    std::string ReadUntil(DeviceFile& f, std::string_view end) {
        std::string got;
        char c;
        uint32_t n = 0;
        while (f.Read(&c, 1, &n) && n == 1) {
            got.push_back(c);
            if (got.size() >= end.size() && got.compare(got.size() - end.size(), end.size(), end) == 0) break;
        }
        return got;
    }

    std::unique_ptr<VirtualClock> clock = MakeVirtualClock();
    CardPort port{*clock, DefaultScenario()};
    Devices devices;
};

TEST_F(CardPortTest, PowerRequestsOnAHandleWithoutAccess) {
    port.SetPowered(false);
    DeviceFile f, q;
    EXPECT_FALSE(f.Open(devices, u"COM3:", kReadWrite, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_ACCESS);
    ASSERT_TRUE(q.Open(devices, u"COM3:", 0, 0));
    uint8_t one = 1;
    uint32_t state = 7, ret = 0;
    ASSERT_TRUE(q.IoControl(IOCTL_CARD_IS_POWERED, &one, 1, &state, 4, &ret));
    EXPECT_EQ(state, 0u);
    EXPECT_EQ(ret, 4u);
    uint16_t out2 = 0;
    ASSERT_TRUE(q.IoControl(IOCTL_CARD_POWER_UP, &one, 1, &out2, 2, &ret));
    ASSERT_TRUE(q.IoControl(IOCTL_CARD_IS_POWERED, &one, 1, &state, 4, &ret));
    EXPECT_EQ(state, 1u);
    EXPECT_TRUE(f.Open(devices, u"COM3:", kReadWrite, 0));
    // A handle without access may not move bytes.
    char c;
    uint32_t n;
    EXPECT_FALSE(q.Read(&c, 1, &n));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_ACCESS);
}

TEST_F(CardPortTest, ATransactionTakesTheLineTimeAt19200) {
    DeviceFile f;
    OpenLikeTheTransaction(f);
    const uint64_t start = clock->TickMs();
    Write(f, "AT+CSQ");
    Write(f, "\r");
    const std::string reply = ReadUntil(f, "\r\nOK\r\n");
    EXPECT_EQ(reply, "AT+CSQ\r\r\n+CSQ: 20,99\r\n\r\nOK\r\n");
    // The echo runs beside the command; the reply follows the echo of the CR: 29 byte times of
    // 0.52 ms each (15.1 ms), and the waits end on whole milliseconds.
    const uint64_t took = clock->TickMs() - start;
    EXPECT_GE(took, 15u);
    EXPECT_LE(took, 18u);
}

TEST_F(CardPortTest, ALongListingArrivesAtTheLineRate) {
    port.WithPhone([](Phone& p) { p.FillMemory(); });
    DeviceFile f;
    OpenLikeTheTransaction(f);
    Write(f, "AT+CMGL=\"ALL\"\r");
    std::string listing = ReadUntil(f, "AT+CMGL=\"ALL\"\r");
    const uint64_t first = clock->TickMs();
    listing = ReadUntil(f, "\r\nOK\r\n");
    const double took_ms = static_cast<double>(clock->TickMs() - first);
    const double line_ms = static_cast<double>(listing.size()) * 10.0 * 1000.0 / 19200.0;
    EXPECT_GT(listing.size(), 1000u);
    EXPECT_NEAR(took_ms, line_ms, line_ms * 0.02);
}

TEST_F(CardPortTest, ReadTimeOutsOnTheClock) {
    DeviceFile f;
    OpenLikeTheTransaction(f);
    char buf[4];
    uint32_t n = 9;
    const uint64_t start = clock->TickMs();
    ASSERT_TRUE(f.Read(buf, 1, &n));
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(clock->TickMs() - start, 500u);
    // A read that never waits returns what is there, possibly nothing.
    ASSERT_TRUE(f.SetCommTimeouts({MAXDWORD, 0, 0, 0, 0}));
    ASSERT_TRUE(f.Read(buf, 4, &n));
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(clock->TickMs() - start, 500u);
    // A total time-out counts per byte asked for.
    ASSERT_TRUE(f.SetCommTimeouts({0, 10, 100, 0, 0}));
    ASSERT_TRUE(f.Read(buf, 4, &n));
    EXPECT_EQ(clock->TickMs() - start, 640u);
}

TEST_F(CardPortTest, EventMaskWaitIsReleasedByArrivingBytesAndByAMaskChange) {
    DeviceFile f;
    OpenLikeTheTransaction(f);
    Write(f, "AT\r");
    uint32_t events = 0;
    ASSERT_TRUE(f.WaitCommEvent(&events));
    EXPECT_EQ(events, EV_RXCHAR);
    COMSTAT st{};
    uint32_t errors = 0;
    ASSERT_TRUE(f.ClearCommError(&errors, &st));
    EXPECT_GT(st.cbInQue, 0u);
    ASSERT_TRUE(f.PurgeComm(PURGE_RXCLEAR));
    clock->Advance(100);
    ASSERT_TRUE(f.PurgeComm(PURGE_RXCLEAR));
    ASSERT_TRUE(f.ClearCommError(&errors, &st));
    EXPECT_EQ(st.cbInQue, 0u);

    ASSERT_TRUE(f.SetCommMask(EV_RXCHAR));  // forgets the events fired meanwhile
    Event started(*clock, true);
    uint32_t got = 99;
    bool ok = false;
    Thread waiter(*clock, [&] {
        started.Set();
        ok = f.WaitCommEvent(&got);
    });
    started.Wait();
    clock->SleepMs(50);
    ASSERT_TRUE(f.SetCommMask(EV_RXCHAR | EV_ERR));
    ASSERT_TRUE(waiter.Join(1000));
    EXPECT_TRUE(ok);
    EXPECT_EQ(got, 0u);
}

TEST_F(CardPortTest, LiveMessageIsSeenByAWaitingReader) {
    DeviceFile f;
    OpenLikeTheTransaction(f);
    Write(f, "AT+CNMI=1,1,0,0,0\r");
    ReadUntil(f, "OK\r\n");
    ASSERT_TRUE(f.SetCommTimeouts({0, 0, 5000, 0, 0}));
    Thread sender(*clock, [&] {
        clock->SleepMs(1000);
        port.WithPhone([](Phone& p) { return p.DeliverMessage("+4912345", "hi"); });
    });
    char buf[64] = {};
    uint32_t n = 0;
    const uint64_t start = clock->TickMs();
    ASSERT_TRUE(f.Read(buf, 17, &n));
    EXPECT_EQ(std::string(buf, n), "\r\n+CMTI: \"SM\",1\r\n");
    EXPECT_LT(clock->TickMs() - start, 1100u);
}

TEST_F(CardPortTest, PullingTheCardEndsEveryHandle) {
    int removed = 0;
    port.SetRemovalListener([&] { ++removed; });
    DeviceFile f, g;
    OpenLikeTheTransaction(f);
    port.Pull();
    EXPECT_EQ(removed, 1);
    char c;
    uint32_t n;
    EXPECT_FALSE(f.Read(&c, 1, &n));
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_REMOVED);
    EXPECT_FALSE(g.Open(devices, u"COM3:", 0, 0));
    port.Insert();
    EXPECT_FALSE(port.powered());
    EXPECT_TRUE(g.Open(devices, u"COM3:", 0, 0));
}

TEST_F(CardPortTest, ATransmitAbortEndsAPacedWriteAndPowerDownSilencesTheLine) {
    DeviceFile f;
    ASSERT_TRUE(f.Open(devices, u"COM3:", kReadWrite, 0));
    Thread aborter(*clock, [&] {
        clock->SleepMs(100);
        EXPECT_TRUE(f.PurgeComm(PURGE_TXABORT));
    });
    // 1000 bytes take 1042 ms at 9600 bit/s; the abort stops them after about 96.
    const std::string line(1000, 'A');
    uint32_t n = 0;
    ASSERT_TRUE(f.Write(line.data(), static_cast<uint32_t>(line.size()), &n));
    EXPECT_GE(n, 90u);
    EXPECT_LE(n, 100u);
    EXPECT_EQ(clock->TickMs(), 100u);
    ASSERT_TRUE(aborter.Join(1000));

    uint32_t lines = 0;
    ASSERT_TRUE(f.GetCommModemStatus(&lines));
    EXPECT_EQ(lines, MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON);
    port.SetPowered(false);
    ASSERT_TRUE(f.GetCommModemStatus(&lines));
    EXPECT_EQ(lines, 0u);
}

TEST_F(CardPortTest, UnpacedPortMovesBytesAtOnce) {
    CardPort fast(*clock, DefaultScenario(), {.paced = false});
    devices.Register(u"COM4:", &fast);
    DeviceFile f;
    ASSERT_TRUE(f.Open(devices, u"COM4:", kReadWrite, 0));
    ASSERT_TRUE(f.SetCommTimeouts({0, 500, 0, 0, 0}));
    const uint64_t start = clock->TickMs();
    Write(f, "AT\r");
    EXPECT_EQ(ReadUntil(f, "OK\r\n"), "AT\r\r\nOK\r\n");
    EXPECT_EQ(clock->TickMs(), start);
}

}  // namespace
}  // namespace qmx2::hardware::card
