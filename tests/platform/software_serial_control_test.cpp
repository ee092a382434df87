// Device-control requests of the software serial port: buffer checks, the codes a query handle
// may use, and the answers of an always-powered card.
#include <cstring>
#include <gtest/gtest.h>

#include "platform/device_file.h"
#include "platform/last_error.h"
#include "tests/support/memory_line_port.h"

namespace qmx2::platform {
namespace {

using qmx2::testing::MemoryLinePort;

class SoftwareControlTest : public ::testing::Test {
protected:
    SoftwareControlTest() : clock(MakeVirtualClock()), port(*clock) {
        devices.Register(u"COM3:", &port);
        EXPECT_TRUE(access.Open(devices, u"COM3:", GENERIC_READ | GENERIC_WRITE, 0));
        EXPECT_TRUE(query.Open(devices, u"COM3:", 0, 0));
    }
    std::unique_ptr<VirtualClock> clock;
    MemoryLinePort port;
    Devices devices;
    DeviceFile access, query;
};

TEST_F(SoftwareControlTest, CardPowerCodesAnswerAnAlwaysPoweredCardOnAQueryHandle) {
    uint8_t in = 1;
    uint32_t powered = 0, returned = 0;
    ASSERT_TRUE(query.IoControl(IOCTL_CARD_IS_POWERED, &in, 1, &powered, 4, &returned));
    EXPECT_EQ(powered, 1u);
    EXPECT_EQ(returned, 4u);
    uint8_t out2[2];
    EXPECT_TRUE(query.IoControl(IOCTL_CARD_POWER_DOWN, &in, 1, out2, 2, &returned));
    EXPECT_TRUE(query.IoControl(IOCTL_CARD_POWER_UP, &in, 1, out2, 2, &returned));
    ASSERT_TRUE(query.IoControl(IOCTL_CARD_IS_POWERED, &in, 1, &powered, 4, &returned));
    EXPECT_EQ(powered, 1u);
    EXPECT_FALSE(query.IoControl(IOCTL_CARD_IS_POWERED, &in, 1, &powered, 3, &returned));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(SoftwareControlTest, ALineWithPowerRefusesAccessWhileDownAndAnswersThePowerCodes) {
    ASSERT_TRUE(access.Close());
    uint8_t in = 1, out2[2];
    uint32_t powered = 7, returned = 0;
    ASSERT_TRUE(query.IoControl(IOCTL_CARD_POWER_DOWN, &in, 1, out2, 2, &returned));
    ASSERT_TRUE(query.IoControl(IOCTL_CARD_IS_POWERED, &in, 1, &powered, 4, &returned));
    EXPECT_EQ(powered, 0u);
    DeviceFile f;
    EXPECT_FALSE(f.Open(devices, u"COM3:", GENERIC_READ, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_ACCESS);
    EXPECT_TRUE(f.Open(devices, u"COM3:", 0, 0));
    ASSERT_TRUE(query.IoControl(IOCTL_CARD_POWER_UP, &in, 1, out2, 2, &returned));
    EXPECT_EQ(port.power_requests, (std::vector<bool>{false, true}));
    DeviceFile g;
    EXPECT_TRUE(g.Open(devices, u"COM3:", GENERIC_READ | GENERIC_WRITE, 0));
}

TEST_F(SoftwareControlTest, VersionTextNeedsRoomForItsTerminator) {
    char text[5];
    std::memset(text, 'x', sizeof(text));
    uint32_t returned = 0;
    ASSERT_TRUE(query.IoControl(IOCTL_DRIVER_VERSION, nullptr, 0, text, 5, &returned));
    EXPECT_STREQ(text, "1.12");
    EXPECT_EQ(returned, 4u);
    EXPECT_FALSE(query.IoControl(IOCTL_DRIVER_VERSION, nullptr, 0, text, 4, &returned));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    char empty = 'x';
    ASSERT_TRUE(query.IoControl(0x001B0070, nullptr, 0, &empty, 1, &returned));
    EXPECT_EQ(empty, '\0');
    EXPECT_EQ(returned, 0u);
}

TEST_F(SoftwareControlTest, QueryHandleIsRefusedEverythingThatTouchesTheLine) {
    DCB d{};
    uint32_t returned = 0;
    EXPECT_FALSE(query.GetCommState(&d));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_ACCESS);
    EXPECT_FALSE(query.SetCommTimeouts({1, 2, 3, 4, 5}));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_ACCESS);
    EXPECT_FALSE(query.IoControl(0x001B0FF0, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_ACCESS);
    EXPECT_FALSE(access.IoControl(0x001B0FF0, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    COMMTIMEOUTS t{};
    EXPECT_TRUE(query.GetCommTimeouts(&t));
    uint32_t status = 0;
    EXPECT_TRUE(query.GetCommModemStatus(&status));
    EXPECT_EQ(status, MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON);
    COMMPROP p{};
    ASSERT_TRUE(query.GetCommProperties(&p));
    EXPECT_EQ(p.dwServiceMask, 1u);
    EXPECT_EQ(p.dwCurrentRxQueue, 4096u);
    (void)returned;
}

TEST_F(SoftwareControlTest, BuffersShorterThanTheirRecordFail) {
    uint8_t buf[32] = {};
    uint32_t returned = 0;
    EXPECT_FALSE(access.IoControl(IOCTL_SERIAL_GET_DCB, nullptr, 0, buf, 27, &returned));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    ASSERT_TRUE(access.IoControl(IOCTL_SERIAL_GET_DCB, nullptr, 0, buf, 28, &returned));
    EXPECT_EQ(returned, 28u);
    EXPECT_FALSE(access.IoControl(IOCTL_SERIAL_GET_DCB, nullptr, 0, buf, 28, nullptr));
    EXPECT_FALSE(access.IoControl(IOCTL_SERIAL_SET_TIMEOUTS, buf, 19, nullptr, 0, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(access.IoControl(IOCTL_SERIAL_GET_COMMSTATUS, nullptr, 0, buf, 15, &returned));
    EXPECT_FALSE(access.IoControl(IOCTL_SERIAL_SET_WAIT_MASK, nullptr, 4, nullptr, 0, nullptr));
    EXPECT_TRUE(access.IoControl(IOCTL_SERIAL_SET_QUEUE_SIZE, buf, 8, nullptr, 0, nullptr));
    EXPECT_FALSE(access.IoControl(IOCTL_SERIAL_SET_QUEUE_SIZE, buf, 7, nullptr, 0, nullptr));
}

TEST_F(SoftwareControlTest, ModemLineRequestsAreRefusedUnderHandshake) {
    DCB d;
    ASSERT_TRUE(access.GetCommState(&d));
    d.fDtrControl = DTR_CONTROL_HANDSHAKE;
    d.fRtsControl = RTS_CONTROL_HANDSHAKE;
    ASSERT_TRUE(access.SetCommState(d));
    port.line_changes.clear();
    EXPECT_FALSE(access.IoControl(IOCTL_SERIAL_SET_DTR, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(access.IoControl(IOCTL_SERIAL_CLR_RTS, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_TRUE(port.line_changes.empty());
    d.fDtrControl = DTR_CONTROL_ENABLE;
    ASSERT_TRUE(access.SetCommState(d));
    port.line_changes.clear();
    EXPECT_TRUE(access.IoControl(IOCTL_SERIAL_CLR_DTR, nullptr, 0, nullptr, 0, nullptr));
    EXPECT_EQ(port.line_changes, (std::vector<std::string>{"DTR off"}));
}

TEST_F(SoftwareControlTest, TimeoutsOutliveTheOpensAndImmediateCharGoesOut) {
    ASSERT_TRUE(access.SetCommTimeouts({MAXDWORD, 0, 0, 7, 9}));
    access.Close();
    query.Close();
    DeviceFile again;
    ASSERT_TRUE(again.Open(devices, u"COM3:", GENERIC_WRITE, 0));
    COMMTIMEOUTS t{};
    ASSERT_TRUE(again.GetCommTimeouts(&t));
    EXPECT_EQ(t.ReadIntervalTimeout, MAXDWORD);
    EXPECT_EQ(t.WriteTotalTimeoutConstant, 9u);
    const char xoff = 0x13;
    EXPECT_TRUE(again.IoControl(IOCTL_SERIAL_IMMEDIATE_CHAR, &xoff, 1, nullptr, 0, nullptr));
    EXPECT_EQ(port.Sent(), "\x13");
}

}  // namespace
}  // namespace qmx2::platform
