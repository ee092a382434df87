// Port lifecycle on the scripted hardware layer: initialisation, opens and the hardware, closing
// with callers inside, the dispatch thread. The open rules every port keeps are in
// port_rules_test.cpp.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/last_error.h"
#include "platform/serial_port_rules.h"
#include "tests/driver/port_harness.h"

namespace qmx2::driver::testing {
namespace {

using namespace platform;

constexpr uint32_t kReadWrite = GENERIC_READ | GENERIC_WRITE;

TEST(PortInit, ReadsKeysStartsCommanderAndSizesRing) {
    StartedPrograms().clear();
    PortHarness h;
    ASSERT_NE(h.device, nullptr);
    EXPECT_EQ(h.device->ring_size, 2048u);
    const COMMTIMEOUTS t = h.device->Timeouts();
    EXPECT_EQ(t.ReadIntervalTimeout, 250u);
    EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 10u);
    EXPECT_EQ(t.ReadTotalTimeoutConstant, 100u);
    ASSERT_EQ(StartedPrograms().size(), 1u);
    EXPECT_EQ(StartedPrograms()[0], u"Qmx2Com");
    EXPECT_EQ(h.device->dispatch_thread, nullptr);  // the card layer runs no thread
}

TEST(PortInit, RingIsTwiceTheHintButAtLeast2048) {
    PortHarness big(1, 2048);
    EXPECT_EQ(big.device->ring_size, 4096u);
    PortHarness small(1, 1024);
    EXPECT_EQ(small.device->ring_size, 2048u);
    PortHarness odd(1, 1500);
    EXPECT_EQ(odd.device->ring_size, 4096u);  // still a power of two
}

TEST(PortInit, MissingValuesOrBadIndexGiveNoPort) {
    PortHarness bad_index(3);
    EXPECT_EQ(bad_index.device, nullptr);
    PortHarness h;
    h.registry.Remove(kDriverKey, u"DeviceArrayIndex");
    next_scripted_hardware = &h.hw;
    EXPECT_EQ(PortInit(h.env, kActiveKey), nullptr);
    h.registry.Remove(kActiveKey, u"Key");
    EXPECT_EQ(PortInit(h.env, kActiveKey), nullptr);
    next_scripted_hardware = nullptr;
    EXPECT_EQ(PortInit(h.env, kActiveKey), nullptr);  // Create fails
}

TEST(PortInit, BuiltInIndexesRunTheDispatchThreadOnTheirInterrupt) {
    for (uint32_t index : {0u, 2u}) {
        PortHarness h(index);
        ASSERT_NE(h.device, nullptr);
        EXPECT_NE(h.device->dispatch_thread, nullptr);
        ASSERT_EQ(h.interrupts.initialized.size(), 1u);
        EXPECT_EQ(h.interrupts.initialized[0], index == 0 ? 19u : 25u);
        EXPECT_EQ(h.interrupts.data, 0x55u);
        // An interrupt through the platform event reaches the servicing routine.
        PortOpen* o = h.OpenReadWrite();
        h.hw.port = nullptr;  // only the dispatch thread services now
        {
            std::lock_guard lk(h.hw.mu);
            h.hw.rx.assign({'h', 'i'});
        }
        h.interrupts.event->Set();
        char buffer[2] = {};
        EXPECT_EQ(PortRead(o, reinterpret_cast<uint8_t*>(buffer), 2), 2);
        EXPECT_EQ(std::string(buffer, 2), "hi");
        EXPECT_TRUE(PortClose(o));
        EXPECT_TRUE(PortDeinit(h.device));
        h.device = nullptr;
        EXPECT_EQ(h.interrupts.disabled.size(), 1u);
    }
}

TEST(PortOpen, TheHardwareOpensOnceForOverlappingOpens) {
    PortHarness h;
    PortOpen* first = h.OpenReadWrite();
    ASSERT_NE(first, nullptr);
    PortOpen* plain1 = h.Open(0);
    PortOpen* plain2 = h.Open(0);
    EXPECT_NE(plain1, nullptr);
    EXPECT_NE(plain2, nullptr);
    EXPECT_EQ(h.device->open_count.load(), 3u);
    EXPECT_TRUE(PortClose(first));
    PortOpen* again = h.Open(GENERIC_READ);
    EXPECT_NE(again, nullptr);
    EXPECT_TRUE(PortClose(again));
    EXPECT_TRUE(PortClose(plain1));
    EXPECT_TRUE(PortClose(plain2));
    EXPECT_EQ(h.hw.opens, 1);
}

TEST(PortOpen, NullDeviceAndFailedHardwareOpen) {
    PortHarness h;
    SetLastError(0);
    EXPECT_EQ(PortOpenContext(nullptr, kReadWrite, 0), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    h.hw.open_fails = true;
    EXPECT_EQ(h.OpenReadWrite(), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_OPEN_FAILED);
    EXPECT_EQ(h.device->access_holder.load(), nullptr);
    EXPECT_EQ(h.device->open_list, nullptr);
    h.hw.open_fails = false;
    EXPECT_NE(h.OpenReadWrite(), nullptr);
}

TEST(PortOpen, AccessRefusedWhilePoweredDownAllowedAfterPowerUp) {
    PortHarness h(1, 0, /*powered=*/false);
    SetLastError(0);
    EXPECT_EQ(h.OpenReadWrite(), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_ACCESS);
    PortOpen* control = h.Open(0);
    ASSERT_NE(control, nullptr);
    uint32_t powered = 7, returned = 0;
    EXPECT_TRUE(h.Get(control, IOCTL_CARD_IS_POWERED, &powered, &returned));
    EXPECT_EQ(powered, 0u);
    EXPECT_EQ(returned, 4u);
    EXPECT_TRUE(PortIoControl(control, IOCTL_CARD_POWER_UP, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_FALSE(PortIoControl(control, IOCTL_CARD_POWER_UP, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_TRUE(h.Get(control, IOCTL_CARD_IS_POWERED, &powered));
    EXPECT_EQ(powered, 1u);
    EXPECT_NE(h.OpenReadWrite(), nullptr);
}

TEST(PortOpen, LayerWithoutPowerQueryCountsAsPowered) {
    PortHarness h(1, 0, false);
    h.hw.answers_power_query = false;
    EXPECT_NE(h.OpenReadWrite(), nullptr);
}

TEST(PortOpen, FirstOpenPutsTheDefaultLineOnTheHardwareAndClearsTheFlowState) {
    PortHarness h;
    PortOpen* o = h.OpenReadWrite();
    DCB d = h.Dcb(o);
    d.BaudRate = 19200;
    d.ByteSize = 7;
    d.Parity = EVENPARITY;
    d.StopBits = TWOSTOPBITS;
    d.fOutX = 1;
    d.fRtsControl = RTS_CONTROL_HANDSHAKE;
    d.fDtrControl = DTR_CONTROL_DISABLE;
    EXPECT_TRUE(h.Set(o, IOCTL_SERIAL_SET_DCB, d));
    EXPECT_TRUE(PortClose(o));

    o = h.OpenReadWrite();
    const DCB defaults = DefaultLineSettings();
    EXPECT_EQ(std::memcmp(&h.hw.dcb, &defaults, sizeof(DCB)), 0);
    EXPECT_FALSE(h.device->HasFlags(kSoftFlowInForce));
    EXPECT_EQ(h.hw.purges.back(), PURGE_RXCLEAR);
}

TEST(PortClose, ReleasesABlockedReaderAtOnce) {
    PortHarness h;
    PortOpen* o = h.OpenReadWrite();
    h.SetTimeouts(o, 0, 0, 0);  // wait without limit
    int32_t got = -2;
    uint32_t error = 0;
    uint64_t returned_at = 0;
    Thread reader(*h.clock, [&] {
        uint8_t buffer[8];
        got = PortRead(o, buffer, sizeof(buffer));
        error = GetLastError();
        returned_at = h.clock->TickMs();
    });
    h.clock->SleepMs(500);
    const uint64_t closed_at = h.clock->TickMs();
    EXPECT_TRUE(PortClose(o));
    reader.Join();
    EXPECT_EQ(got, 0);
    EXPECT_EQ(error, ERROR_INVALID_HANDLE);
    EXPECT_LE(returned_at - closed_at, 100u);
}

TEST(PortClose, ReaderReleasedEvenWhileAnotherOpenKeepsTheDeviceOpen) {
    PortHarness h;
    PortOpen* control = h.Open(0);
    PortOpen* o = h.OpenReadWrite();
    h.SetTimeouts(o, 0, 0, 0);
    int32_t got = -2;
    Thread reader(*h.clock, [&] {
        uint8_t buffer[8];
        got = PortRead(o, buffer, sizeof(buffer));
    });
    h.clock->SleepMs(50);
    EXPECT_TRUE(PortClose(o));
    reader.Join();
    EXPECT_EQ(got, 0);
    EXPECT_TRUE(PortClose(control));
}

TEST(PortClose, GivesUpOnACallerThatStaysAfterTwentyRounds) {
    PortHarness h;
    PortOpen* o = h.OpenReadWrite();
    EnterUse(o);  // a caller that never leaves by itself
    const uint64_t start = h.clock->TickMs();
    EXPECT_TRUE(PortClose(o));
    EXPECT_EQ(h.clock->TickMs() - start, 2000u);
    LeaveUse(o);  // the last caller frees the context
    SetLastError(0);
    EXPECT_FALSE(PortClose(nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(PortClose, ClosingTwiceFailsOnceTheDeviceIsClosed) {
    PortHarness h;
    PortOpen* o = h.OpenReadWrite();
    EXPECT_TRUE(PortClose(o));
    EXPECT_EQ(h.hw.closes, 1);
    EXPECT_FALSE(PortDeinit(nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(PortDeinit, ClosesEveryOpenContext) {
    PortHarness h;
    h.OpenReadWrite();
    h.Open(0);
    h.hw.StopInterrupts();
    EXPECT_TRUE(PortDeinit(h.device));
    h.device = nullptr;
    EXPECT_EQ(h.hw.closes, 1);
    EXPECT_TRUE(h.hw.destroyed);
}

}  // namespace
}  // namespace qmx2::driver::testing
