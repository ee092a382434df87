// Programs reaching the device host's port over its socket: the remote resolver and the host's
// server in one process on the real clock, the port a memory line. Waits end on events of the
// port (a reader blocked, the last open closed), never on sleeping.
#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <unistd.h>

#include "devices/port_server.h"
#include "platform/device_file.h"
#include "platform/devices.h"
#include "platform/last_error.h"
#include "platform/serial_remote.h"
#include "platform/serial_wire.h"
#include "platform/sync.h"
#include "tests/support/memory_line_port.h"

namespace qmx2::devices {
namespace {

using namespace qmx2::platform;
using qmx2::testing::MemoryLinePort;

constexpr uint32_t kReadWrite = GENERIC_READ | GENERIC_WRITE;

class PortServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/qmx2-server-XXXXXX";
        ASSERT_TRUE(mkdtemp(tmpl));
        dir = tmpl;
        path = dir + "/device.sock";
        host_devices.Register(u"COM3:", &port);
        std::string error;
        ASSERT_TRUE(server.Start(path, &error)) << error;
        client.SetResolver(&resolver);
    }
    void TearDown() override {
        server.Stop();
        rmdir(dir.c_str());
    }
    // A program that speaks the protocol by hand, as a killed or broken one would leave it.
    int RawOpen(uint32_t access) {
        const int fd = ConnectDeviceSocket(path);
        WireRequest r;
        r.op = WireOp::kOpen;
        r.access = access;
        r.name = u"COM3:";
        EXPECT_TRUE(SendFrame(fd, EncodeRequest(r)));
        std::vector<uint8_t> frame;
        WireAnswer a;
        EXPECT_TRUE(ReceiveFrame(fd, &frame) && DecodeAnswer(frame.data(), frame.size(), &a));
        EXPECT_NE(a.value, 0);
        return fd;
    }

    std::unique_ptr<Clock> clock = MakeRealClock();
    MemoryLinePort port{*clock};
    Devices host_devices;
    PortServer server{*clock, host_devices};
    std::string dir, path;
    RemoteDeviceResolver resolver{*clock, ""};
    Devices client;

    void UseResolverAt(const std::string& p) {
        resolver_at = std::make_unique<RemoteDeviceResolver>(*clock, p);
        client.SetResolver(resolver_at.get());
    }
    std::unique_ptr<RemoteDeviceResolver> resolver_at;
};

TEST_F(PortServerTest, AProgramTalksThroughTheHostAsIfThePortWereLocal) {
    UseResolverAt(path);
    DeviceFile f, missing;
    EXPECT_FALSE(missing.Open(client, u"COM9:", kReadWrite, 0));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    ASSERT_TRUE(f.Open(client, u"com3:", kReadWrite, 0));
    uint32_t n = 0;
    ASSERT_TRUE(f.Write("AT+CSQ\r", 7, &n));
    EXPECT_EQ(n, 7u);
    EXPECT_EQ(port.Sent(), "AT+CSQ\r");
    port.Receive(std::string("\0+CSQ: 9,99\r\n", 13));
    ASSERT_TRUE(f.SetCommTimeouts({MAXDWORD, 0, 0, 0, 0}));
    char buf[64];
    ASSERT_TRUE(f.Read(buf, sizeof(buf), &n));
    EXPECT_EQ(std::string(buf, n), std::string("\0+CSQ: 9,99\r\n", 13));
    DCB d;
    ASSERT_TRUE(f.GetCommState(&d));
    d.BaudRate = 19200;
    ASSERT_TRUE(f.SetCommState(d));
    EXPECT_EQ(port.applied.back().BaudRate, 19200u);
    uint8_t small[27];
    EXPECT_FALSE(f.IoControl(IOCTL_SERIAL_GET_DCB, nullptr, 0, small, 27, &n));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
}

TEST_F(PortServerTest, TheAccessRuleHoldsAcrossPrograms) {
    UseResolverAt(path);
    DeviceFile first, second, query;
    ASSERT_TRUE(first.Open(client, u"COM3:", kReadWrite, 0));
    EXPECT_FALSE(second.Open(client, u"COM3:", GENERIC_READ, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_ACCESS);
    // The refused program is told who holds the port: here, this very process.
    char comm[64] = {};
    if (std::FILE* f = std::fopen("/proc/self/comm", "r")) {
        ASSERT_TRUE(std::fgets(comm, sizeof comm, f));
        std::fclose(f);
    }
    std::string name = comm;
    if (!name.empty() && name.back() == '\n') name.pop_back();
    EXPECT_EQ(LastOpenHolder(), name + ", pid " + std::to_string(getpid()));
    ASSERT_TRUE(query.Open(client, u"COM3:", 0, 0));
    EXPECT_EQ(LastOpenHolder(), "");
    uint8_t in = 1;
    uint32_t powered = 0, returned = 0;
    ASSERT_TRUE(query.IoControl(IOCTL_CARD_IS_POWERED, &in, 1, &powered, 4, &returned));
    EXPECT_EQ(powered, 1u);
    EXPECT_EQ(returned, 4u);
    char version[8] = {};
    ASSERT_TRUE(query.IoControl(IOCTL_DRIVER_VERSION, nullptr, 0, version, 8, &returned));
    EXPECT_STREQ(version, "1.12");
    EXPECT_EQ(returned, 4u);
    ASSERT_TRUE(first.Close());
    EXPECT_TRUE(second.Open(client, u"COM3:", GENERIC_READ, 0));
}

TEST_F(PortServerTest, ARemoteReadEndsByThePortsTimeouts) {
    UseResolverAt(path);
    DeviceFile f;
    ASSERT_TRUE(f.Open(client, u"COM3:", kReadWrite, 0));
    ASSERT_TRUE(f.SetCommTimeouts({0, 0, 30, 0, 0}));
    char b[4];
    uint32_t n = 9;
    ASSERT_TRUE(f.Read(b, 4, &n));
    EXPECT_EQ(n, 0u);
}

TEST_F(PortServerTest, AProgramThatDiesInsideAReadDoesNotKeepThePort) {
    const int fd = RawOpen(kReadWrite);
    WireRequest never;
    never.op = WireOp::kIoControl;
    never.code = IOCTL_SERIAL_SET_TIMEOUTS;
    never.flags = kWireHasIn;
    never.data.assign(sizeof(COMMTIMEOUTS), 0);  // reads wait until the length arrives
    std::vector<uint8_t> frame;
    ASSERT_TRUE(SendFrame(fd, EncodeRequest(never)) && ReceiveFrame(fd, &frame));
    WireRequest read;
    read.op = WireOp::kRead;
    read.length = 16;
    ASSERT_TRUE(SendFrame(fd, EncodeRequest(read)));
    ASSERT_TRUE(port.WaitForReader(10000));
    close(fd);  // the program is gone
    EXPECT_TRUE(port.WaitUntilClosed(10000));
    UseResolverAt(path);
    DeviceFile next;
    EXPECT_TRUE(next.Open(client, u"COM3:", kReadWrite, 0));
}

// The card's answer to a killed program's command, still in the port (another program keeps a
// control open, so no first open clears it), never reaches the next program; what a program
// that closed leaves behind stays, as on the port itself.
TEST_F(PortServerTest, WhatAKilledProgramLeftUnreadNeverReachesTheNextProgram) {
    UseResolverAt(path);
    DeviceFile control;
    ASSERT_TRUE(control.Open(client, u"COM3:", 0, 0));
    const std::string answer = "\r\n+CPBR: 53,\"+358402000053\",145,\"SIM entry 053\"\r\n\r\nOK\r\n";
    for (const bool killed : {true, false}) {
        const int fd = RawOpen(kReadWrite);
        port.Receive(answer);
        if (!killed) {
            WireRequest close_request;
            close_request.op = WireOp::kClose;
            std::vector<uint8_t> frame;
            ASSERT_TRUE(SendFrame(fd, EncodeRequest(close_request)) && ReceiveFrame(fd, &frame));
        }
        close(fd);
        DeviceFile next;
        for (int i = 0; i < 1000 && !next.Open(client, u"COM3:", kReadWrite, 0); ++i)
            clock->SleepMs(10);  // until the host has seen the program go
        ASSERT_TRUE(next.IsOpen()) << killed;
        ASSERT_TRUE(next.SetCommTimeouts({MAXDWORD, 0, 0, 0, 0}));
        char buf[128];
        uint32_t n = 0;
        ASSERT_TRUE(next.Read(buf, sizeof(buf), &n));
        EXPECT_EQ(std::string(buf, n), killed ? "" : answer) << killed;
        port.Receive("\r\nOK\r\n");
        ASSERT_TRUE(next.Read(buf, sizeof(buf), &n));
        EXPECT_EQ(std::string(buf, n), "\r\nOK\r\n") << killed;
    }
}

// A program reading byte by byte gets what the port already held with its first read; those
// bytes stay the port's to the program: in order, counted as waiting, gone with a purge.
TEST_F(PortServerTest, BytesReadAheadStayThePortsUntilReadOrPurged) {
    UseResolverAt(path);
    DeviceFile f;
    ASSERT_TRUE(f.Open(client, u"COM3:", kReadWrite, 0));
    ASSERT_TRUE(f.SetCommTimeouts({MAXDWORD, 0, 0, 0, 0}));
    std::string line;
    for (int i = 0; i < 300; ++i) line += static_cast<char>('0' + i % 43);
    port.Receive(line);
    char c = 0;
    uint32_t n = 0;
    ASSERT_TRUE(f.Read(&c, 1, &n));
    ASSERT_EQ(n, 1u);
    port.Receive("+");  // arrives behind what was read ahead
    std::string got(1, c);
    uint32_t errors = 0;
    COMSTAT stat{};
    ASSERT_TRUE(f.ClearCommError(&errors, &stat));
    EXPECT_EQ(stat.cbInQue, 300u);
    while (got.size() < 200 && f.Read(&c, 1, &n) && n == 1) got += c;
    char rest[512];
    ASSERT_TRUE(f.Read(rest, sizeof rest, &n));
    got.append(rest, n);
    EXPECT_EQ(got, line + "+");

    port.Receive(line);
    ASSERT_TRUE(f.Read(&c, 1, &n));
    ASSERT_TRUE(f.PurgeComm(PURGE_RXCLEAR));
    ASSERT_TRUE(f.ClearCommError(&errors, &stat));
    EXPECT_EQ(stat.cbInQue, 0u);
    port.Receive("OK");
    ASSERT_TRUE(f.Read(rest, sizeof rest, &n));
    EXPECT_EQ(std::string(rest, n), "OK");
}

TEST_F(PortServerTest, AnotherThreadCanPurgeOrCloseBesideABlockedRemoteRead) {
    UseResolverAt(path);
    StreamDriver* proxy = client.Find(u"COM3:");
    ASSERT_NE(proxy, nullptr);
    const uintptr_t ctx = proxy->Open(kReadWrite, 0);
    ASSERT_NE(ctx, 0u);
    COMMTIMEOUTS forever{0, 0, 0, 0, 0};
    ASSERT_TRUE(proxy->IoControl(ctx, IOCTL_SERIAL_SET_TIMEOUTS, &forever, sizeof(forever),
                                 nullptr, 0, nullptr));
    int32_t result = -2;
    char buf[8];
    {
        port.Receive("ab");
        Thread reader(*clock, [&] { result = proxy->Read(ctx, buf, 8); });
        ASSERT_TRUE(port.WaitForReader(10000));  // took "ab", waits for the rest
        const uint32_t abort = PURGE_RXABORT;
        EXPECT_TRUE(proxy->IoControl(ctx, IOCTL_SERIAL_PURGE, &abort, 4, nullptr, 0, nullptr));
    }
    EXPECT_EQ(result, 2);
    EXPECT_EQ(std::string(buf, 2), "ab");
    {
        Thread reader(*clock, [&] { result = proxy->Read(ctx, buf, 8); });
        ASSERT_TRUE(port.WaitForReader(10000));
        EXPECT_TRUE(proxy->Close(ctx));
    }
    EXPECT_LE(result, 0);
    EXPECT_TRUE(port.WaitUntilClosed(10000));
}

TEST_F(PortServerTest, GarbageOnTheSocketEndsThatConnectionOnly) {
    const int fd = ConnectDeviceSocket(path);
    ASSERT_GE(fd, 0);
    const uint8_t junk[] = {5, 0, 0, 0, 0xEE, 1, 2, 3, 4};
    ASSERT_EQ(send(fd, junk, sizeof(junk), 0), static_cast<ssize_t>(sizeof(junk)));
    char b;
    EXPECT_EQ(recv(fd, &b, 1, 0), 0);  // the host hung up
    close(fd);
    const int huge = ConnectDeviceSocket(path);
    const uint8_t too_long[] = {0xFF, 0xFF, 0xFF, 0x7F};
    ASSERT_EQ(send(huge, too_long, 4, 0), 4);
    EXPECT_EQ(recv(huge, &b, 1, 0), 0);
    close(huge);
    UseResolverAt(path);
    DeviceFile f;
    EXPECT_TRUE(f.Open(client, u"COM3:", kReadWrite, 0));
}

TEST_F(PortServerTest, OneHostPerSocketAndNoHostMeansNoDevice) {
    PortServer second(*clock, host_devices);
    std::string error;
    EXPECT_FALSE(second.Start(path, &error));
    EXPECT_EQ(error, "another device host already serves " + path);
    server.Stop();
    UseResolverAt(path);
    DeviceFile f;
    EXPECT_FALSE(f.Open(client, u"COM3:", kReadWrite, 0));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_NE(access(path.c_str(), F_OK), 0);  // the socket file went with the host
}

}  // namespace
}  // namespace qmx2::devices
