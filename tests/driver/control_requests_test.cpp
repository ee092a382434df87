// What only the driver's control requests do, on the scripted hardware layer: contexts without
// a device, modem lines and flow holds against the ring, status, infrared. The rules every
// port keeps (buffer checks, access, text and power codes) are in port_rules_test.cpp.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/last_error.h"
#include "tests/driver/port_harness.h"

namespace qmx2::driver::testing {
namespace {

using namespace platform;

bool Raw(PortOpen* o, uint32_t code, const void* in, uint32_t in_length, void* out,
         uint32_t out_length, uint32_t* returned) {
    return PortIoControl(o, code, static_cast<const uint8_t*>(in), in_length,
                         static_cast<uint8_t*>(out), out_length, returned);
}

TEST(Access, ClosedDeviceAndOrphanContext) {
    PortHarness h;
    PortOpen orphan(*h.clock);
    SetLastError(0);
    EXPECT_FALSE(Raw(&orphan, IOCTL_DRIVER_VERSION, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_EQ(GetLastError(), 0u);  // no device: no error code
    orphan.device = h.device;
    EXPECT_FALSE(Raw(&orphan, IOCTL_DRIVER_VERSION, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(ModemLines, SetDtrAndRtsRefusedUnderHandshake) {
    PortHarness h;
    PortOpen* o = h.OpenReadWrite();
    EXPECT_TRUE(Raw(o, IOCTL_SERIAL_CLR_RTS, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_FALSE(h.hw.rts);
    DCB d = h.Dcb(o);
    d.fRtsControl = RTS_CONTROL_HANDSHAKE;
    d.fDtrControl = DTR_CONTROL_HANDSHAKE;
    ASSERT_TRUE(h.Set(o, IOCTL_SERIAL_SET_DCB, d));
    const size_t log_size = h.hw.line_log.size();
    EXPECT_FALSE(Raw(o, IOCTL_SERIAL_CLR_RTS, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_FALSE(Raw(o, IOCTL_SERIAL_SET_RTS, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_FALSE(Raw(o, IOCTL_SERIAL_CLR_DTR, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(h.hw.line_log.size(), log_size);  // the lines were left alone
    EXPECT_TRUE(Raw(o, IOCTL_SERIAL_SET_BREAK_ON, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_TRUE(h.hw.brk);
}

TEST(ModemLines, NewSettingsWithAFullRingTreatDtrAndRtsDifferently) {
    PortHarness h;
    PortOpen* o = h.OpenReadWrite();
    h.hw.Inject(std::string(1700, 'f'));
    h.clock->SleepMs(1);
    DCB d = h.Dcb(o);
    d.fRtsControl = RTS_CONTROL_HANDSHAKE;
    d.fDtrControl = DTR_CONTROL_HANDSHAKE;
    ASSERT_TRUE(h.Set(o, IOCTL_SERIAL_SET_DCB, d));
    EXPECT_FALSE(h.hw.dtr);  // not marked before: dropped under DTR handshake
    EXPECT_TRUE(h.hw.rts);   // not marked before: raised under RTS handshake
    EXPECT_TRUE(h.device->HasFlags(kDtrDropped));
    ASSERT_TRUE(h.Set(o, IOCTL_SERIAL_SET_DCB, d));
    EXPECT_TRUE(h.hw.dtr);  // marked: raised again
    EXPECT_FALSE(h.device->HasFlags(kDtrDropped));
}

TEST(SoftwareFlowRequests, SetXoffOnlyHoldsAndOnlyWithXonXoffConfigured) {
    PortHarness h;
    PortOpen* o = h.OpenReadWrite();
    EXPECT_TRUE(Raw(o, IOCTL_SERIAL_SET_XOFF, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_FALSE(h.device->HasFlags(kTransmitHeld));
    DCB d = h.Dcb(o);
    d.fInX = 1;
    ASSERT_TRUE(h.Set(o, IOCTL_SERIAL_SET_DCB, d));
    EXPECT_TRUE(Raw(o, IOCTL_SERIAL_SET_XOFF, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_TRUE(h.device->HasFlags(kTransmitHeld | kXoffSent));
    EXPECT_TRUE(h.hw.immediate.empty());  // no character goes out
    EXPECT_TRUE(Raw(o, IOCTL_SERIAL_SET_XON, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_FALSE(h.device->HasFlags(kTransmitHeld | kXoffSent));
    EXPECT_TRUE(h.hw.immediate.empty());
    const uint8_t c = 'Z';
    EXPECT_TRUE(Raw(o, IOCTL_SERIAL_IMMEDIATE_CHAR, &c, 1, nullptr, 0, nullptr));
    EXPECT_EQ(h.hw.immediate, std::vector<uint8_t>{'Z'});
}

TEST(Status, CommStatusCarriesErrorsQueueAndHolds) {
    PortHarness h;
    PortOpen* o = h.OpenReadWrite();
    h.hw.line_errors = CE_FRAME | CE_OVERRUN;
    h.hw.Inject("12345");
    h.clock->SleepMs(1);
    SERIAL_DEV_STATUS s{};
    uint32_t returned = 0;
    EXPECT_TRUE(h.Get(o, IOCTL_SERIAL_GET_COMMSTATUS, &s, &returned));
    EXPECT_EQ(returned, 16u);
    EXPECT_EQ(s.Errors, CE_FRAME | CE_OVERRUN);
    EXPECT_EQ(s.ComStat.cbInQue, 5u);
    EXPECT_EQ(s.ComStat.cbOutQue, 0u);
    EXPECT_TRUE(h.Get(o, IOCTL_SERIAL_GET_COMMSTATUS, &s));
    EXPECT_EQ(s.Errors, 0u);  // cleared by the first request
    h.hw.modem_status = MS_CTS_ON | MS_RLSD_ON;
    uint32_t ms = 0;
    EXPECT_TRUE(h.Get(o, IOCTL_SERIAL_GET_MODEMSTATUS, &ms));
    EXPECT_EQ(ms, MS_CTS_ON | MS_RLSD_ON);
}

TEST(Infrared, EnableFailsWithoutErrorCodeDisableSucceeds) {
    PortHarness h;
    PortOpen* o = h.OpenReadWrite();
    SetLastError(0);
    EXPECT_FALSE(Raw(o, IOCTL_SERIAL_ENABLE_IR, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_EQ(GetLastError(), 0u);
    EXPECT_TRUE(Raw(o, IOCTL_SERIAL_DISABLE_IR, nullptr, 0, nullptr, 0, nullptr));
}

}  // namespace
}  // namespace qmx2::driver::testing
