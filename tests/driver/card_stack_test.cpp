// The driver on the emulated PC Card: power-up and the configuration search, the scratch-pad
// test, divisors, bytes through the 16550 at the programmed rate, flow control on the line and
// a card pulled while the port is open.
#include <gtest/gtest.h>

#include <algorithm>
#include <mutex>

#include "platform/last_error.h"
#include "tests/driver/card_stack.h"

namespace qmx2::driver::testing {
namespace {

using namespace platform;

hardware::PcCardScenario WithTable(std::vector<hardware::ConfigTableEntry> table) {
    hardware::PcCardScenario s;
    s.config_table = std::move(table);
    return s;
}

uintptr_t PortOf(CardStack& s) { return s.uart()->io_base & 0xFFFF; }

TEST(CardPower, AutoPowerUpLetsAnAccessOpenSucceedAtOnce) {
    CardStack s;
    ASSERT_NE(s.device, nullptr);
    EXPECT_EQ(s.uart()->powered_up.load(), 1u);
    EXPECT_NE(s.OpenReadWrite(), nullptr);
    EXPECT_EQ(s.card->ReadConfigRegister(0), 1);  // the 0x3F8 entry's index
    EXPECT_EQ(PortOf(s), 0x3F8u);
}

TEST(CardPower, WithoutAutoPowerUpAccessWaitsForThePowerRequest) {
    CardStackOptions o;
    o.autopowerup = false;
    CardStack s(o);
    ASSERT_NE(s.device, nullptr);
    SetLastError(0);
    EXPECT_EQ(s.OpenReadWrite(), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_ACCESS);
    PortOpen* control = s.Open(0);
    uint32_t powered = 9;
    EXPECT_TRUE(s.Control(control, IOCTL_CARD_IS_POWERED, nullptr, 0, &powered, 4));
    EXPECT_EQ(powered, 0u);
    const uint64_t start = s.clock->TickMs();
    EXPECT_TRUE(s.Control(control, IOCTL_CARD_POWER_UP));
    EXPECT_EQ(s.clock->TickMs() - start, 200u);  // 100 ms before the reset, ResetDelay 100
    EXPECT_FALSE(s.Control(control, IOCTL_CARD_POWER_UP));  // a second one changes nothing
    EXPECT_TRUE(s.Control(control, IOCTL_CARD_IS_POWERED, nullptr, 0, &powered, 4));
    EXPECT_EQ(powered, 1u);
    EXPECT_TRUE(PortClose(control));
    PortOpen* port = s.OpenReadWrite();
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(s.Write(port, "AT\r"), 3);
    EXPECT_EQ(s.Read(port, 3), "AT\r");
}

TEST(CardPower, AnAccessOpenBesideThePowerHandleWorksOnTheCardThatCameUp) {
    // The power request's own handle is the port's first open, made while the card was down:
    // the card that comes up under it must get its UART, interrupt and modem lines, or the
    // access open beside it writes into a dead line and waits for ever.
    CardStackOptions o;
    o.autopowerup = false;
    CardStack s(o);
    ASSERT_NE(s.device, nullptr);
    PortOpen* control = s.Open(0);
    ASSERT_TRUE(s.Control(control, IOCTL_CARD_POWER_UP));
    PortOpen* port = s.OpenReadWrite();
    ASSERT_NE(port, nullptr);
    EXPECT_EQ(s.Write(port, "AT\r"), 3);
    EXPECT_EQ(s.Read(port, 3), "AT\r");
    EXPECT_TRUE(PortClose(port));
    EXPECT_TRUE(PortClose(control));
}

TEST(CardPower, FirstUsableEntryWinsAndShortRangesNeverCount) {
    {
        CardStackOptions o;
        o.scenario = WithTable({{7, {{0x3F8, 8}}}, {9, {{0x2E8, 8}}}});
        CardStack s(o);
        EXPECT_EQ(PortOf(s), 0x3F8u);
        EXPECT_EQ(s.card->ReadConfigRegister(0), 7);
    }
    {
        CardStackOptions o;
        o.scenario = WithTable({{2, {{0x3F8, 8}, {0x2E8, 8}}}});
        CardStack s(o);
        EXPECT_EQ(PortOf(s), 0x2E8u);  // inside one entry the preferred base wins
    }
    {
        CardStackOptions o;
        o.scenario = WithTable({{3, {{0x2E8, 6}}}, {4, {{0x2F8, 7}}}});
        CardStack s(o);
        EXPECT_EQ(PortOf(s), 0x2F8u);
        EXPECT_EQ(s.card->ReadConfigRegister(0), 4);
    }
}

TEST(CardPower, NoUsableEntryFailsAndReleasesTheCard) {
    CardStackOptions o;
    o.autopowerup = false;
    o.scenario = WithTable({{3, {{0x2E8, 6}}}, {4, {{0x1000, 8}}}});
    CardStack s(o);
    PortOpen* control = s.Open(0);
    EXPECT_FALSE(s.Control(control, IOCTL_CARD_POWER_UP));
    EXPECT_EQ(s.uart()->client, 0u);
    EXPECT_EQ(s.OpenReadWrite(), nullptr);
}

TEST(CardPower, ScratchPadTestAndItsOptOut) {
    CardStackOptions o;
    o.scenario.scratch_pad_broken = true;
    CardStack broken(o);
    EXPECT_EQ(broken.uart()->powered_up.load(), 0u);
    o.no_scratch_pad = true;
    CardStack allowed(o);
    EXPECT_EQ(allowed.uart()->powered_up.load(), 1u);
    PortOpen* p = allowed.OpenReadWrite();
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(allowed.Write(p, "x"), 1);
    EXPECT_EQ(allowed.Read(p, 1), "x");
}

TEST(CardPower, PowerDownWithThePortOpenClosesTheLayer) {
    CardStack s;
    PortOpen* o = s.OpenReadWrite();
    PortOpen* control = s.Open(0);
    const COMMTIMEOUTS t{0, 0, 0, 0, 100};
    ASSERT_TRUE(s.Control(o, IOCTL_SERIAL_SET_TIMEOUTS, &t, sizeof(t)));
    EXPECT_TRUE(s.Control(control, IOCTL_CARD_POWER_DOWN));
    EXPECT_EQ(s.uart()->layer_open_count.load(), 0u);
    EXPECT_EQ(s.Write(o, "lost"), 0);  // nothing answers; the write times out quietly
    EXPECT_TRUE(PortClose(o));
    EXPECT_TRUE(PortClose(control));
}

TEST(CardUartLine, DivisorTwelveAt9600AndUnknownRatesLeaveIt) {
    CardStack s;
    PortOpen* o = s.OpenReadWrite();
    EXPECT_EQ(s.ChipDivisor(), 12);
    DCB d = s.Dcb(o);
    d.BaudRate = 115200;
    s.SetDcb(o, d);
    EXPECT_EQ(s.ChipDivisor(), 1);
    d.BaudRate = 230400;
    s.SetDcb(o, d);
    EXPECT_EQ(s.ChipDivisor(), 1);
    EXPECT_EQ(s.Dcb(o).BaudRate, 230400u);
    d.ByteSize = 7;
    d.Parity = EVENPARITY;
    d.StopBits = TWOSTOPBITS;
    s.SetDcb(o, d);
    EXPECT_EQ(s.card->WithUart([](hardware::Uart16550& u) { return u.line_control(); }),
              0x02 | 0x18 | 0x04);
    // The next first open restores 9600 8N1 on the chip too.
    EXPECT_TRUE(PortClose(o));
    o = s.OpenReadWrite();
    EXPECT_EQ(s.ChipDivisor(), 12);
    EXPECT_EQ(s.card->WithUart([](hardware::Uart16550& u) { return u.line_control(); }), 0x03);
    EXPECT_EQ(s.card->WithUart([](hardware::Uart16550& u) { return u.modem_control(); }), 0x0B);
}

TEST(CardUartLine, BytesTakeTheirLineTime) {
    CardStack s;
    PortOpen* o = s.OpenReadWrite();
    s.SetTimeouts(o, 0, 0, 0);
    const std::string text(96, 'k');
    const uint64_t start = s.clock->TickMs();
    EXPECT_EQ(s.Write(o, text), 96);
    EXPECT_EQ(s.Read(o, 96), text);
    const uint64_t took = s.clock->TickMs() - start;
    // 96 characters of 10 bits at 9600 bit/s: 100 ms on the line, plus one character.
    EXPECT_GE(took, 100u);
    EXPECT_LE(took, 110u);
}

TEST(CardUartLine, FourFifosOfDataArriveWhole) {
    CardStack s;
    PortOpen* o = s.OpenReadWrite();
    s.SetTimeouts(o, 0, 0, 0);
    std::string text;
    for (int i = 0; i < 64 * 4; ++i) text.push_back(static_cast<char>(i));
    Thread writer(*s.clock, [&] { EXPECT_EQ(s.Write(o, text), 256); });
    EXPECT_EQ(s.Read(o, 256), text);
    writer.Join();
    EXPECT_EQ(s.card->WithUart([](hardware::Uart16550& u) { return u.overruns(); }), 0u);
}

TEST(CardUartLine, CtsFlowHoldsTheWriteUntilCtsReturns) {
    CardStack s;
    PortOpen* o = s.OpenReadWrite();
    DCB d = s.Dcb(o);
    d.fOutxCtsFlow = 1;
    s.SetDcb(o, d);
    s.card->WithUart([](hardware::Uart16550& u) { u.SetPeerLines(false, true, false, true); });
    pcmcia::PokeSocket(0);
    s.clock->SleepMs(5);  // the modem-status interrupt records CTS off
    int32_t written = -1;
    Thread writer(*s.clock, [&] { written = s.Write(o, "held"); });
    s.clock->SleepMs(500);
    EXPECT_EQ(s.echo.received(), "");
    EXPECT_EQ(s.uart()->waiting_for_cts.load(), 1u);
    s.card->WithUart([](hardware::Uart16550& u) { u.SetPeerLines(true, true, false, true); });
    pcmcia::PokeSocket(0);
    writer.Join();
    EXPECT_EQ(written, 4);
    s.clock->SleepMs(10);
    EXPECT_EQ(s.echo.received(), "held");
}

TEST(CardUartLine, ParityErrorBecomesErrorCharOnlyWithBothFlags) {
    for (bool error_char : {false, true}) {
        CardStack s;
        PortOpen* o = s.OpenReadWrite();
        DCB d = s.Dcb(o);
        d.fParity = 1;
        d.Parity = EVENPARITY;
        d.fErrorChar = error_char ? 1 : 0;
        d.ErrorChar = '?';
        s.SetDcb(o, d);
        s.echo.SetEcho(false);
        s.card->WithUart([](hardware::Uart16550& u) {
            u.SendFromPeer(reinterpret_cast<const uint8_t*>("abcd"), 4, 0);
            u.SendFromPeer(reinterpret_cast<const uint8_t*>("X"), 1, 0, hardware::kLsrParity);
            u.SendFromPeer(reinterpret_cast<const uint8_t*>("efg"), 3, 0);
        });
        pcmcia::PokeSocket(0);
        s.SetTimeouts(o, 0, 0, 0);
        EXPECT_EQ(s.Read(o, 8), error_char ? "abcd?efg" : "abcdXefg");
    }
}

TEST(CardUartLine, RtsHandshakeHoldsThePeerSoNothingIsLost) {
    CardStack s;
    PortOpen* o = s.OpenReadWrite();
    DCB d = s.Dcb(o);
    d.fRtsControl = RTS_CONTROL_HANDSHAKE;
    d.BaudRate = 115200;
    s.SetDcb(o, d);
    s.echo.SetEcho(false);
    std::string text;
    for (int i = 0; i < 5000; ++i) text.push_back(static_cast<char>('A' + i % 23));
    s.echo.Queue(text);
    pcmcia::PokeSocket(0);
    s.clock->SleepMs(1000);  // nobody reads: the ring fills to three quarters and RTS drops
    EXPECT_FALSE(s.card->WithUart([](hardware::Uart16550& u) { return u.modem_control() & 0x02; }));
    EXPECT_GT(s.device->Available(), 1536u);
    EXPECT_LT(s.device->Available(), 1600u);
    s.SetTimeouts(o, 0, 0, 0);
    EXPECT_EQ(s.Read(o, 5000), text);
    EXPECT_EQ(s.device->dropped.load(), 0u);
    EXPECT_EQ(s.card->WithUart([](hardware::Uart16550& u) { return u.overruns(); }), 0u);
}

std::string Pattern(size_t n, char first, int period) {
    std::string text;
    for (size_t i = 0; i < n; ++i) text.push_back(static_cast<char>(first + i % period));
    return text;
}

// XOFF and XON go out from the interrupt routine while a write keeps the transmitter busy: the
// routine never waits for the transmitter, so the receive FIFO never overruns.
TEST(CardUartLine, XonXoffWhileAWriteRunsLosesNothing) {
    XonXoffPartner partner;
    CardStackOptions options;
    options.partner = &partner;
    CardStack s(options);
    PortOpen* o = s.OpenReadWrite();
    DCB d = s.Dcb(o);
    d.BaudRate = 115200;
    d.fInX = 1;
    d.XoffLim = 512;
    s.SetDcb(o, d);
    s.SetTimeouts(o, 0, 0, 0);
    const std::string incoming = Pattern(4000, 'A', 23);
    const std::string outgoing = Pattern(3000, 'a', 19);
    partner.Queue(incoming);
    pcmcia::PokeSocket(0);
    Thread writer(*s.clock, [&] { EXPECT_EQ(s.Write(o, outgoing), 3000); });
    s.clock->SleepMs(300);  // nobody reads: the ring fills and XOFF goes out
    EXPECT_NE(partner.received().find('\x13'), std::string::npos);
    EXPECT_EQ(s.Read(o, 4000), incoming);
    writer.Join();
    s.clock->SleepMs(10);
    std::string data = partner.received();
    EXPECT_EQ(std::count(data.begin(), data.end(), '\x13'),
              std::count(data.begin(), data.end(), '\x11'));
    std::erase_if(data, [](char c) { return c == '\x11' || c == '\x13'; });
    EXPECT_EQ(data, outgoing);
    EXPECT_EQ(s.device->dropped.load(), 0u);
    EXPECT_EQ(s.card->WithUart([](hardware::Uart16550& u) { return u.overruns(); }), 0u);
}

// The divisor latch is switched in for a rate change while the interrupt routine reads data
// and sets the interrupt enable: no access may land in between.
TEST(CardUartLine, BaudChangesWhileBytesArriveGiveNoBogusByteAndTheRightDivisor) {
    CardStack s;
    PortOpen* o = s.OpenReadWrite();
    s.SetTimeouts(o, 0, 0, 10000);
    DCB d = s.Dcb(o);
    d.BaudRate = 57600;
    s.SetDcb(o, d);
    s.echo.SetEcho(false);
    const std::string incoming = Pattern(12000, '0', 61);
    s.echo.Queue(incoming);
    pcmcia::PokeSocket(0);
    std::string got;
    Thread reader(*s.clock, [&] { got = s.Read(o, 12000); });
    for (int i = 0; i < 1000; ++i) {
        d.BaudRate = i % 2 ? 57600 : 38400;
        s.SetDcb(o, d);
        ASSERT_EQ(s.ChipDivisor(), i % 2 ? 2 : 3) << i;
        s.clock->SleepMs(1);
    }
    reader.Join();
    EXPECT_EQ(got, incoming);
    EXPECT_EQ(s.ChipDivisor(), 2);
}

// On a real chip a slow interrupt routine loses bytes to overrun; the emulated chip's pause
// while a receive interrupt is pending hides that unless a test asks for it.
TEST(CardUartLine, ASlowInterruptRoutineOverrunsUnlessTheChipPauses) {
    for (const bool pause : {false, true}) {
        CardStackOptions options;
        options.scenario.pause_receive_while_interrupt_pending = pause;
        CardStack s(options);
        PortOpen* o = s.OpenReadWrite();
        DCB d = s.Dcb(o);
        d.BaudRate = 115200;
        s.SetDcb(o, d);
        s.echo.SetEcho(false);
        {
            Lock busy(s.uart()->register_lock);  // the routine waits for the registers
            s.echo.Queue(std::string(200, 'o'));
            pcmcia::PokeSocket(0);
            s.clock->SleepMs(100);
        }
        s.clock->SleepMs(100);
        SERIAL_DEV_STATUS status{};
        ASSERT_TRUE(s.Control(o, IOCTL_SERIAL_GET_COMMSTATUS, nullptr, 0, &status, sizeof(status)));
        EXPECT_EQ((status.Errors & CE_OVERRUN) != 0, !pause) << pause;
        EXPECT_EQ(status.ComStat.cbInQue == 200, pause) << pause;
    }
}

TEST(CardPull, PulledCardWithThePortOpenEndsOperationsQuietly) {
    CardStack s;
    PortOpen* o = s.OpenReadWrite();
    PortOpen* control = s.Open(0);
    const COMMTIMEOUTS t{0, 0, 300, 0, 300};
    ASSERT_TRUE(s.Control(o, IOCTL_SERIAL_SET_TIMEOUTS, &t, sizeof(t)));
    std::string read;
    Thread reader(*s.clock, [&] { read = s.Read(o, 10); });
    s.clock->SleepMs(20);
    s.Pull();
    EXPECT_EQ(s.Write(o, "AT\r"), 0);
    reader.Join();
    EXPECT_EQ(read, "");
    DCB d = s.Dcb(o);
    d.BaudRate = 19200;
    s.SetDcb(o, d);
    uint32_t status = 0;
    EXPECT_TRUE(s.Control(o, IOCTL_SERIAL_GET_MODEMSTATUS, nullptr, 0, &status, 4));
    EXPECT_TRUE(s.Control(o, IOCTL_SERIAL_CLR_DTR));
    const uint32_t purge = PURGE_RXCLEAR | PURGE_TXCLEAR;
    EXPECT_TRUE(s.Control(o, IOCTL_SERIAL_PURGE, &purge, 4));
    EXPECT_TRUE(s.Control(control, IOCTL_CARD_POWER_DOWN));
    EXPECT_TRUE(PortClose(o));
    EXPECT_TRUE(PortClose(control));
    EXPECT_TRUE(PortDeinit(s.device));
    s.device = nullptr;
}

TEST(CardPull, RegistersBeforeThePowerUpAreNeverTouched) {
    CardStackOptions opt;
    opt.autopowerup = false;
    CardStack s(opt);
    PortOpen* control = s.Open(0);
    uint32_t status = 0;
    EXPECT_TRUE(s.Control(control, IOCTL_SERIAL_GET_MODEMSTATUS, nullptr, 0, &status, 4));
    EXPECT_EQ(status, 0u);
    EXPECT_TRUE(PortClose(control));
}

}  // namespace
}  // namespace qmx2::driver::testing
