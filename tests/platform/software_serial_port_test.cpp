// The software serial port as programs see it through DeviceFile, on the virtual clock: the
// one-access-holder rule, the read time-out rules, event waits, purge and the line going away.
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

TEST_F(SoftwarePortTest, SecondAccessOpenFailsAtOnceWhileQueryOpensAlwaysSucceed) {
    DeviceFile first, second, query1, query2;
    ASSERT_TRUE(OpenRw(first));
    for (uint32_t access : {GENERIC_READ, GENERIC_WRITE, kReadWrite}) {
        SetLastError(0);
        EXPECT_FALSE(second.Open(devices, u"COM3:", access, FILE_SHARE_READ | FILE_SHARE_WRITE));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_ACCESS);
    }
    EXPECT_EQ(clock->TickMs(), 0u);
    EXPECT_TRUE(query1.Open(devices, u"com3:", 0, 0));
    EXPECT_TRUE(query2.Open(devices, u"COM3:", 0, 0));
    ASSERT_TRUE(first.Close());
    EXPECT_TRUE(second.Open(devices, u"COM3:", GENERIC_READ, 0));
}

TEST_F(SoftwarePortTest, ReadAndWriteNeedTheirAccessBits) {
    DeviceFile reader, query;
    ASSERT_TRUE(reader.Open(devices, u"COM3:", GENERIC_READ, 0));
    uint32_t n = 7;
    EXPECT_FALSE(reader.Write("AT", 2, &n));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_ACCESS);
    EXPECT_EQ(n, 0u);
    ASSERT_TRUE(query.Open(devices, u"COM3:", 0, 0));
    char b;
    EXPECT_FALSE(query.Read(&b, 1, &n));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_ACCESS);
    EXPECT_EQ(port.Sent(), "");
}

TEST_F(SoftwarePortTest, FirstOpenRestoresTheDefaultLineAndALaterOpenChangesNothing) {
    DeviceFile f, q;
    ASSERT_TRUE(OpenRw(f));
    DCB d;
    ASSERT_TRUE(f.GetCommState(&d));
    d.BaudRate = 19200;
    d.fDtrControl = DTR_CONTROL_DISABLE;
    ASSERT_TRUE(f.SetCommState(d));
    ASSERT_TRUE(q.Open(devices, u"COM3:", 0, 0));  // not a first open
    ASSERT_TRUE(f.GetCommState(&d));
    EXPECT_EQ(d.BaudRate, 19200u);
    f.Close();
    q.Close();
    ASSERT_TRUE(OpenRw(f));
    ASSERT_TRUE(f.GetCommState(&d));
    EXPECT_EQ(d.DCBlength, 28u);
    EXPECT_EQ(d.BaudRate, 9600u);
    EXPECT_EQ(d.ByteSize, 8);
    EXPECT_EQ(d.Parity, NOPARITY);
    EXPECT_EQ(d.StopBits, ONESTOPBIT);
    EXPECT_EQ(d.fDtrControl, DTR_CONTROL_ENABLE);
    EXPECT_EQ(d.fRtsControl, RTS_CONTROL_ENABLE);
    EXPECT_EQ(d.fOutX | d.fInX | d.fOutxCtsFlow, 0u);
    EXPECT_EQ(port.line_opens, 2);
    EXPECT_EQ(port.line_closes, 1);
}

TEST_F(SoftwarePortTest, LineSettingsTheLineCannotTakeAreRefusedAndTheOldOnesKept) {
    DeviceFile f;
    ASSERT_TRUE(OpenRw(f));
    DCB d;
    ASSERT_TRUE(f.GetCommState(&d));
    DCB bad = d;
    bad.ByteSize = 3;
    EXPECT_FALSE(f.SetCommState(bad));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
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

TEST_F(SoftwarePortTest, ReadThatNeverWaitsReturnsWhatIsBuffered) {
    DeviceFile f;
    ASSERT_TRUE(OpenRw(f));
    SetTimeouts(f, MAXDWORD, 0, 0);
    auto [empty, t0] = TimedRead(f, 8);
    EXPECT_EQ(empty, "");
    EXPECT_EQ(t0, 0u);
    port.Receive("OK");
    auto [some, t1] = TimedRead(f, 8);
    EXPECT_EQ(some, "OK");
    EXPECT_EQ(t1, 0u);
}

TEST_F(SoftwarePortTest, DefaultTimeoutsGiveUpAfterMultiplierTimesLengthPlusConstant) {
    DeviceFile f;
    ASSERT_TRUE(OpenRw(f));
    COMMTIMEOUTS t;
    ASSERT_TRUE(f.GetCommTimeouts(&t));
    EXPECT_EQ(t.ReadIntervalTimeout, 250u);
    EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 10u);
    EXPECT_EQ(t.ReadTotalTimeoutConstant, 100u);
    auto [got, took] = TimedRead(f, 10);
    EXPECT_EQ(got, "");
    EXPECT_EQ(took, 200u);
}

TEST_F(SoftwarePortTest, OneByteReadOfTheTransactionWaitsHalfASecond) {
    DeviceFile f;
    ASSERT_TRUE(OpenRw(f));
    SetTimeouts(f, 0, 500, 0);
    auto [nothing, took] = TimedRead(f, 1);
    EXPECT_EQ(nothing, "");
    EXPECT_EQ(took, 500u);
    Thread modem(*clock, [&] {
        clock->SleepMs(120);
        port.Receive("O");
    });
    auto [byte, t2] = TimedRead(f, 1);
    EXPECT_EQ(byte, "O");
    EXPECT_EQ(t2, 120u);
}

TEST_F(SoftwarePortTest, IntervalTimeoutEndsAReadOnceBytesStopComing) {
    DeviceFile f;
    ASSERT_TRUE(OpenRw(f));
    SetTimeouts(f, 50, 0, 1000);
    Thread modem(*clock, [&] {
        clock->SleepMs(100);
        port.Receive("AB");
        clock->SleepMs(40);  // within the interval: the read goes on
        port.Receive("C");
    });
    auto [got, took] = TimedRead(f, 16);
    EXPECT_EQ(got, "ABC");
    EXPECT_EQ(took, 190u);  // 100 + 40, then one idle interval of 50
}

TEST_F(SoftwarePortTest, MaxdwordIntervalAndMultiplierReturnOnTheFirstBytes) {
    DeviceFile f;
    ASSERT_TRUE(OpenRw(f));
    SetTimeouts(f, MAXDWORD, MAXDWORD, 3000);
    Thread modem(*clock, [&] {
        clock->SleepMs(700);
        port.Receive("X");
    });
    auto [got, took] = TimedRead(f, 16);
    EXPECT_EQ(got, "X");
    EXPECT_EQ(took, 700u);
    auto [none, t2] = TimedRead(f, 16);
    EXPECT_EQ(none, "");
    EXPECT_EQ(t2, 3000u);
}

TEST_F(SoftwarePortTest, ZeroTimeoutsBlockUntilThePurgeAbortsTheRead) {
    DeviceFile f, q;
    ASSERT_TRUE(OpenRw(f));
    SetTimeouts(f, 0, 0, 0);
    Thread other(*clock, [&] {
        clock->SleepMs(60000);
        port.Receive("ab");
        clock->SleepMs(60000);
        const uint32_t abort = PURGE_RXABORT;
        EXPECT_TRUE(f.IoControl(IOCTL_SERIAL_PURGE, &abort, 4, nullptr, 0, nullptr));
    });
    auto [got, took] = TimedRead(f, 10);
    EXPECT_EQ(got, "ab");
    EXPECT_EQ(took, 120000u);
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

TEST_F(SoftwarePortTest, BytesFromTheLineComeThroughUntouchedNulAndGarbageIncluded) {
    DeviceFile f;
    ASSERT_TRUE(OpenRw(f));
    SetTimeouts(f, MAXDWORD, 0, 0);
    std::string garbage("\0\xff\r\x1a\x00OK\x80", 8);
    port.Receive(garbage);
    auto [got, took] = TimedRead(f, 64);
    EXPECT_EQ(got, garbage);
    const std::string out("AT\0\xfe", 4);
    uint32_t n = 0;
    ASSERT_TRUE(f.Write(out.data(), 4, &n));
    EXPECT_EQ(n, 4u);
    EXPECT_EQ(port.Sent(), out);
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

TEST_F(SoftwarePortTest, EventWaitsSeeReceivedCharactersAndTransmitEmpty) {
    DeviceFile f;
    ASSERT_TRUE(OpenRw(f));
    uint32_t events = 99;
    EXPECT_FALSE(f.WaitCommEvent(&events));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    ASSERT_TRUE(f.SetCommMask(EV_RXCHAR | EV_TXEMPTY));
    Thread modem(*clock, [&] {
        clock->SleepMs(300);
        port.Receive("R");
    });
    ASSERT_TRUE(f.WaitCommEvent(&events));
    EXPECT_EQ(events, EV_RXCHAR);
    EXPECT_EQ(clock->TickMs(), 300u);
    uint32_t n = 0;
    ASSERT_TRUE(f.Write("", 0, &n));  // even an empty write ends with EV_TXEMPTY
    ASSERT_TRUE(f.WaitCommEvent(&events));
    EXPECT_EQ(events, EV_TXEMPTY);
}

TEST_F(SoftwarePortTest, ChangingTheMaskReleasesAWaiterWithNoEvents) {
    DeviceFile f, q;
    ASSERT_TRUE(OpenRw(f));
    ASSERT_TRUE(f.SetCommMask(EV_RING));
    Thread other(*clock, [&] {
        clock->SleepMs(1000);
        EXPECT_TRUE(f.SetCommMask(EV_RXCHAR));
    });
    uint32_t events = 99;
    ASSERT_TRUE(f.WaitCommEvent(&events));
    EXPECT_EQ(events, 0u);
    EXPECT_EQ(clock->TickMs(), 1000u);
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

}  // namespace
}  // namespace qmx2::platform
