// Many callers on one port at once while the card is pulled, and many open/close cycles; run
// under the thread sanitizer and the leak checker to find races, deadlocks and leaks.
#include <gtest/gtest.h>

#include <atomic>

#include "platform/sync.h"
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
