// The built-in ports' emulated controller: DMA into the ring and out of the transmit area at
// the line rate, write-1-to-clear status, modem lines, errors, the shared enable register.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "hardware/dmauart/dma_uart.h"
#include "hardware/dmauart/dma_uart_bus.h"

namespace qmx2::hardware {
namespace {

using namespace dmauart;
constexpr uint64_t kMs = 1'000'000;

struct RecordingPeer : SerialPeer {
    void OnByteFromUart(uint8_t b) override { got.push_back(static_cast<char>(b)); }
    void OnModemControl(bool d, bool r) override { dtr = d, rts = r; }
    std::string got;
    bool dtr = false, rts = false;
};

// One port programmed as a driver opens it: enabled, DMA addresses at the area starts,
// receiver and both interrupts on.
struct Port {
    explicit Port(int index, uint16_t baud = kBaud115200, uint16_t extra = 0) : i(index) {
        c.SetPeer(i, &peer);
        Write(a().status + kControlOffset, static_cast<uint16_t>(kCtlPortEnabled | baud | extra));
        SetAddress(a().receive_dma, a().dma_memory);
        SetAddress(a().transmit_dma, a().dma_memory + kTransmitAreaOffset);
        Write(a().status + kControlOffset, static_cast<uint16_t>(Control() | kCtlReceiverOn |
                                                                  kCtlModemInterrupt | kCtlReceiveInterrupt));
    }
    const PortAddresses& a() const { return kPorts[i]; }
    void Write(uint32_t phys, uint16_t v) { ASSERT_TRUE(c.WriteRegister(phys, v, now)); }
    uint16_t Read(uint32_t phys) {
        uint16_t v = 0;
        EXPECT_TRUE(c.ReadRegister(phys, &v, now));
        return v;
    }
    void SetAddress(uint32_t reg, uint32_t value) {
        Write(reg, static_cast<uint16_t>(value & 0xFFFF));
        Write(reg + kAddressHighOffset, static_cast<uint16_t>(value >> 16));
    }
    uint16_t Control() { return Read(a().status + kControlOffset); }
    uint16_t Status() { return Read(a().status); }
    void ClearStatus(uint16_t bit) { Write(a().status, static_cast<uint16_t>((Status() & kStKeepMask) | bit)); }
    uint32_t RxOffset() { return Read(a().receive_dma) - (a().dma_memory & 0xFFFF); }
    uint8_t* Ring() { return c.Memory(a().dma_memory, kRingSize); }
    void PeerSends(const std::string& s, bool framing = false) {
        c.SendFromPeer(i, reinterpret_cast<const uint8_t*>(s.data()), s.size(), now, framing);
    }
    // Queues `s` to end at the transmit area's middle and starts the DMA, as the driver does.
    void Transmit(const std::string& s) {
        const uint32_t start = a().dma_memory + kTransmitAreaOffset + kTransmitStopBoundary - s.size();
        std::memcpy(c.Memory(start, s.size()), s.data(), s.size());
        SetAddress(a().transmit_dma, start);
        Write(a().status + kControlOffset, static_cast<uint16_t>(Control() | kCtlTransmitDma));
    }
    void Run(uint64_t ns) {
        now += ns;
        c.Advance(now);
    }
    int i;
    uint64_t now = 0;
    RecordingPeer peer;
    DmaUartController c;
};

TEST(DmaUart, ReceiveDmaFillsTheRingAtLineRateAndWraps) {
    for (int i = 0; i < kPortCount; ++i) {
        Port p(i);
        std::string sent;
        for (int k = 0; k < 5000; ++k) sent.push_back(static_cast<char>(k * 13));
        p.PeerSends(sent);
        // 10 bits a byte at 115200: byte 100 lands after 100 * 86805 ns.
        p.Run(100 * 86'805);
        EXPECT_EQ(p.RxOffset(), 99u);
        EXPECT_TRUE(p.Status() & kStReceiveData);
        EXPECT_TRUE(p.Status() & kStReceiveActivity);
        EXPECT_TRUE(p.c.InterruptLine(i));
        p.Run(1000 * kMs);
        EXPECT_EQ(p.RxOffset(), 5000u % kRingSize);
        for (uint32_t k = 0; k < kRingSize; ++k) {
            const uint32_t last = 5000 - kRingSize + k;  // the newest byte at each ring offset
            ASSERT_EQ(p.Ring()[last % kRingSize], static_cast<uint8_t>(sent[last])) << k;
        }
        EXPECT_TRUE(p.Status() & kStReceiveIdle);
        EXPECT_EQ(p.c.overruns(i), 0u);
    }
}

TEST(DmaUart, StatusBitsClearOnlyWhenOneIsWritten) {
    Port p(0);
    p.PeerSends("x", true);
    p.Run(1 * kMs);
    p.c.SetPeerLines(0, {.dcd = true, .cts = false, .dsr = true, .ri = false}, p.now);
    const uint16_t lines = kStCtsOff | kStRiOff;
    EXPECT_EQ(p.Status() & (kStDcdOff | kStCtsOff | kStDsrOff | kStRiOff), lines);
    struct Case { uint16_t bit; } cases[] = {{kStModemChange}, {kStFraming}, {kStReceiveData},
                                              {kStReceiveActivity}, {kStReceiveIdle}};
    for (const auto& k : cases) {
        const uint16_t before = p.Status();
        ASSERT_TRUE(before & k.bit) << std::hex << k.bit;
        p.ClearStatus(k.bit);
        EXPECT_EQ(p.Status(), before & ~k.bit) << std::hex << k.bit;
    }
    p.Write(p.a().status, static_cast<uint16_t>(~lines & kStKeepMask));  // lines are read-only
    EXPECT_EQ(p.Status(), lines);
}

TEST(DmaUart, TransmitDmaSendsUpToTheBoundaryAtLineRate) {
    struct Case { uint16_t baud, frame; std::string out, seen; uint64_t char_ns; } cases[] = {
        {kBaud9600, 0, "AT\r", "AT\r", 1'041'666},
        {kBaud57600, kCtlFrame7 | kCtlTwoStopBits, "\xC3\x41", "\x43\x41", 10 * 1'000'000'000ull / 57600},
        {kBaud115200, kCtlFrame6, "\xFF", "\x3F", 8 * 1'000'000'000ull / 115200},
    };
    for (const auto& k : cases) {
        Port p(1, k.baud, k.frame);
        ASSERT_EQ(p.c.CharacterTime(1), k.char_ns);
        p.Transmit(k.out);
        p.Run(k.char_ns * k.out.size() - 1);
        EXPECT_EQ(p.peer.got.size(), k.out.size() - 1);
        EXPECT_FALSE(p.Status() & kStTransmitDone);
        EXPECT_FALSE(p.Status() & kStTransmitFetched);
        p.Run(2);  // events due at the limit itself settle in the next step
        EXPECT_EQ(p.peer.got, k.seen);
        EXPECT_EQ(p.Status() & (kStTransmitDone | kStTransmitFetched), kStTransmitDone | kStTransmitFetched);
        EXPECT_TRUE(p.c.InterruptLine(1));
        EXPECT_EQ(p.Read(p.a().transmit_dma) & (kTransmitStopBoundary - 1), 0u);
        p.Run(100 * kMs);  // the DMA bit still on, but the DMA stopped at the boundary
        EXPECT_EQ(p.peer.got, k.seen);
    }
}

TEST(DmaUart, CtsFlowControlHoldsTheTransmitDma) {
    Port p(0, kBaud9600, kCtlCtsFlow);
    p.Transmit("hello");
    p.Run(20 * kMs);
    EXPECT_EQ(p.peer.got, "");
    p.c.SetPeerLines(0, {.cts = true}, p.now);
    p.Run(3 * kMs);
    EXPECT_EQ(p.peer.got, "he");
    p.c.SetPeerLines(0, {.cts = false}, p.now);
    p.Run(20 * kMs);
    EXPECT_EQ(p.peer.got, "hel");  // the byte on the wire finishes
    p.c.SetPeerLines(0, {.cts = true}, p.now);
    p.Run(20 * kMs);
    EXPECT_EQ(p.peer.got, "hello");
}

TEST(DmaUart, LostBytesAreOverruns) {
    struct Case { const char* what; int setup; } cases[] = {
        {"receiver off", 0}, {"port disabled", 1}, {"shared enable bit off", 2},
        {"DMA address outside the ring", 3}, {"DMA address below the block", 4}};
    for (const auto& k : cases) {
        Port p(1);
        const uint16_t ctl = p.Control();
        if (k.setup == 0) p.Write(p.a().status + kControlOffset, ctl & ~kCtlReceiverOn);
        if (k.setup == 1) p.Write(p.a().status + kControlOffset, ctl & ~kCtlPortEnabled);
        if (k.setup == 2) p.Write(kControllerEnable, kPorts[0].enable_bit);
        if (k.setup == 3) p.SetAddress(p.a().receive_dma, p.a().dma_memory + kRingSize + 5);
        if (k.setup == 4) p.SetAddress(p.a().receive_dma, 0x12345678);
        p.PeerSends("abc");
        p.Run(10 * kMs);
        EXPECT_EQ(p.c.overruns(1), 3u) << k.what;
        EXPECT_EQ(p.Ring()[0], 0) << k.what;
        EXPECT_FALSE(p.Status() & kStReceiveData) << k.what;
        EXPECT_TRUE(p.Status() & kStOverrun) << k.what;
    }
}

TEST(DmaUart, SharedEnableRegisterStopsOnlyItsPort) {
    Port p(0);
    RecordingPeer b_peer;
    p.c.SetPeer(1, &b_peer);
    p.Write(kPorts[1].status + kControlOffset, kCtlPortEnabled | kCtlReceiverOn);
    p.SetAddress(kPorts[1].receive_dma, kPorts[1].dma_memory);
    EXPECT_EQ(p.Read(kControllerEnable), kPorts[0].enable_bit | kPorts[1].enable_bit);
    p.Write(kControllerEnable, kPorts[1].enable_bit);
    p.PeerSends("a");
    p.c.SendFromPeer(1, reinterpret_cast<const uint8_t*>("b"), 1, p.now);
    p.Run(kMs);
    EXPECT_EQ(p.c.overruns(0), 1u);
    EXPECT_EQ(p.c.overruns(1), 0u);
    EXPECT_EQ(p.c.Memory(kPorts[1].dma_memory, 1)[0], 'b');
}

TEST(DmaUart, ModemControlAndLineChangesReachBothSides) {
    Port p(0);
    p.Write(p.a().status + kControlOffset, p.Control() | kCtlDtr | kCtlRts);
    EXPECT_TRUE(p.peer.dtr && p.peer.rts);
    p.ClearStatus(kStModemChange);
    p.c.SetPeerLines(0, {}, p.now);  // unchanged: no change bit
    EXPECT_FALSE(p.Status() & kStModemChange);
    p.c.SetPeerLines(0, {.dcd = true}, p.now);
    EXPECT_TRUE(p.Status() & kStModemChange);
    EXPECT_FALSE(p.Status() & kStDcdOff);
    EXPECT_TRUE(p.c.InterruptLine(0));
    uint16_t v;
    EXPECT_FALSE(p.c.ReadRegister(0xB0001000u, &v, p.now));  // nothing answers there
    EXPECT_EQ(p.c.Memory(p.a().dma_memory + kDmaBlockSize - 1, 2), nullptr);
}

TEST(DmaUartBus, AccessesHappenAtTheClocksTick) {
    auto clock = platform::MakeVirtualClock();
    DmaUartBus bus(*clock);
    const PortAddresses& a = kPorts[0];
    ASSERT_TRUE(bus.Write16(a.status + kControlOffset, kCtlPortEnabled | kCtlReceiverOn | kBaud9600));
    ASSERT_TRUE(bus.Write16(a.receive_dma, static_cast<uint16_t>(a.dma_memory)));
    ASSERT_TRUE(bus.Write16(a.receive_dma + kAddressHighOffset, static_cast<uint16_t>(a.dma_memory >> 16)));
    bus.WithController([](DmaUartController& c, uint64_t now) {
        c.SendFromPeer(0, reinterpret_cast<const uint8_t*>("0123456789"), 10, now);
    });
    EXPECT_EQ(bus.NextEventTick(), 1u);  // the first byte is in at 1.04 ms
    clock->Advance(5);
    uint16_t low = 0;
    ASSERT_TRUE(bus.Read16(a.receive_dma, &low));
    EXPECT_EQ(low - (a.dma_memory & 0xFFFF), 5u);  // settled to the end of tick 5
    clock->Advance(100);
    ASSERT_TRUE(bus.Read16(a.receive_dma, &low));
    EXPECT_EQ(low - (a.dma_memory & 0xFFFF), 10u);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(bus.Memory(a.dma_memory, 10)), 10), "0123456789");
}

}  // namespace
}  // namespace qmx2::hardware
