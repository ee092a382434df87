// The emulated card's speed: how long a short reply takes from the command's CR to its last
// byte on an unlimited line (target: under 1 ms), and how closely a long listing at 19200 bit/s
// keeps to the line rate (target: within 2 %).
#include <benchmark/benchmark.h>

#include <string>

#include "hardware/card/card_port.h"
#include "platform/clock.h"
#include "platform/comm_types.h"

namespace {

using namespace qmx2::hardware::card;
using namespace qmx2::platform;

// The engine alone: command in, reply out.
void BM_EngineShortReply(benchmark::State& state) {
    auto clock = MakeRealClock();
    Phone phone(*clock, DefaultScenario());
    const std::string cmd = "AT+CSQ\r";
    uint8_t out[256];
    for (auto _ : state) {
        phone.Receive({reinterpret_cast<const uint8_t*>(cmd.data()), cmd.size()});
        size_t n = 0;
        while (phone.QueuedBytes() > 0) n += phone.Transmit(out, clock->TickMs());
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_EngineShortReply);

// Through the in-process port on the real clock, unpaced: write the command, read until the
// final result, as a program does.
void BM_PortShortReplyLatency(benchmark::State& state) {
    auto clock = MakeRealClock();
    CardPort port(*clock, DefaultScenario(), {.paced = false});
    const uintptr_t h = port.Open(GENERIC_READ | GENERIC_WRITE, 0);
    const COMMTIMEOUTS t{0, 0, 1000, 0, 0};
    port.IoControl(h, IOCTL_SERIAL_SET_TIMEOUTS, &t, sizeof t, nullptr, 0, nullptr);
    char buf[64];
    for (auto _ : state) {
        port.Write(h, "AT+CSQ", 6);
        port.Write(h, "\r", 1);
        std::string reply;
        while (reply.size() < 5 || reply.compare(reply.size() - 4, 4, "OK\r\n") != 0) {
            const int32_t n = port.Read(h, buf, 1);
            if (n <= 0) {
                state.SkipWithError("no reply");
                break;
            }
            reply.append(buf, static_cast<size_t>(n));
        }
    }
    port.Close(h);
}
BENCHMARK(BM_PortShortReplyLatency)->Unit(benchmark::kMicrosecond);

// A full message memory listed at 19200 bit/s on the virtual clock: the time the bytes take
// against the time the line needs for them.
void BM_ListingAt19200(benchmark::State& state) {
    double error_pct = 0;
    size_t bytes = 0;
    for (auto _ : state) {
        auto clock = MakeVirtualClock();
        CardPort port(*clock, DefaultScenario());
        port.WithPhone([](Phone& p) { p.FillMemory(); });
        const uintptr_t h = port.Open(GENERIC_READ | GENERIC_WRITE, 0);
        DCB dcb{};
        uint32_t ret;
        port.IoControl(h, IOCTL_SERIAL_GET_DCB, nullptr, 0, &dcb, sizeof dcb, &ret);
        dcb.BaudRate = 19200;
        port.IoControl(h, IOCTL_SERIAL_SET_DCB, &dcb, sizeof dcb, nullptr, 0, nullptr);
        const COMMTIMEOUTS t{0, 500, 0, 0, 0};
        port.IoControl(h, IOCTL_SERIAL_SET_TIMEOUTS, &t, sizeof t, nullptr, 0, nullptr);
        port.Write(h, "ATE0\r", 5);
        char c;
        while (port.Read(h, &c, 1) == 1) {}  // drain up to the quiet time-out
        port.Write(h, "AT+CMGL=\"ALL\"\r", 14);
        std::string reply;
        port.Read(h, &c, 1);
        const uint64_t first = clock->TickMs();
        reply.push_back(c);
        while (port.Read(h, &c, 1) == 1) {
            reply.push_back(c);
            if (reply.size() > 6 && reply.compare(reply.size() - 6, 6, "\r\nOK\r\n") == 0) break;
        }
        const double took = static_cast<double>(clock->TickMs() - first);
        const double line = static_cast<double>(reply.size() - 1) * 10'000.0 / 19200.0;
        error_pct = (took - line) / line * 100.0;
        bytes = reply.size();
        port.Close(h);
    }
    state.counters["bytes"] = static_cast<double>(bytes);
    state.counters["rate_error_pct"] = error_pct;
}
BENCHMARK(BM_ListingAt19200)->Iterations(5);

}  // namespace

BENCHMARK_MAIN();
