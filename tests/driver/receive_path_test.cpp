// What only the driver's receive and transmit paths do, on the scripted hardware layer: the
// ring, XON/XOFF, hardware flow control, writes to stuck hardware, aborts between waits. The
// rules every port keeps (time-outs, event waits) are in port_rules_test.cpp.
#include <gtest/gtest.h>

#include "platform/last_error.h"
#include "tests/driver/port_harness.h"

namespace qmx2::driver::testing {
namespace {

using namespace platform;

struct ReadResult {
    int32_t count = -2;
    std::string bytes;
    uint64_t took_ms = 0;
};

ReadResult Read(PortHarness& h, PortOpen* o, uint32_t length) {
    ReadResult r;
    std::string buffer(length, '\0');
    const uint64_t start = h.clock->TickMs();
    r.count = PortRead(o, reinterpret_cast<uint8_t*>(buffer.data()), length);
    r.took_ms = h.clock->TickMs() - start;
    if (r.count > 0) r.bytes = buffer.substr(0, static_cast<size_t>(r.count));
    return r;
}

// The abort lands while the reader is between its ring check and its wait (here: while it
// sends XON); it must still end that read.
TEST(ReadTimeouts, PurgeRxAbortJustBeforeTheWaitIsNotLost) {
    PortHarness h;
    PortOpen* o = h.OpenReadWrite();
    DCB d = h.Dcb(o);
    d.fInX = 1;
    ASSERT_TRUE(h.Set(o, IOCTL_SERIAL_SET_DCB, d));
    h.SetTimeouts(o, 0, 0, 5000);
    h.device->SetFlags(kXoffSent);
    h.hw.on_immediate = [&] { Purge(h.device, PURGE_RXABORT); };
    const ReadResult r = Read(h, o, 10);
    EXPECT_EQ(h.hw.immediate, std::vector<uint8_t>{0x11});
    EXPECT_EQ(r.took_ms, 0u);
}

TEST(ReadAccess, NoContextIsAnInvalidHandle) {
    PortHarness h;
    uint8_t b[4];
    SetLastError(0);
    EXPECT_EQ(PortRead(nullptr, b, 4), -1);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(Ring, WrapsAroundAndNeverFillsCompletely) {
    PortHarness h;
    PortOpen* o = h.OpenReadWrite();
    h.SetTimeouts(o, MAXDWORD, 0, 0);
    std::string all;
    for (int i = 0; i < 2100; ++i) all.push_back(static_cast<char>('a' + i % 26));
    h.hw.Inject(all.substr(0, 1500));
    h.clock->SleepMs(1);
    EXPECT_EQ(Read(h, o, 1400).count, 1400);
    h.hw.Inject(all.substr(1500));
    h.clock->SleepMs(1);
    const ReadResult r = Read(h, o, 2048);
    EXPECT_EQ(r.bytes, all.substr(1400));
    EXPECT_EQ(h.device->received.load(), 2100u);
}

TEST(Ring, FullRingDropsBytesSixteenAtATime) {
    PortHarness h;
    PortOpen* o = h.OpenReadWrite();
    h.SetTimeouts(o, MAXDWORD, 0, 0);
    h.hw.Inject(std::string(2047 + 40, 'z'));
    h.clock->SleepMs(1);
    EXPECT_EQ(h.device->Available(), 2047u);
    EXPECT_EQ(h.device->dropped.load(), 40u);
    EXPECT_EQ(Read(h, o, 4096).count, 2047);
}

TEST(SoftwareFlow, XonXoffAreRemovedAndXoffHoldsTransmission) {
    PortHarness h;
    PortOpen* o = h.OpenReadWrite();
    DCB d = h.Dcb(o);
    d.fOutX = 1;
    ASSERT_TRUE(h.Set(o, IOCTL_SERIAL_SET_DCB, d));
    h.SetTimeouts(o, MAXDWORD, 0, 0);
    h.hw.Inject("a\x13" "b");
    h.clock->SleepMs(1);
    EXPECT_EQ(Read(h, o, 10).bytes, "ab");
    EXPECT_TRUE(h.device->HasFlags(kTransmitHeld));

    int32_t written = -1;
    uint64_t took = 0;
    Thread writer(*h.clock, [&] {
        const uint64_t start = h.clock->TickMs();
        written = PortWrite(o, reinterpret_cast<const uint8_t*>("hello"), 5);
        took = h.clock->TickMs() - start;
    });
    h.clock->SleepMs(95);
    EXPECT_EQ(h.hw.Taken(), "");  // held: nothing handed to the hardware
    h.hw.Inject("\x11");
    writer.Join();
    EXPECT_EQ(written, 5);
    EXPECT_EQ(h.hw.Taken(), "hello");
    EXPECT_EQ(took, 100u);  // retried every 10 ms
    EXPECT_EQ(Read(h, o, 10).count, 0);  // the XON was removed as well
}

TEST(SoftwareFlow, HighFlowCharactersAreRecognised) {
    PortHarness h;
    PortOpen* o = h.OpenReadWrite();
    DCB d = h.Dcb(o);
    d.fOutX = 1;
    d.XoffChar = static_cast<char>(0x93);
    d.XonChar = static_cast<char>(0x91);
    ASSERT_TRUE(h.Set(o, IOCTL_SERIAL_SET_DCB, d));
    h.SetTimeouts(o, MAXDWORD, 0, 0);
    h.hw.Inject("x\x93y\x13");
    h.clock->SleepMs(1);
    EXPECT_EQ(Read(h, o, 10).bytes, "xy\x13");
    EXPECT_TRUE(h.device->HasFlags(kTransmitHeld));
    h.hw.Inject("\x91");
    h.clock->SleepMs(1);
    EXPECT_FALSE(h.device->HasFlags(kTransmitHeld));
}

TEST(SoftwareFlow, XoffSentNearFullAndXonWhenAReadFreesRoom) {
    PortHarness h;
    PortOpen* o = h.OpenReadWrite();
    DCB d = h.Dcb(o);
    d.fInX = 1;
    ASSERT_TRUE(h.Set(o, IOCTL_SERIAL_SET_DCB, d));
    h.SetTimeouts(o, MAXDWORD, 0, 0);
    h.hw.Inject(std::string(1919, 'q'));
    h.clock->SleepMs(1);
    EXPECT_TRUE(h.hw.immediate.empty());
    h.hw.Inject("q");
    h.clock->SleepMs(1);
    ASSERT_EQ(h.hw.immediate, std::vector<uint8_t>{0x13});
    EXPECT_TRUE(h.device->HasFlags(kXoffSent));
    EXPECT_TRUE(h.device->HasFlags(kTransmitHeld));
    SERIAL_DEV_STATUS status{};
    EXPECT_TRUE(h.Get(o, IOCTL_SERIAL_GET_COMMSTATUS, &status));
    EXPECT_EQ(status.ComStat.cbInQue, 1920u);
    EXPECT_EQ(status.ComStat.fXoffSent, 1u);
    EXPECT_EQ(Read(h, o, 1).count, 1);  // 1919 left: room 129 > 128
    EXPECT_EQ(h.hw.immediate, (std::vector<uint8_t>{0x13, 0x11}));
    EXPECT_FALSE(h.device->HasFlags(kXoffSent | kTransmitHeld));
}

TEST(HardwareFlow, RtsDropsAbove1536AndRisesBelow1024) {
    PortHarness h;
    PortOpen* o = h.OpenReadWrite();
    DCB d = h.Dcb(o);
    d.fRtsControl = RTS_CONTROL_HANDSHAKE;
    ASSERT_TRUE(h.Set(o, IOCTL_SERIAL_SET_DCB, d));
    EXPECT_TRUE(h.hw.Rts());
    h.SetTimeouts(o, MAXDWORD, 0, 0);
    h.hw.Inject(std::string(1536, 'r'));
    h.clock->SleepMs(1);
    EXPECT_TRUE(h.hw.Rts());
    h.hw.Inject("r");
    h.clock->SleepMs(1);
    EXPECT_FALSE(h.hw.Rts());
    EXPECT_TRUE(h.device->HasFlags(kRtsDropped));
    // The mark keeps RTS down across new settings while the ring stays above three quarters.
    ASSERT_TRUE(h.Set(o, IOCTL_SERIAL_SET_DCB, d));
    EXPECT_FALSE(h.hw.Rts());
    EXPECT_EQ(Read(h, o, 513).count, 513);  // 1024 left: not below half
    EXPECT_FALSE(h.hw.Rts());
    EXPECT_EQ(Read(h, o, 1).count, 1);  // 1023 left
    EXPECT_TRUE(h.hw.Rts());
    EXPECT_FALSE(h.device->HasFlags(kRtsDropped));
}

TEST(HardwareFlow, DtrHandshakeDropsAndPurgeRaisesIt) {
    PortHarness h;
    PortOpen* o = h.OpenReadWrite();
    DCB d = h.Dcb(o);
    d.fDtrControl = DTR_CONTROL_HANDSHAKE;
    ASSERT_TRUE(h.Set(o, IOCTL_SERIAL_SET_DCB, d));
    h.hw.Inject(std::string(1600, 'd'));
    h.clock->SleepMs(1);
    EXPECT_FALSE(h.hw.dtr);
    const uint32_t flags = PURGE_RXCLEAR;
    EXPECT_TRUE(h.Set(o, IOCTL_SERIAL_PURGE, flags));
    EXPECT_TRUE(h.hw.dtr);
    EXPECT_EQ(h.device->Available(), 0u);
    SetLastError(0);
    EXPECT_FALSE(PortIoControl(o, IOCTL_SERIAL_SET_DTR, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST(Write, HandsBytesOverAsFastAsTheHardwareTakesThem) {
    PortHarness h;
    PortOpen* o = h.OpenReadWrite();
    const std::string text(100, 'w');
    EXPECT_EQ(PortWrite(o, reinterpret_cast<const uint8_t*>(text.data()), 100), 100);
    EXPECT_EQ(h.hw.Taken(), text);
    EXPECT_EQ(h.device->transmitted.load(), 100u);
}

TEST(Write, StuckHardwareEndsAtTheTotalTimeout) {
    PortHarness h;
    PortOpen* o = h.OpenReadWrite();
    h.hw.tx_per_call = 0;
    const COMMTIMEOUTS t{0, 0, 0, 2, 50};
    ASSERT_TRUE(h.Set(o, IOCTL_SERIAL_SET_TIMEOUTS, t));
    const uint64_t start = h.clock->TickMs();
    EXPECT_EQ(PortWrite(o, reinterpret_cast<const uint8_t*>("abcde"), 5), 0);
    EXPECT_EQ(h.clock->TickMs() - start, 60u);
}

TEST(Write, PurgeTxAbortReleasesABlockedWriter) {
    PortHarness h;
    PortOpen* o = h.OpenReadWrite();
    h.hw.tx_per_call = 0;
    int32_t written = -1;
    Thread writer(*h.clock, [&] { written = PortWrite(o, reinterpret_cast<const uint8_t*>("ab"), 2); });
    h.clock->SleepMs(30);
    const uint32_t flags = PURGE_TXABORT;
    EXPECT_TRUE(h.Set(o, IOCTL_SERIAL_PURGE, flags));
    writer.Join();
    EXPECT_EQ(written, 0);
}

TEST(Events, ClosingReleasesAWaiterWithFalse) {
    PortHarness h;
    PortOpen* keep = h.Open(0);
    PortOpen* watcher = h.Open(0);
    const uint32_t mask = EV_RING;
    ASSERT_TRUE(h.Set(watcher, IOCTL_SERIAL_SET_WAIT_MASK, mask));
    bool ok = true;
    Thread waiter(*h.clock, [&] {
        uint32_t events = 0;
        ok = WaitOnMask(watcher, &events);
    });
    h.clock->SleepMs(20);
    EXPECT_TRUE(PortClose(watcher));
    waiter.Join();
    EXPECT_FALSE(ok);
    EXPECT_TRUE(PortClose(keep));
}

}  // namespace
}  // namespace qmx2::driver::testing
