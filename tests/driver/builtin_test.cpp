// The built-in ports' layer on the emulated controller: the cable event, ownership at Create,
// software parity, baud and frame codes, and bytes through the whole port stack.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/driver/builtin_rig.h"

namespace qmx2::driver::testing {

namespace {

using namespace dmauart;
using platform::DCB;

// The layer's operations on one port, without the port layer's threads.
struct OpsPort {
    OpsPort(BuiltInRig& rig, uint32_t object) : device(rig.env) {
        device.hardware = &BuiltInHardwareTable().objects[object];
        ctx = kBuiltInOps.Create(u"", &device);
    }
    ~OpsPort() {
        if (ctx) kBuiltInOps.Destroy(ctx);
    }
    void Settings(uint32_t baud, uint8_t byte_size, uint8_t parity, uint8_t stop_bits) {
        DCB d{};
        d.BaudRate = baud;
        d.ByteSize = byte_size;
        d.Parity = parity;
        d.StopBits = stop_bits;
        kBuiltInOps.SetLineSettings(ctx, &d);
    }
    PortDevice device;
    void* ctx = nullptr;
};

uint16_t Control(BuiltInRig& rig, int port) {
    uint16_t v = 0;
    rig.bus.Read16(kPorts[port].status + kControlOffset, &v);
    return v;
}

TEST(BuiltInLayer, RisingDcdOnAClosedPortIsACableEventDebouncedBy201Ms) {
    struct Case {
        const char* name;
        bool open, closed_again, window_manager_ready;
        uint32_t gap_ms;
        size_t notifications;
        std::vector<std::string> lines;
    } cases[] = {
        {"250 ms apart", false, false, true, 250, 2, {"DCD Cable event, 1000ms\r\n", "DCD Cable event, 250ms\r\n"}},
        {"150 ms apart", false, false, true, 150, 1,
         {"DCD Cable event, 1000ms\r\n", "Ignoring DCD Cable event, too close (150ms)\r\n"}},
        {"open port", true, false, true, 250, 0, {}},
        {"opened and closed again", true, true, true, 250, 2,
         {"DCD Cable event, 1000ms\r\n", "DCD Cable event, 250ms\r\n"}},
        {"window manager not up", false, false, false, 250, 0, {}},
    };
    for (const auto& k : cases) {
        BuiltInRig rig;
        rig.services.window_manager_ready = k.window_manager_ready;
        OpsPort p(rig, 2);
        ASSERT_NE(p.ctx, nullptr);
        if (k.open) kBuiltInOps.Open(p.ctx);
        if (k.closed_again) kBuiltInOps.Close(p.ctx);
        rig.clock->Advance(1000);
        rig.Lines(1, {.dcd = true});
        EXPECT_TRUE(rig.bus.InterruptLine(1)) << k.name;  // the routine gets to run at all
        const uint32_t first = kBuiltInOps.GetPendingInterrupts(p.ctx);
        EXPECT_TRUE(first & kInterruptModemStatus) << k.name;
        rig.Lines(1, {.dcd = false});
        kBuiltInOps.GetPendingInterrupts(p.ctx);  // a falling DCD is no cable event
        rig.clock->Advance(k.gap_ms);
        rig.Lines(1, {.dcd = true});
        kBuiltInOps.GetPendingInterrupts(p.ctx);
        EXPECT_EQ(rig.Notifications(), std::vector<uint32_t>(k.notifications, 9u)) << k.name;
        EXPECT_EQ(rig.services.DebugLines(), k.lines) << k.name;
    }
}

TEST(BuiltInLayer, APortEnabledBeforeCreateBelongsToSomeoneElse) {
    BuiltInRig rig;
    const uint16_t theirs = kCtlPortEnabled | kBaud38400 | kCtlReceiverOn;
    ASSERT_TRUE(rig.bus.Write16(kPorts[0].status + kControlOffset, theirs));
    OpsPort a(rig, 0);
    EXPECT_EQ(a.ctx, nullptr);
    EXPECT_EQ(Control(rig, 0), theirs);

    rig.registry.SetText(kBuiltInActiveKey, u"Key", kBuiltInDriverKey);
    rig.registry.SetNumber(kBuiltInDriverKey, u"DeviceArrayIndex", 0);
    EXPECT_EQ(PortInit(rig.env, kBuiltInActiveKey), nullptr);
    EXPECT_EQ(Control(rig, 0), theirs);
    rig.registry.SetNumber(kBuiltInDriverKey, u"DeviceArrayIndex", 2);  // port B is free
    PortDevice* b = PortInit(rig.env, kBuiltInActiveKey);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(Control(rig, 1) & (kCtlPortEnabled | kCtlBaudMask), kCtlPortEnabled | kBaud9600);
    PortDeinit(b);
    EXPECT_FALSE(Control(rig, 1) & kCtlPortEnabled);
}

TEST(BuiltInLayer, BaudAndFrameCodes) {
    struct Case { uint32_t baud; uint8_t size, parity, stop; uint16_t control; } cases[] = {
        {19200, 8, platform::NOPARITY, platform::ONESTOPBIT, kBaud19200},
        {4800, 8, platform::NOPARITY, platform::ONESTOPBIT, kBaud19200},  // not offered: kept
        {115200, 7, platform::NOPARITY, platform::TWOSTOPBITS, kBaud115200 | kCtlFrame7 | kCtlTwoStopBits},
        {9600, 5, platform::EVENPARITY, platform::ONESTOPBIT, kBaud9600 | kCtlFrame6},
        {57600, 7, platform::EVENPARITY, platform::ONE5STOPBITS, kBaud57600},
        {14400, 6, platform::NOPARITY, platform::ONESTOPBIT, kBaud14400 | kCtlFrame6},
    };
    BuiltInRig rig;
    OpsPort p(rig, 0);
    ASSERT_NE(p.ctx, nullptr);
    for (const auto& k : cases) {
        p.Settings(k.baud, k.size, k.parity, k.stop);
        EXPECT_EQ(Control(rig, 0) & (kCtlBaudMask | kCtlFrameMask | kCtlTwoStopBits), k.control) << k.baud;
    }
    platform::COMMPROP props{};
    kBuiltInOps.GetProperties(p.ctx, &props);
    EXPECT_EQ(props.dwSettableBaud, 0x67800u);
    EXPECT_EQ(props.wSettableStopParity, 0x0105);
    EXPECT_EQ(props.dwMaxTxQueue, 2048u);
    EXPECT_EQ(props.dwMaxRxQueue, 2048u);
}

TEST(BuiltInLayer, SoftwareParityOnTheWireBothWays) {
    struct Case { uint8_t size, parity, data, wire; } cases[] = {
        {7, platform::EVENPARITY, 0x41, 0x41}, {7, platform::EVENPARITY, 0x43, 0xC3},
        {7, platform::ODDPARITY, 0x41, 0xC1},  {7, platform::ODDPARITY, 0x43, 0x43},
        {7, platform::MARKPARITY, 0x41, 0xC1}, {7, platform::SPACEPARITY, 0x43, 0x43},
        {6, platform::EVENPARITY, 0x23, 0x63}, {8, platform::EVENPARITY, 0x43, 0x43},
    };
    for (const auto& k : cases) {
        BuiltInRig rig;
        OpsPort p(rig, 0);
        ASSERT_NE(p.ctx, nullptr);
        kBuiltInOps.Open(p.ctx);
        p.Settings(9600, k.size, k.parity, platform::ONESTOPBIT);
        uint32_t taken = 0;
        kBuiltInOps.TransmitBytes(p.ctx, &k.data, 1, &taken);
        ASSERT_EQ(taken, 1u);
        rig.clock->Advance(5);
        rig.bus.Service();
        EXPECT_EQ(rig.far[0].Got(), std::string(1, static_cast<char>(k.wire))) << int(k.data);

        // Back in: the right parity bit is taken off; the wrong one is a parity error.
        const uint8_t wrong = k.size < 8 ? static_cast<uint8_t>(k.wire ^ (1u << k.size)) : k.wire;
        rig.Send(0, std::string{static_cast<char>(k.wire), static_cast<char>(wrong)});
        rig.clock->Advance(5);
        uint8_t got[4] = {};
        uint32_t n = sizeof(got);
        kBuiltInOps.ReceiveBytes(p.ctx, got, &n);
        ASSERT_EQ(n, 2u);
        EXPECT_EQ(got[0], k.data);
        EXPECT_EQ(got[1], k.data);
        platform::COMSTAT s{};
        const uint32_t errors = kBuiltInOps.GetStatus(p.ctx, &s);
        EXPECT_EQ(errors, k.size < 8 ? platform::CE_RXPARITY : 0u) << int(k.data);
    }
}

// Transmissions cut short: an immediate character, a transmit purge, a power-off.
TEST(BuiltInLayer, TransmissionsInterrupted) {
    enum What { kImmediateIdle, kImmediateBusy, kPurge, kPowerOff };
    struct Case { const char* name; What what; } cases[] = {
        {"immediate character on an idle line", kImmediateIdle},
        {"immediate character during a transmission", kImmediateBusy},
        {"transmit purge", kPurge},
        {"power off", kPowerOff},
    };
    const std::string data = "0123456789";
    for (const auto& k : cases) {
        BuiltInRig rig;
        std::vector<uint32_t> raised;
        rig.services.raised = [&](uint32_t id) { raised.push_back(id); };
        OpsPort p(rig, 0);
        ASSERT_NE(p.ctx, nullptr);
        kBuiltInOps.Open(p.ctx);
        uint32_t taken = 0;
        if (k.what != kImmediateIdle) {
            kBuiltInOps.TransmitBytes(p.ctx, reinterpret_cast<const uint8_t*>(data.data()), 10, &taken);
            ASSERT_EQ(taken, 10u);
            rig.clock->Advance(3);  // settled to 4 ms: "012" out, "3" on the wire at 9600 bit/s
        }
        const uint64_t before = rig.clock->TickMs();
        std::string want;
        switch (k.what) {
        case kImmediateIdle:
            EXPECT_EQ(kBuiltInOps.SendImmediate(p.ctx, 'X'), 1);
            want = "X";
            break;
        case kImmediateBusy:
            EXPECT_EQ(kBuiltInOps.SendImmediate(p.ctx, 'X'), 1);
            want = "0123X456789";  // the interrupted transmission goes on after it
            break;
        case kPurge:
            kBuiltInOps.PurgeFifos(p.ctx, platform::PURGE_TXCLEAR);
            want = "0123";
            break;
        case kPowerOff:
            EXPECT_EQ(kBuiltInOps.PowerOff(p.ctx), 1);
            want = "0123";
            break;
        }
        EXPECT_LE(rig.clock->TickMs() - before, 25u) << k.name;  // hardware waits are bounded
        rig.clock->Advance(50);
        rig.bus.Service();
        EXPECT_EQ(rig.far[0].Got(), want) << k.name;
        if (k.what == kPowerOff) {
            uint16_t enable = 0;
            rig.bus.Read16(kControllerEnable, &enable);
            EXPECT_FALSE(enable & kPorts[0].enable_bit);
            EXPECT_EQ(kBuiltInOps.PowerOn(p.ctx), 1);
            rig.bus.Read16(kControllerEnable, &enable);
            EXPECT_TRUE(enable & kPorts[0].enable_bit);
            EXPECT_EQ(raised, (std::vector<uint32_t>{19, 25}));
        }
        // After the interrupts are served the transmitter is free: the next bytes go out whole.
        while (uint32_t pending = kBuiltInOps.GetPendingInterrupts(p.ctx))
            if (pending & kInterruptTransmit) kBuiltInOps.OnTransmitReady(p.ctx);
        kBuiltInOps.TransmitBytes(p.ctx, reinterpret_cast<const uint8_t*>("ok"), 2, &taken);
        EXPECT_EQ(taken, 2u) << k.name;
        rig.clock->Advance(10);
        rig.bus.Service();
        EXPECT_EQ(rig.far[0].Got(), want + "ok") << k.name;
    }
}

TEST(BuiltInLayer, DamagedReceivePositionStaysInsideTheRing) {
    BuiltInRig rig;
    OpsPort p(rig, 0);
    ASSERT_NE(p.ctx, nullptr);
    kBuiltInOps.Open(p.ctx);
    for (const uint16_t low : {0x0000, 0xFFFF, 0x4FFF, 0x6000}) {
        rig.bus.Write16(kPorts[0].receive_dma, low);
        uint8_t buf[8192];
        uint32_t n = sizeof(buf);
        kBuiltInOps.ReceiveBytes(p.ctx, buf, &n);
        EXPECT_LT(n, kRingSize) << low;
        platform::COMSTAT s{};
        kBuiltInOps.GetStatus(p.ctx, &s);
        EXPECT_EQ(s.cbInQue, 0u) << low;
    }
    rig.Send(0, "z");  // the controller drops what it cannot place and says so
    rig.clock->Advance(5);
    rig.bus.Service();
    rig.bus.WithController([](hardware::DmaUartController& c, uint64_t) { EXPECT_EQ(c.overruns(0), 1u); });
    kBuiltInOps.GetPendingInterrupts(p.ctx);  // takes the overrun into the line errors
    platform::COMSTAT s{};
    EXPECT_EQ(kBuiltInOps.GetStatus(p.ctx, &s), platform::CE_OVERRUN);
}

// The port layer drains a full ring itself; a routine that does not get to the ring at all lets
// the DMA go round past the read pointer, and that loss is an overrun.
TEST(BuiltInLayer, DmaRoundPastTheReadPointerIsAnOverrun) {
    BuiltInRig rig;
    OpsPort p(rig, 0);
    ASSERT_NE(p.ctx, nullptr);
    kBuiltInOps.Open(p.ctx);
    p.Settings(115200, 8, platform::NOPARITY, platform::ONESTOPBIT);
    platform::COMSTAT st{};
    struct Step { size_t bytes; uint32_t errors; } steps[] = {{3000, 0}, {1000, 0}, {500, platform::CE_OVERRUN}};
    for (const auto& k : steps) {
        rig.Send(0, std::string(k.bytes, 'f'));
        rig.clock->Advance(static_cast<uint32_t>(k.bytes / 10 + 5));  // 11520 bytes/s
        kBuiltInOps.GetPendingInterrupts(p.ctx);
        EXPECT_EQ(kBuiltInOps.GetStatus(p.ctx, &st), k.errors) << k.bytes;
    }
}

TEST(BuiltInStack, BytesBothWaysAcrossTheRingsWrapAndReadTimeOuts) {
    for (const uint32_t object : {0u, 2u}) {
        BuiltInPortStack s(object);
        ASSERT_NE(s.open, nullptr);
        const int port = s.port;
        s.Timeouts(0, 0, 500);
        std::string sent;
        for (int i = 0; i < 10000; ++i) sent.push_back(static_cast<char>(i * 31 + i / 256));
        std::string got;
        for (size_t off = 0; off < sent.size(); off += 2500) {
            s.rig.Send(port, sent.substr(off, 2500));
            uint8_t buf[3000];
            while (got.size() < off + 2500) {
                const int32_t n = PortRead(s.open, buf, sizeof(buf));
                ASSERT_GT(n, 0) << object << " at " << got.size();
                got.append(reinterpret_cast<char*>(buf), static_cast<size_t>(n));
            }
        }
        EXPECT_EQ(got, sent);

        // Nothing more comes: the read ends after its constant time-out.
        const uint64_t before = s.rig.clock->TickMs();
        uint8_t b;
        EXPECT_EQ(PortRead(s.open, &b, 1), 0);
        EXPECT_GE(s.rig.clock->TickMs() - before, 500u);
        EXPECT_LT(s.rig.clock->TickMs() - before, 520u);

        const std::string out(5000, 'w');
        EXPECT_EQ(PortWrite(s.open, reinterpret_cast<const uint8_t*>(out.data()), out.size()), 5000);
        s.rig.clock->SleepMs(2200);  // the last 2048 bytes take 2.1 s at 9600 bit/s
        const std::string far = s.rig.far[port].Got();
        EXPECT_EQ(far.size(), out.size());
        EXPECT_TRUE(far == out);
    }
}

TEST(BuiltInStack, EventMasksAndCtsFlow) {
    BuiltInPortStack s(0);
    ASSERT_NE(s.open, nullptr);
    DCB d = s.Dcb();
    d.EvtChar = '\n';
    d.fOutxCtsFlow = 1;
    ASSERT_TRUE(s.SetDcb(d));
    ASSERT_TRUE(s.SetMask(platform::EV_RXFLAG | platform::EV_RLSD | platform::EV_CTS | platform::EV_ERR));

    // Each case: the events the wait returns and the line errors the status then reports.
    struct Case {
        const char* name;
        std::string send;
        bool framing_error;
        hardware::PeerLines lines;
        uint32_t want, errors;
    } cases[] = {
        {"event character", "ab\n", false, {}, platform::EV_RXFLAG, 0},
        {"DCD on", "", false, {.dcd = true}, platform::EV_RLSD, 0},
        {"CTS on", "", false, {.dcd = true, .cts = true}, platform::EV_CTS, 0},
        {"framing error", "q", true, {}, platform::EV_ERR, platform::CE_FRAME},
    };
    platform::SERIAL_DEV_STATUS st{};
    for (const auto& k : cases) {
        if (!k.send.empty()) s.rig.Send(0, k.send, k.framing_error);
        else s.rig.Lines(0, k.lines);
        s.rig.clock->SleepMs(20);
        uint32_t events = 0;
        ASSERT_TRUE(WaitOnMask(s.open, &events));
        EXPECT_EQ(events, k.want) << k.name;
        ASSERT_TRUE(s.Control(platform::IOCTL_SERIAL_GET_COMMSTATUS, nullptr, 0, &st, sizeof(st)));
        EXPECT_EQ(st.Errors, k.errors) << k.name;
    }
    s.Timeouts(0, 0, 50);
    EXPECT_EQ(s.Read(8), "ab\nq");  // the badly framed byte is still delivered

    // CTS off holds the output: a write with a 100 ms time-out moves nothing, and the status
    // says why; with CTS back the same write goes out whole.
    s.rig.Lines(0, {.dcd = true});
    s.rig.clock->SleepMs(20);
    s.Timeouts(0, 0, 0, 100);
    const std::string out(40, 'c');
    EXPECT_EQ(s.Write(out), 0);
    ASSERT_TRUE(s.Control(platform::IOCTL_SERIAL_GET_COMMSTATUS, nullptr, 0, &st, sizeof(st)));
    EXPECT_TRUE(st.ComStat.fCtsHold);
    EXPECT_EQ(s.rig.far[0].Got(), "");
    s.rig.Lines(0, {.dcd = true, .cts = true});
    EXPECT_EQ(s.Write(out), 40);
    s.rig.clock->SleepMs(100);
    EXPECT_EQ(s.rig.far[0].Got(), out);
}

}  // namespace
}  // namespace qmx2::driver::testing
