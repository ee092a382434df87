// The rules every serial port keeps, as programs see them through DeviceFile, run against both
// ports: the driver's port layer on a scripted hardware layer, and the software serial port on
// a memory line. What only one of them does is tested beside it (receive_path_test.cpp,
// control_requests_test.cpp, software_serial_port_test.cpp, software_serial_control_test.cpp).
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/device_file.h"
#include "platform/last_error.h"
#include "platform/serial_port_rules.h"
#include "platform/sync.h"
#include "tests/driver/port_harness.h"
#include "tests/support/memory_line_port.h"

namespace qmx2::driver::testing {
namespace {

using namespace platform;

constexpr uint32_t kReadWrite = GENERIC_READ | GENERIC_WRITE;

// One port under test, on its own virtual clock.
class PortSubject {
public:
    virtual ~PortSubject() = default;
    virtual Clock& clock() = 0;
    virtual StreamDriver& driver() = 0;
    // Bytes from the line, readable when this returns; no clock time passes.
    virtual void Receive(const std::string& bytes) = 0;
    virtual std::string Sent() = 0;
};

// The driver's port layer behind the stream entry points, as the library exports them.
class DriverSubject final : public PortSubject, public StreamDriver {
public:
    Clock& clock() override { return *h_.clock; }
    StreamDriver& driver() override { return *this; }
    void Receive(const std::string& bytes) override { h_.hw.Deliver(bytes); }
    std::string Sent() override { return h_.hw.Taken(); }

    uintptr_t Open(uint32_t access, uint32_t share) override {
        return reinterpret_cast<uintptr_t>(PortOpenContext(h_.device, access, share));
    }
    bool Close(uintptr_t c) override { return PortClose(Of(c)); }
    int32_t Read(uintptr_t c, void* buffer, uint32_t length) override {
        return PortRead(Of(c), static_cast<uint8_t*>(buffer), length);
    }
    int32_t Write(uintptr_t c, const void* buffer, uint32_t length) override {
        return PortWrite(Of(c), static_cast<const uint8_t*>(buffer), length);
    }
    bool IoControl(uintptr_t c, uint32_t code, const void* in, uint32_t in_length, void* out,
                   uint32_t out_length, uint32_t* returned) override {
        return PortIoControl(Of(c), code, static_cast<const uint8_t*>(in), in_length,
                             static_cast<uint8_t*>(out), out_length, returned);
    }

private:
    static PortOpen* Of(uintptr_t c) { return reinterpret_cast<PortOpen*>(c); }
    PortHarness h_;
};

class SoftwareSubject final : public PortSubject {
public:
    Clock& clock() override { return *clock_; }
    StreamDriver& driver() override { return port_; }
    void Receive(const std::string& bytes) override { port_.Receive(bytes); }
    std::string Sent() override { return port_.Sent(); }

private:
    std::unique_ptr<VirtualClock> clock_ = MakeVirtualClock();
    qmx2::testing::MemoryLinePort port_{*clock_};
};

struct Implementation {
    const char* name;
    std::function<std::unique_ptr<PortSubject>()> make;
};

class PortRules : public ::testing::TestWithParam<Implementation> {
protected:
    PortRules() { Fresh(); }

    // A new port, as if the test had just begun.
    void Fresh() {
        devices.reset();
        subject = GetParam().make();
        devices = std::make_unique<Devices>();
        devices->Register(u"COM3:", &subject->driver());
    }
    Clock& clock() { return subject->clock(); }
    bool Open(DeviceFile& f, uint32_t access) { return f.Open(*devices, u"COM3:", access, 0); }
    // Reads up to `length` bytes; what came and how long it took on the clock.
    std::pair<std::string, uint64_t> TimedRead(DeviceFile& f, uint32_t length) {
        std::string buffer(length, '\0');
        uint32_t got = 0;
        const uint64_t start = clock().TickMs();
        EXPECT_TRUE(f.Read(buffer.data(), length, &got));
        buffer.resize(got);
        return {buffer, clock().TickMs() - start};
    }
    // The line delivers `bytes` at `at_ms` on the clock, from a thread of its own.
    std::unique_ptr<Thread> Later(uint64_t at_ms, std::string bytes) {
        return std::make_unique<Thread>(clock(), [this, at_ms, bytes] {
            clock().SleepMs(static_cast<uint32_t>(at_ms - clock().TickMs()));
            subject->Receive(bytes);
        });
    }

    std::unique_ptr<PortSubject> subject;
    std::unique_ptr<Devices> devices;
};

TEST_P(PortRules, OneAccessHolderAtATimeWhileOpensWithoutAccessAlwaysSucceed) {
    DeviceFile first, second, query1, query2;
    ASSERT_TRUE(Open(first, kReadWrite));
    for (uint32_t access : {GENERIC_READ, GENERIC_WRITE, kReadWrite}) {
        SetLastError(0);
        EXPECT_FALSE(Open(second, access));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_ACCESS);
    }
    EXPECT_EQ(clock().TickMs(), 0u);
    EXPECT_TRUE(query1.Open(*devices, u"com3:", 0, 0));
    EXPECT_TRUE(Open(query2, 0));
    ASSERT_TRUE(first.Close());
    EXPECT_TRUE(Open(second, GENERIC_READ));
}

TEST_P(PortRules, ReadAndWriteNeedTheirAccessBits) {
    DeviceFile reader, query;
    ASSERT_TRUE(Open(reader, GENERIC_READ));
    uint32_t n = 7;
    EXPECT_FALSE(reader.Write("AT", 2, &n));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_ACCESS);
    EXPECT_EQ(n, 0u);
    ASSERT_TRUE(Open(query, 0));
    char b;
    EXPECT_FALSE(query.Read(&b, 1, &n));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_ACCESS);
    EXPECT_EQ(subject->Sent(), "");
}

TEST_P(PortRules, FirstOpenRestoresTheDefaultLineALaterOpenChangesNothingTimeoutsOutliveOpens) {
    DeviceFile f, q;
    ASSERT_TRUE(Open(f, kReadWrite));
    COMMTIMEOUTS t{};
    ASSERT_TRUE(f.GetCommTimeouts(&t));
    EXPECT_EQ(std::memcmp(&t, &kDefaultTimeouts, sizeof t), 0);
    EXPECT_EQ(t.ReadIntervalTimeout, 250u);
    EXPECT_EQ(t.ReadTotalTimeoutMultiplier, 10u);
    EXPECT_EQ(t.ReadTotalTimeoutConstant, 100u);
    DCB d;
    ASSERT_TRUE(f.GetCommState(&d));
    d.BaudRate = 19200;
    d.fDtrControl = DTR_CONTROL_DISABLE;
    ASSERT_TRUE(f.SetCommState(d));
    ASSERT_TRUE(f.SetCommTimeouts({MAXDWORD, 0, 0, 7, 9}));
    ASSERT_TRUE(Open(q, 0));  // not a first open
    ASSERT_TRUE(f.GetCommState(&d));
    EXPECT_EQ(d.BaudRate, 19200u);
    f.Close();
    q.Close();
    ASSERT_TRUE(Open(f, kReadWrite));
    ASSERT_TRUE(f.GetCommState(&d));
    EXPECT_EQ(d.DCBlength, 28u);
    EXPECT_EQ(d.BaudRate, 9600u);
    EXPECT_EQ(d.ByteSize, 8);
    EXPECT_EQ(d.Parity, NOPARITY);
    EXPECT_EQ(d.StopBits, ONESTOPBIT);
    EXPECT_EQ(d.fDtrControl, DTR_CONTROL_ENABLE);
    EXPECT_EQ(d.fRtsControl, RTS_CONTROL_ENABLE);
    EXPECT_EQ(d.fOutX | d.fInX | d.fOutxCtsFlow, 0u);
    EXPECT_EQ(d.XonChar, 0x11);
    EXPECT_EQ(d.XoffChar, 0x13);
    ASSERT_TRUE(f.GetCommTimeouts(&t));
    EXPECT_EQ(t.ReadIntervalTimeout, MAXDWORD);
    EXPECT_EQ(t.WriteTotalTimeoutConstant, 9u);
}

TEST_P(PortRules, LineSettingsNoLineCanRunAreRefusedAndTheOldOnesKept) {
    DeviceFile f;
    ASSERT_TRUE(Open(f, kReadWrite));
    DCB good;
    ASSERT_TRUE(f.GetCommState(&good));
    for (auto spoil : std::vector<std::function<void(DCB&)>>{
             [](DCB& d) { d.BaudRate = 0; }, [](DCB& d) { d.ByteSize = 4; },
             [](DCB& d) { d.ByteSize = 9; }, [](DCB& d) { d.Parity = 5; },
             [](DCB& d) { d.StopBits = 3; }}) {
        DCB bad = good;
        spoil(bad);
        SetLastError(0);
        EXPECT_FALSE(f.SetCommState(bad));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
    DCB now;
    ASSERT_TRUE(f.GetCommState(&now));
    EXPECT_EQ(std::memcmp(&now, &good, sizeof now), 0);
}

// Read time-outs: {interval, multiplier, constant}, the read's length, what the line delivers
// when (0: already buffered as the read starts), what the read returns and when.
struct Arrival {
    uint64_t at_ms;
    const char* bytes;
};
struct ReadCase {
    const char* what;
    COMMTIMEOUTS timeouts;
    uint32_t length;
    std::vector<Arrival> arrivals;
    const char* returns;
    uint64_t took_ms;
};

TEST_P(PortRules, ReadTimeoutRules) {
    const ReadCase cases[] = {
        {"MAXDWORD interval, no totals: never waits", {MAXDWORD, 0, 0, 0, 0}, 10, {}, "", 0},
        {"... and takes what is buffered", {MAXDWORD, 0, 0, 0, 0}, 10, {{0, "abc"}}, "abc", 0},
        {"a full read ends at once", {250, 10, 100, 0, 0}, 3, {{0, "abcdef"}}, "abc", 0},
        {"defaults: 10 x 10 + 100 with nothing", {250, 10, 100, 0, 0}, 10, {}, "", 200},
        {"defaults: the interval after the last bytes", {250, 10, 100, 0, 0}, 100,
         {{50, "AT"}, {150, "OK"}}, "ATOK", 400},
        {"interval bounded by what is left of the total", {250, 0, 300, 0, 0}, 5, {{200, "x"}},
         "x", 300},
        {"interval ends the read once bytes stop", {50, 0, 1000, 0, 0}, 16,
         {{100, "AB"}, {140, "C"}}, "ABC", 190},
        {"MAXDWORD interval and multiplier: the first bytes", {MAXDWORD, MAXDWORD, 500, 0, 0}, 5,
         {{40, "ab"}}, "ab", 40},
        {"MAXDWORD interval and multiplier: else the constant", {MAXDWORD, MAXDWORD, 3000, 0, 0},
         16, {}, "", 3000},
        {"one byte with a multiplier only: nothing", {0, 500, 0, 0, 0}, 1, {}, "", 500},
        {"one byte with a multiplier only: it comes", {0, 500, 0, 0, 0}, 1, {{120, "O"}}, "O", 120},
        {"all zero: waits for the whole length", {0, 0, 0, 0, 0}, 5,
         {{1000, "12"}, {60000, "345"}}, "12345", 60000},
    };
    for (const ReadCase& c : cases) {
        SCOPED_TRACE(c.what);
        Fresh();
        DeviceFile f;
        ASSERT_TRUE(Open(f, kReadWrite));
        ASSERT_TRUE(f.SetCommTimeouts(c.timeouts));
        std::vector<std::unique_ptr<Thread>> line;
        for (const Arrival& a : c.arrivals) {
            if (a.at_ms == 0) subject->Receive(a.bytes);
            else line.push_back(Later(a.at_ms, a.bytes));
        }
        const auto [got, took] = TimedRead(f, c.length);
        EXPECT_EQ(got, c.returns);
        EXPECT_EQ(took, c.took_ms);
        for (auto& t : line) t->Join();
    }
}

TEST_P(PortRules, RxAbortPurgeReleasesABlockedReaderWithWhatItHad) {
    DeviceFile f;
    ASSERT_TRUE(Open(f, kReadWrite));
    ASSERT_TRUE(f.SetCommTimeouts({0, 0, 0, 0, 0}));
    auto bytes = Later(60000, "ab");
    Thread abort(clock(), [&] {
        clock().SleepMs(120000);
        EXPECT_TRUE(f.PurgeComm(PURGE_RXABORT));
    });
    const auto [got, took] = TimedRead(f, 10);
    EXPECT_EQ(got, "ab");
    EXPECT_EQ(took, 120000u);
}

TEST_P(PortRules, BytesPassUntouchedBothWaysNulAndHighBytesIncluded) {
    DeviceFile f;
    ASSERT_TRUE(Open(f, kReadWrite));
    ASSERT_TRUE(f.SetCommTimeouts({MAXDWORD, 0, 0, 0, 0}));
    std::string all;
    for (int b = 0; b < 256; ++b) all.push_back(static_cast<char>(b));
    subject->Receive(all);
    EXPECT_EQ(TimedRead(f, 512).first, all);
    uint32_t n = 0;
    ASSERT_TRUE(f.Write(all.data(), 256, &n));
    EXPECT_EQ(n, 256u);
    EXPECT_EQ(subject->Sent(), all);
}

TEST_P(PortRules, EventWaitsEndWithTheirEventsAndEveryWriteEndsWithTxEmpty) {
    DeviceFile f;
    ASSERT_TRUE(Open(f, kReadWrite));
    uint32_t events = 99;
    SetLastError(0);
    EXPECT_FALSE(f.WaitCommEvent(&events));  // mask 0 waits for nothing
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    ASSERT_TRUE(f.SetCommMask(EV_RXCHAR | EV_TXEMPTY));
    auto bytes = Later(300, "R");
    ASSERT_TRUE(f.WaitCommEvent(&events));
    EXPECT_EQ(events, EV_RXCHAR);
    EXPECT_EQ(clock().TickMs(), 300u);
    uint32_t n = 0;
    ASSERT_TRUE(f.Write("", 0, &n));
    ASSERT_TRUE(f.WaitCommEvent(&events));
    EXPECT_EQ(events, EV_TXEMPTY);
}

TEST_P(PortRules, AMaskChangeEndsAWaitWithNoEventsAndForgetsWhatFiredBefore) {
    DeviceFile f, watcher;
    ASSERT_TRUE(Open(f, kReadWrite));
    ASSERT_TRUE(Open(watcher, 0));
    ASSERT_TRUE(watcher.SetCommMask(EV_RING));
    Thread other(clock(), [&] {
        clock().SleepMs(1000);
        EXPECT_TRUE(watcher.SetCommMask(EV_RXCHAR));
    });
    uint32_t events = 99;
    ASSERT_TRUE(watcher.WaitCommEvent(&events));
    EXPECT_EQ(events, 0u);
    EXPECT_EQ(clock().TickMs(), 1000u);
    other.Join();

    subject->Receive("x");  // fires EV_RXCHAR under the mask now set
    ASSERT_TRUE(watcher.SetCommMask(EV_RXCHAR | EV_TXEMPTY));
    uint32_t n = 0;
    ASSERT_TRUE(f.Write("", 0, &n));
    ASSERT_TRUE(watcher.WaitCommEvent(&events));
    EXPECT_EQ(events, EV_TXEMPTY);
}

TEST_P(PortRules, TextCodesNeedRoomForTheirTerminatorAndNeedNoAccess) {
    DeviceFile query;
    ASSERT_TRUE(Open(query, 0));
    char text[8];
    std::memset(text, 'x', sizeof text);
    uint32_t returned = 0;
    ASSERT_TRUE(query.IoControl(IOCTL_DRIVER_VERSION, nullptr, 0, text, 5, &returned));
    EXPECT_STREQ(text, "1.12");
    EXPECT_EQ(returned, 4u);
    SetLastError(0);
    EXPECT_FALSE(query.IoControl(IOCTL_DRIVER_VERSION, nullptr, 0, text, 4, &returned));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    for (uint32_t code : {kEmptyTextCodeA, kEmptyTextCodeB}) {
        char empty = 'x';
        returned = 9;
        ASSERT_TRUE(query.IoControl(code, nullptr, 0, &empty, 1, &returned));
        EXPECT_EQ(empty, '\0');
        EXPECT_EQ(returned, 0u);
        EXPECT_FALSE(query.IoControl(code, nullptr, 0, &empty, 0, &returned));
    }
}

TEST_P(PortRules, AHandleWithoutAccessMayOnlyWatchAndAsk) {
    DeviceFile access, query;
    ASSERT_TRUE(Open(access, kReadWrite));
    ASSERT_TRUE(Open(query, 0));
    uint8_t buffer[64] = {};
    uint32_t returned = 0;
    const uint32_t refused[] = {IOCTL_SERIAL_GET_DCB, IOCTL_SERIAL_SET_TIMEOUTS,
                                IOCTL_SERIAL_SET_DTR, IOCTL_SERIAL_PURGE,
                                IOCTL_SERIAL_GET_COMMSTATUS, 0x001B0FF0};
    for (uint32_t code : refused) {
        SCOPED_TRACE(code);
        SetLastError(0);
        EXPECT_FALSE(query.IoControl(code, buffer, 28, buffer, 64, &returned));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_ACCESS);
    }
    COMMTIMEOUTS t{};
    EXPECT_TRUE(query.GetCommTimeouts(&t));
    uint32_t status = 0;
    EXPECT_TRUE(query.GetCommModemStatus(&status));
    COMMPROP p{};
    EXPECT_TRUE(query.GetCommProperties(&p));
    SetLastError(0);
    EXPECT_FALSE(access.IoControl(0x001B0FF0, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_P(PortRules, BuffersShorterThanTheirRecordAreRefused) {
    struct Need {
        uint32_t code;
        uint32_t in;
        uint32_t out;
    };
    const Need needs[] = {
        {IOCTL_SERIAL_GET_DCB, 0, 28},          {IOCTL_SERIAL_SET_DCB, 28, 0},
        {IOCTL_SERIAL_GET_TIMEOUTS, 0, 20},     {IOCTL_SERIAL_SET_TIMEOUTS, 20, 0},
        {IOCTL_SERIAL_GET_COMMSTATUS, 0, sizeof(SERIAL_DEV_STATUS)},
        {IOCTL_SERIAL_GET_PROPERTIES, 0, sizeof(COMMPROP)},
        {IOCTL_SERIAL_GET_WAIT_MASK, 0, 4},     {IOCTL_SERIAL_SET_WAIT_MASK, 4, 0},
        {IOCTL_SERIAL_WAIT_ON_MASK, 0, 4},      {IOCTL_SERIAL_GET_MODEMSTATUS, 0, 4},
        {IOCTL_CARD_IS_POWERED, 0, 4},          {IOCTL_SERIAL_PURGE, 4, 0},
        {IOCTL_SERIAL_SET_QUEUE_SIZE, 8, 0},    {IOCTL_SERIAL_IMMEDIATE_CHAR, 1, 0},
    };
    DeviceFile f;
    ASSERT_TRUE(Open(f, kReadWrite));
    uint8_t buffer[128] = {};
    uint32_t returned = 0;
    for (const Need& n : needs) {
        SCOPED_TRACE(n.code);
        SetLastError(0);
        if (n.in != 0) {
            EXPECT_FALSE(f.IoControl(n.code, buffer, n.in - 1, nullptr, 0, nullptr));
            EXPECT_FALSE(f.IoControl(n.code, nullptr, n.in, nullptr, 0, nullptr));
        } else {
            EXPECT_FALSE(f.IoControl(n.code, nullptr, 0, buffer, n.out - 1, &returned));
            EXPECT_FALSE(f.IoControl(n.code, nullptr, 0, buffer, n.out, nullptr));
        }
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
    EXPECT_TRUE(f.IoControl(IOCTL_SERIAL_SET_QUEUE_SIZE, buffer, 8, nullptr, 0, nullptr));
    ASSERT_TRUE(f.IoControl(IOCTL_SERIAL_GET_DCB, nullptr, 0, buffer, 28, &returned));
    EXPECT_EQ(returned, 28u);
    EXPECT_EQ(subject->Sent(), "");
}

TEST_P(PortRules, DtrAndRtsCannotBeSetByHandWhileTheyHandshake) {
    DeviceFile f;
    ASSERT_TRUE(Open(f, kReadWrite));
    EXPECT_TRUE(f.IoControl(IOCTL_SERIAL_CLR_RTS, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_TRUE(f.IoControl(IOCTL_SERIAL_SET_DTR, nullptr, 0, nullptr, 0, nullptr));
    DCB d;
    ASSERT_TRUE(f.GetCommState(&d));
    d.fDtrControl = DTR_CONTROL_HANDSHAKE;
    d.fRtsControl = RTS_CONTROL_HANDSHAKE;
    ASSERT_TRUE(f.SetCommState(d));
    for (uint32_t code : {IOCTL_SERIAL_SET_DTR, IOCTL_SERIAL_CLR_DTR, IOCTL_SERIAL_SET_RTS,
                          IOCTL_SERIAL_CLR_RTS}) {
        SetLastError(0);
        EXPECT_FALSE(f.IoControl(code, nullptr, 0, nullptr, 0, nullptr));
        EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    }
    d.fDtrControl = DTR_CONTROL_ENABLE;
    ASSERT_TRUE(f.SetCommState(d));
    EXPECT_TRUE(f.IoControl(IOCTL_SERIAL_CLR_DTR, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_FALSE(f.IoControl(IOCTL_SERIAL_SET_RTS, nullptr, 0, nullptr, 0, nullptr));
}

TEST_P(PortRules, APoweredDownCardRefusesAccessOpensButNotQueries) {
    DeviceFile query, f;
    ASSERT_TRUE(Open(query, 0));
    uint32_t powered = 7, returned = 0;
    ASSERT_TRUE(query.IoControl(IOCTL_CARD_IS_POWERED, nullptr, 0, &powered, 4, &returned));
    EXPECT_EQ(powered, 1u);
    EXPECT_EQ(returned, 4u);
    ASSERT_TRUE(query.IoControl(IOCTL_CARD_POWER_DOWN, nullptr, 0, nullptr, 0, nullptr));
    ASSERT_TRUE(query.IoControl(IOCTL_CARD_IS_POWERED, nullptr, 0, &powered, 4, &returned));
    EXPECT_EQ(powered, 0u);
    SetLastError(0);
    EXPECT_FALSE(Open(f, GENERIC_READ));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_ACCESS);
    DeviceFile another_query;
    EXPECT_TRUE(Open(another_query, 0));
    ASSERT_TRUE(query.IoControl(IOCTL_CARD_POWER_UP, nullptr, 0, nullptr, 0, nullptr));
    ASSERT_TRUE(query.IoControl(IOCTL_CARD_IS_POWERED, nullptr, 0, &powered, 4, &returned));
    EXPECT_EQ(powered, 1u);
    EXPECT_TRUE(Open(f, kReadWrite));
}

INSTANTIATE_TEST_SUITE_P(
    BothPorts, PortRules,
    ::testing::Values(Implementation{"Driver", [] { return std::make_unique<DriverSubject>(); }},
                      Implementation{"Software",
                                     [] { return std::make_unique<SoftwareSubject>(); }}),
    [](const ::testing::TestParamInfo<Implementation>& info) { return info.param.name; });

}  // namespace
}  // namespace qmx2::driver::testing
