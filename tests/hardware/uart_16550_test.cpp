// The emulated 16550 on its own: FIFOs, interrupt identification, line timing, status bits.
#include <gtest/gtest.h>

#include <string>

#include "hardware/uart/uart16550.h"

namespace qmx2::hardware {
namespace {

constexpr uint64_t kMs = 1'000'000;

struct RecordingPeer : SerialPeer {
    void OnByteFromUart(uint8_t b) override { got.push_back(static_cast<char>(b)); }
    void OnModemControl(bool d, bool r) override {
        dtr = d;
        rts = r;
    }
    std::string got;
    bool dtr = false, rts = false;
};

// A UART at 9600 8N1 with FIFOs on (trigger 8), interrupts enabled and OUT2 set.
struct Chip {
    Chip() {
        uart.SetPeer(&peer);
        uart.Write(3, 0x80, 0);
        uart.Write(0, 12, 0);
        uart.Write(1, 0, 0);
        uart.Write(3, 0x03, 0);
        uart.Write(2, 0x87, 0);
        uart.Write(4, 0x0B, 0);  // DTR, RTS, OUT2
        uart.Write(1, 0x0D, 0);
    }
    void SendFromPeer(const std::string& s, uint64_t now) {
        uart.SendFromPeer(reinterpret_cast<const uint8_t*>(s.data()), s.size(), now);
    }
    RecordingPeer peer;
    Uart16550 uart;
};

TEST(Uart16550, CharacterTimeFollowsDivisorAndFrame) {
    Chip c;
    EXPECT_EQ(c.uart.divisor(), 12);
    EXPECT_EQ(c.uart.CharacterTime(), 1'041'666u);  // 10 bits at 9600
    c.uart.Write(3, 0x03 | 0x08 | 0x04, 0);        // 8 data, parity, 2 stop: 12 bits
    EXPECT_EQ(c.uart.CharacterTime(), 1'250'000u);
    c.uart.Write(3, 0x80, 0);
    EXPECT_EQ(c.uart.Read(0, 0), 12);  // the latch reads back
    EXPECT_EQ(c.uart.Read(1, 0), 0);
    c.uart.Write(0, 1, 0);
    c.uart.Write(3, 0x00 | 0x04, 0);  // 5 data bits, 1.5 stop
    EXPECT_EQ(c.uart.CharacterTime(), 75ull * 1'000'000'000ull / 10 / 115200);
}

TEST(Uart16550, FourFifosWorthArriveInOrderWhenRead) {
    Chip c;
    std::string sent;
    for (int i = 0; i < 64; ++i) sent.push_back(static_cast<char>(i * 7));
    c.SendFromPeer(sent, 0);
    std::string got;
    for (uint64_t t = 0; got.size() < sent.size() && t < 200 * kMs; t += kMs) {
        c.uart.Advance(t + kMs);
        while (c.uart.Read(5, t) & kLsrDataReady) got.push_back(static_cast<char>(c.uart.Read(0, t)));
    }
    EXPECT_EQ(got, sent);
    EXPECT_EQ(c.uart.overruns(), 0u);
}

TEST(Uart16550, SeventeenthUnreadByteIsAnOverrun) {
    Chip c;
    c.SendFromPeer(std::string(17, 'o'), 0);
    c.uart.Advance(100 * kMs);
    EXPECT_EQ(c.uart.overruns(), 1u);
    EXPECT_EQ(c.uart.Read(2, 0) & 0x0F, 0x06);  // line status outranks data
    const uint8_t lsr = c.uart.Read(5, 0);
    EXPECT_TRUE(lsr & kLsrOverrun);
    EXPECT_FALSE(c.uart.Read(5, 0) & kLsrOverrun);  // cleared by reading
    int n = 0;
    while (c.uart.Read(5, 0) & kLsrDataReady) {
        c.uart.Read(0, 0);
        ++n;
    }
    EXPECT_EQ(n, 16);
}

TEST(Uart16550, TriggerLevelThenCharacterTimeout) {
    Chip c;
    c.SendFromPeer("1234567", 0);
    c.uart.Advance(7 * 1'041'666 + 1);
    EXPECT_EQ(c.uart.Read(2, 0) & 0x0F, 0x01);  // 7 bytes: below the trigger of 8
    c.uart.Advance(12 * kMs);
    EXPECT_EQ(c.uart.Read(2, 0) & 0x0F, 0x0C);  // idle for four characters
    c.SendFromPeer("8", 12 * kMs);
    c.uart.Advance(14 * kMs);
    EXPECT_EQ(c.uart.Read(2, 0), 0xC4);  // FIFOs on, receive data at the trigger
    EXPECT_TRUE(c.uart.InterruptLine());
    c.uart.Write(4, 0x03, 14 * kMs);  // OUT2 off gates the line
    EXPECT_FALSE(c.uart.InterruptLine());
}

TEST(Uart16550, TransmitterTimingAndHoldingRegisterInterrupt) {
    Chip c;
    EXPECT_TRUE(c.uart.Read(5, 0) & kLsrTransmitterEmpty);
    c.uart.Write(1, 0x0F, 0);  // enabling it with THR empty raises transmit ready
    EXPECT_EQ(c.uart.Read(2, 0) & 0x0F, 0x02);
    EXPECT_EQ(c.uart.Read(2, 0) & 0x0F, 0x01);  // reading the identification cleared it
    for (char ch : std::string("ATZ\r")) c.uart.Write(0, static_cast<uint8_t>(ch), 0);
    EXPECT_FALSE(c.uart.Read(5, 0) & kLsrTransmitterEmpty);
    c.uart.Advance(3 * kMs);
    EXPECT_EQ(c.peer.got, "AT");
    EXPECT_EQ(c.uart.NextEvent(), 3u * 1'041'666u);  // back to back on the line
    c.uart.Advance(5 * kMs);
    EXPECT_EQ(c.peer.got, "ATZ\r");
    EXPECT_EQ(c.uart.Read(2, 0) & 0x0F, 0x02);
    EXPECT_TRUE(c.uart.Read(5, 0) & kLsrTransmitterEmpty);
}

TEST(Uart16550, ModemStatusDeltasAndPeerLines) {
    Chip c;
    c.uart.SetPeerLines(true, true, true, false);
    EXPECT_EQ(c.uart.Read(2, 0) & 0x0F, 0x00);
    EXPECT_EQ(c.uart.Read(6, 0), 0x70 | 0x03);  // CTS, DSR, RI on; delta CTS and DSR
    EXPECT_EQ(c.uart.Read(6, 0), 0x70);
    c.uart.SetPeerLines(true, true, false, true);
    EXPECT_EQ(c.uart.Read(6, 0), 0x90 | 0x20 | 0x04 | 0x08);  // ring trailing edge, DCD delta
    EXPECT_TRUE(c.peer.dtr);
    EXPECT_TRUE(c.peer.rts);
}

TEST(Uart16550, PeerHoldsWhileRtsIsOff) {
    Chip c;
    c.uart.Write(4, 0x09, 0);  // RTS off
    c.SendFromPeer("held", 0);
    c.uart.Advance(50 * kMs);
    EXPECT_FALSE(c.uart.Read(5, 50 * kMs) & kLsrDataReady);
    c.uart.Write(4, 0x0B, 50 * kMs);
    c.uart.Advance(55 * kMs);
    EXPECT_TRUE(c.uart.Read(5, 55 * kMs) & kLsrDataReady);
}

TEST(Uart16550, ScratchRegisterAndParityErrorAtTheTop) {
    Chip c;
    c.uart.Write(7, 0xC6, 0);
    EXPECT_EQ(c.uart.Read(7, 0), 0xC6);
    c.uart.SetScratchBroken(true);
    EXPECT_EQ(c.uart.Read(7, 0), 0xFF);
    const uint8_t bad = 'p';
    c.uart.SendFromPeer(&bad, 1, 0, kLsrParity);
    c.uart.Advance(2 * kMs);
    const uint8_t lsr = c.uart.Read(5, 0);
    EXPECT_EQ(lsr & (kLsrParity | kLsrDataReady | kLsrFifoError),
              kLsrParity | kLsrDataReady | kLsrFifoError);
    EXPECT_EQ(c.uart.Read(0, 0), 'p');
}

TEST(Uart16550, FifoControlClearsAndNonFifoModeHoldsOneByte) {
    Chip c;
    c.SendFromPeer("xyz", 0);
    c.uart.Advance(10 * kMs);
    c.uart.Write(2, 0x83, 10 * kMs);
    EXPECT_FALSE(c.uart.Read(5, 0) & kLsrDataReady);
    c.uart.Write(2, 0x00, 10 * kMs);
    EXPECT_EQ(c.uart.Read(2, 0) & 0xC0, 0);
    c.SendFromPeer("ab", 10 * kMs);
    c.uart.Advance(20 * kMs);
    EXPECT_EQ(c.uart.overruns(), 1u);
    EXPECT_EQ(c.uart.Read(0, 0), 'a');
}

}  // namespace
}  // namespace qmx2::hardware
