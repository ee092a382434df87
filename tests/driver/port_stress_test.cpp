// Many callers on one port at once while the card is pulled (or the built-in port's power
// cycles), and many open/close cycles; run under the thread sanitizer and the leak checker to
// find races, deadlocks and leaks.
#include <gtest/gtest.h>

#include <atomic>

#include "platform/sync.h"
#include "tests/driver/builtin_rig.h"
#include "tests/driver/card_stack.h"

namespace qmx2::driver::testing {
namespace {

using namespace platform;

TEST(PortStress, ReaderWriterWaiterAndRequestsWhileOpensComeAndGoAndTheCardIsPulled) {
    CardStack s;
    PortOpen* port = s.OpenReadWrite();
    PortOpen* watcher = s.Open(0);
    ASSERT_NE(port, nullptr);
    ASSERT_NE(watcher, nullptr);
    const COMMTIMEOUTS t{0, 0, 50, 0, 200};
    ASSERT_TRUE(s.Control(port, IOCTL_SERIAL_SET_TIMEOUTS, &t, sizeof(t)));
    const uint32_t mask = EV_RXCHAR | EV_TXEMPTY | EV_CTS | EV_ERR;
    ASSERT_TRUE(s.Control(watcher, IOCTL_SERIAL_SET_WAIT_MASK, &mask, 4));

    std::atomic<bool> stop{false};
    std::atomic<int> reads{0}, writes{0}, waits{0}, requests{0}, cycles{0};
    Thread reader(*s.clock, [&] {
        while (!stop) {
            s.Read(port, 64);
            ++reads;
        }
    });
    Thread writer(*s.clock, [&] {
        while (!stop) {
            s.Write(port, "AT+CSQ\r");
            ++writes;
            s.clock->SleepMs(3);
        }
    });
    Thread waiter(*s.clock, [&] {
        while (!stop) {
            uint32_t events = 0;
            if (!WaitOnMask(watcher, &events)) break;
            ++waits;
        }
    });
    Thread requester(*s.clock, [&] {
        while (!stop) {
            SERIAL_DEV_STATUS status{};
            s.Control(port, IOCTL_SERIAL_GET_COMMSTATUS, nullptr, 0, &status, sizeof(status));
            uint32_t modem = 0;
            s.Control(port, IOCTL_SERIAL_GET_MODEMSTATUS, nullptr, 0, &modem, 4);
            DCB d = s.Dcb(port);
            d.fRtsControl = (requests % 2) ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_ENABLE;
            s.SetDcb(port, d);
            ++requests;
            s.clock->SleepMs(2);
        }
    });
    Thread opener(*s.clock, [&] {
        while (!stop) {
            if (PortOpen* extra = s.Open(0)) {
                uint32_t powered = 0;
                s.Control(extra, IOCTL_CARD_IS_POWERED, nullptr, 0, &powered, 4);
                PortClose(extra);
            }
            ++cycles;
            s.clock->SleepMs(1);
        }
    });

    s.clock->SleepMs(300);
    s.card->WithUart([](hardware::Uart16550& u) { u.SetPeerLines(false, true, false, true); });
    pcmcia::PokeSocket(0);
    s.clock->SleepMs(200);
    // Power cycled under the callers' feet: the layer closes, the registers are forgotten.
    PortOpen* power = s.Open(0);
    EXPECT_TRUE(s.Control(power, IOCTL_CARD_POWER_DOWN));
    s.clock->SleepMs(50);
    EXPECT_TRUE(s.Control(power, IOCTL_CARD_POWER_UP));
    EXPECT_TRUE(PortClose(power));
    s.clock->SleepMs(100);
    s.Pull();
    s.clock->SleepMs(300);
    stop = true;
    EXPECT_TRUE(PortClose(watcher));  // releases the waiter
    reader.Join();
    writer.Join();
    waiter.Join();
    requester.Join();
    opener.Join();
    EXPECT_TRUE(PortClose(port));
    EXPECT_GT(reads.load(), 0);
    EXPECT_GT(writes.load(), 10);
    EXPECT_GT(waits.load(), 0);
    EXPECT_GT(requests.load(), 10);
    EXPECT_GT(cycles.load(), 10);
}

// The built-in port (COM1:) with the far side talking and moving its lines, while the host's
// power manager switches the port off and on under the callers.
TEST(PortStress, BuiltInPortReaderWriterWaiterRequestsAndPowerCycles) {
    BuiltInPortStack s(0);
    ASSERT_NE(s.open, nullptr);
    PortOpen* watcher = PortOpenContext(s.device, 0, 0);
    ASSERT_NE(watcher, nullptr);
    s.Timeouts(0, 0, 50, 200);
    const uint32_t mask = EV_RXCHAR | EV_TXEMPTY | EV_CTS | EV_RLSD | EV_ERR | EV_POWER;
    ASSERT_TRUE(PortIoControl(watcher, IOCTL_SERIAL_SET_WAIT_MASK, reinterpret_cast<const uint8_t*>(&mask),
                              sizeof(mask), nullptr, 0, nullptr));
    Clock& clock = *s.rig.clock;

    std::atomic<bool> stop{false};
    std::atomic<int> reads{0}, writes{0}, waits{0}, requests{0}, cycles{0}, far_turns{0};
    Thread reader(clock, [&] {
        while (!stop) {
            s.Read(64);
            ++reads;
        }
    });
    Thread writer(clock, [&] {
        while (!stop) {
            s.Write("AT+CSQ\r");
            ++writes;
            clock.SleepMs(3);
        }
    });
    Thread waiter(clock, [&] {
        while (!stop) {
            uint32_t events = 0;
            if (!WaitOnMask(watcher, &events)) break;
            ++waits;
        }
    });
    Thread requester(clock, [&] {
        while (!stop) {
            SERIAL_DEV_STATUS status{};
            s.Control(IOCTL_SERIAL_GET_COMMSTATUS, nullptr, 0, &status, sizeof(status));
            uint32_t modem = 0;
            s.Control(IOCTL_SERIAL_GET_MODEMSTATUS, nullptr, 0, &modem, 4);
            DCB d = s.Dcb();
            d.BaudRate = (requests % 2) ? 115200 : 57600;
            d.fOutxCtsFlow = requests % 3 == 0;
            s.SetDcb(d);
            s.Control(requests % 2 ? IOCTL_SERIAL_SET_DTR : IOCTL_SERIAL_SET_RTS);
            const uint32_t purge = PURGE_RXCLEAR | (requests % 5 == 0 ? PURGE_TXCLEAR : 0);
            s.Control(IOCTL_SERIAL_PURGE, &purge, 4);
            if (requests % 7 == 0) {
                const uint8_t c = 'i';
                s.Control(IOCTL_SERIAL_IMMEDIATE_CHAR, &c, 1);
            }
            ++requests;
            clock.SleepMs(2);
        }
    });
    Thread far(clock, [&] {
        for (int i = 0; !stop; ++i) {
            s.rig.Send(s.port, "OK\r\n", i % 11 == 0);
            s.rig.Lines(s.port, {.dcd = i % 4 < 2, .cts = i % 3 != 0, .dsr = true});
            ++far_turns;
            clock.SleepMs(4);
        }
    });
    Thread power(clock, [&] {
        while (!stop) {
            clock.SleepMs(37);
            s.device->ops().PowerOff(s.device->hardware_context);
            clock.SleepMs(5);
            s.device->ops().PowerOn(s.device->hardware_context);
            ++cycles;
        }
    });

    clock.SleepMs(1500);
    stop = true;
    EXPECT_TRUE(PortClose(watcher));  // releases the waiter
    for (Thread* t : {&reader, &writer, &waiter, &requester, &far, &power}) t->Join();
    EXPECT_GT(reads.load(), 0);
    EXPECT_GT(writes.load(), 10);
    EXPECT_GT(waits.load(), 0);
    EXPECT_GT(requests.load(), 10);
    EXPECT_GT(cycles.load(), 10);
    // Still a working port: with the far side's CTS up a write goes out whole.
    DCB d = s.Dcb();
    d.fOutxCtsFlow = 0;
    s.SetDcb(d);
    clock.SleepMs(100);  // the last write's tail leaves the line
    const size_t before = s.rig.far[s.port].Got().size();
    EXPECT_EQ(s.Write("AT\r"), 3);
    clock.SleepMs(50);
    EXPECT_EQ(s.rig.far[s.port].Got().substr(before), "AT\r");
}

TEST(PortStress, ThousandOpenCloseCyclesLeaveNothingBehind) {
    CardStack s;
    for (int i = 0; i < 1000; ++i) {
        PortOpen* o = s.OpenReadWrite();
        ASSERT_NE(o, nullptr) << i;
        if (i % 100 == 0) {
            EXPECT_EQ(s.Write(o, "AT\r"), 3);
        }
        ASSERT_TRUE(PortClose(o));
    }
    EXPECT_EQ(s.device->open_list, nullptr);
    EXPECT_EQ(s.device->open_count.load(), 0u);
    EXPECT_EQ(s.uart()->layer_open_count.load(), 0u);
    EXPECT_EQ(s.uart()->uart_open_count.load(), 0u);
}

// The commander's power query beside the manager's transaction: an open without access, the
// power request and a close, over and over, while access opens exchange "AT\r". Opens and
// closes of either kind must never leave the UART closed under an open port.
TEST(PortStress, PowerQueriesBesideAccessOpensNeverLoseAnExchange) {
    CardStack s;
    constexpr int kCycles = 10000;
    std::atomic<bool> stop{false};
    std::atomic<int> queries{0};
    Thread commander(*s.clock, [&] {
        while (!stop) {
            if (PortOpen* o = s.Open(0)) {
                uint32_t powered = 0;
                s.Control(o, IOCTL_CARD_IS_POWERED, nullptr, 0, &powered, 4);
                PortClose(o);
                ++queries;
            }
            s.clock->SleepMs(1);
        }
    });
    int failed = 0;
    for (int i = 0; i < kCycles; ++i) {
        PortOpen* o = s.OpenReadWrite();
        if (!o) {
            ++failed;
            continue;
        }
        s.SetTimeouts(o, 0, 0, 100);
        if (s.Write(o, "AT\r") != 3 || s.Read(o, 3) != "AT\r") ++failed;
        PortClose(o);
    }
    stop = true;
    commander.Join();
    EXPECT_EQ(failed, 0);
    EXPECT_GT(queries.load(), 0);
    EXPECT_EQ(s.device->open_count.load(), 0u);
    EXPECT_EQ(s.uart()->layer_open_count.load(), 0u);
    EXPECT_EQ(s.uart()->uart_open_count.load(), 0u);
    // The port still works afterwards: a write without time-outs returns.
    PortOpen* o = s.OpenReadWrite();
    ASSERT_NE(o, nullptr);
    EXPECT_EQ(s.Write(o, std::string(40, 'x')), 40);
    EXPECT_TRUE(PortClose(o));
}

}  // namespace
}  // namespace qmx2::driver::testing
