// What only the software serial port does, through DeviceFile on the virtual clock: its line's
// opens and closes, a line that refuses settings, receive overflow, the line going away and
// coming back, the defaults for a line without modem lines. The rules every port keeps are in tests/driver/port_rules_test.cpp.
#include <gtest/gtest.h>

#include "platform/device_file.h"
#include "platform/last_error.h"
#include "platform/sync.h"
#include "tests/support/memory_line_port.h"

namespace qmx2::platform {
namespace {

using qmx2::testing::MemoryLinePort;

constexpr uint32_t kReadWrite = GENERIC_READ | GENERIC_WRITE;

class SoftwarePortTest : public ::testing::Test {
protected:
    SoftwarePortTest() : clock(MakeVirtualClock()), port(*clock) {
        devices.Register(u"COM3:", &port);
    }
    bool OpenRw(DeviceFile& f) { return f.Open(devices, u"COM3:", kReadWrite, 0); }
    void SetTimeouts(DeviceFile& f, uint32_t interval, uint32_t mult, uint32_t constant) {
        ASSERT_TRUE(f.SetCommTimeouts({interval, mult, constant, 0, 0}));
    }
    // Reads `length` bytes and says how long it took on the clock.
    std::pair<std::string, uint64_t> TimedRead(DeviceFile& f, uint32_t length) {
        std::string buf(length, '\0');
        uint32_t got = 0;
        const uint64_t start = clock->TickMs();
        EXPECT_TRUE(f.Read(buf.data(), length, &got));
        buf.resize(got);
        return {buf, clock->TickMs() - start};
    }

    std::unique_ptr<VirtualClock> clock;
    MemoryLinePort port;
    Devices devices;
};

TEST_F(SoftwarePortTest, TheLineOpensAtTheFirstOpenAndClosesAtTheLastWithTheDefaultSettings) {
    DeviceFile f, q;
    ASSERT_TRUE(OpenRw(f));
    ASSERT_TRUE(q.Open(devices, u"COM3:", 0, 0));
    EXPECT_EQ(port.line_opens, 1);
    f.Close();
    EXPECT_EQ(port.line_closes, 0);
    q.Close();
    ASSERT_TRUE(OpenRw(f));
    EXPECT_EQ(port.applied.back().BaudRate, 9600u);
    EXPECT_EQ(port.line_opens, 2);
    EXPECT_EQ(port.line_closes, 1);
}

TEST_F(SoftwarePortTest, LineSettingsTheLineCannotTakeAreRefusedAndTheOldOnesKept) {
    DeviceFile f;
    ASSERT_TRUE(OpenRw(f));
    DCB d;
    ASSERT_TRUE(f.GetCommState(&d));
    port.refuse_settings = true;
    d.BaudRate = 12345;
    EXPECT_FALSE(f.SetCommState(d));
    ASSERT_TRUE(f.GetCommState(&d));
    EXPECT_EQ(d.BaudRate, 9600u);
    port.refuse_settings = false;
    d.BaudRate = 19200;
    d.fDtrControl = DTR_CONTROL_DISABLE;
    ASSERT_TRUE(f.SetCommState(d));
    EXPECT_EQ(port.applied.back().BaudRate, 19200u);
    EXPECT_EQ(port.line_changes, (std::vector<std::string>{"DTR off", "RTS on"}));
}

TEST_F(SoftwarePortTest, ClosingTheHandleReleasesABlockedReader) {
    auto f = std::make_unique<DeviceFile>();
    ASSERT_TRUE(OpenRw(*f));
    SetTimeouts(*f, 0, 0, 0);
    DeviceFile* handle = f.get();
    int32_t result = 0;
    uint32_t error = 0;
    Thread reader(*clock, [&] {
        char buf[4];
        uint32_t n = 0;
        result = handle->Read(buf, 4, &n) ? static_cast<int32_t>(n) : -1;
        error = GetLastError();
    });
    clock->SleepMs(5000);
    // Close through the driver so the handle object stays valid for the reader.
    EXPECT_EQ(port.OpenCount(), 1);
    port.CloseAll();
    reader.Join();
    EXPECT_EQ(result, 0);
    EXPECT_EQ(error, ERROR_INVALID_HANDLE);
    DeviceFile again;
    EXPECT_TRUE(OpenRw(again));
}

TEST_F(SoftwarePortTest, OverflowDropsTheExcessAndReportsIt) {
    DeviceFile f;
    ASSERT_TRUE(OpenRw(f));
    port.Receive(std::string(5000, 'x'));
    uint32_t errors = 0;
    COMSTAT s{};
    ASSERT_TRUE(f.ClearCommError(&errors, &s));
    EXPECT_EQ(errors, CE_RXOVER);
    EXPECT_EQ(s.cbInQue, 4095u);
    ASSERT_TRUE(f.ClearCommError(&errors, &s));
    EXPECT_EQ(errors, 0u);
    ASSERT_TRUE(f.PurgeComm(PURGE_RXCLEAR));
    ASSERT_TRUE(f.ClearCommError(&errors, &s));
    EXPECT_EQ(s.cbInQue, 0u);
}

TEST_F(SoftwarePortTest, ALostLineStillGivesItsBufferedBytesThenFails) {
    DeviceFile f, later;
    ASSERT_TRUE(OpenRw(f));
    SetTimeouts(f, 0, 0, 0);
    port.Receive("OK");
    port.LineLost(ERROR_DEVICE_REMOVED);
    auto [got, took] = TimedRead(f, 2);
    EXPECT_EQ(got, "OK");
    char b;
    uint32_t n = 5;
    EXPECT_FALSE(f.Read(&b, 1, &n));
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_REMOVED);
    EXPECT_FALSE(f.Write("AT", 2, &n));
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_REMOVED);
    f.Close();
    EXPECT_FALSE(later.Open(devices, u"COM3:", 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_OPEN_FAILED);
}

TEST_F(SoftwarePortTest, ALostLineEndsAnEventWaitAndALineBackEndsEveryOldHandle) {
    DeviceFile f, later;
    ASSERT_TRUE(OpenRw(f));
    ASSERT_TRUE(f.SetCommMask(EV_RXCHAR));
    Thread loser(*clock, [&] {
        clock->SleepMs(300);
        port.LineLost(ERROR_DEVICE_REMOVED, ERROR_DEVICE_REMOVED);
    });
    uint32_t events = 99;
    EXPECT_FALSE(f.WaitCommEvent(&events));
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_REMOVED);
    EXPECT_EQ(events, 0u);
    EXPECT_EQ(clock->TickMs(), 300u);
    ASSERT_TRUE(loser.Join(1000));
    EXPECT_FALSE(later.Open(devices, u"COM3:", 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_DEVICE_REMOVED);
    port.LineBack();
    char b;
    uint32_t n = 0;
    EXPECT_FALSE(f.Read(&b, 1, &n));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(OpenRw(later));
}

TEST_F(SoftwarePortTest, ALineThatCannotOpenFailsTheOpenAndLeavesNoHolder) {
    port.refuse_open = true;
    DeviceFile f;
    EXPECT_FALSE(OpenRw(f));
    EXPECT_EQ(GetLastError(), ERROR_OPEN_FAILED);
    port.refuse_open = false;
    EXPECT_TRUE(OpenRw(f));
}

TEST_F(SoftwarePortTest, ALineWithoutModemLinesOrPropertiesOfItsOwnGetsTheDefaults) {
    DeviceFile query;
    ASSERT_TRUE(query.Open(devices, u"COM3:", 0, 0));
    uint32_t status = 0;
    ASSERT_TRUE(query.GetCommModemStatus(&status));
    EXPECT_EQ(status, MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON);
    COMMPROP p{};
    ASSERT_TRUE(query.GetCommProperties(&p));
    EXPECT_EQ(p.dwServiceMask, 1u);
    EXPECT_EQ(p.dwCurrentRxQueue, 4096u);
}

TEST_F(SoftwarePortTest, AnImmediateCharacterGoesStraightToTheLine) {
    DeviceFile f;
    ASSERT_TRUE(f.Open(devices, u"COM3:", GENERIC_WRITE, 0));
    const char xoff = 0x13;
    EXPECT_TRUE(f.IoControl(IOCTL_SERIAL_IMMEDIATE_CHAR, &xoff, 1, nullptr, 0, nullptr));
    EXPECT_EQ(port.Sent(), "\x13");
}

}  // namespace
}  // namespace qmx2::platform
