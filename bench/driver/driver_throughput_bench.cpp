// Sustained COM_Write/COM_Read throughput at 115200 bit/s through the emulated 16550 (the PC
// Card layer) and through the emulated DMA UART (the built-in ports' layer), as a ratio of the
// line rate in the clock's time, the process CPU time per byte moved, and the
// interrupt-to-reader latency.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <ctime>

#include "platform/sync.h"
#include "tests/driver/builtin_rig.h"
#include "tests/driver/card_stack.h"

namespace qmx2::driver::testing {
namespace {

using namespace platform;

constexpr double kLineBytesPerSecond = 115200.0 / 10.0;

// CPU time of every thread of the process: the stacks' interrupt and dispatch threads do most
// of the work.
double ProcessCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
}

std::string Pattern(uint32_t bytes) {
    std::string text(bytes, '\0');
    for (uint32_t i = 0; i < bytes; ++i) text[i] = static_cast<char>('0' + i % 61);
    return text;
}

PortOpen* OpenFast(CardStack& s, bool rts_flow) {
    PortOpen* o = s.OpenReadWrite();
    DCB d = s.Dcb(o);
    d.BaudRate = 115200;
    if (rts_flow) d.fRtsControl = RTS_CONTROL_HANDSHAKE;
    s.SetDcb(o, d);
    s.SetTimeouts(o, 0, 0, 0);
    return o;
}

// A writer pushes `bytes` through the UART, the echo partner sends them back, the reader takes
// them in chunks: both directions of the line run full.
void BM_EchoThroughput(benchmark::State& state) {
    const uint32_t bytes = static_cast<uint32_t>(state.range(0));
    double ratio_sum = 0, cpu_ns = 0;
    uint64_t dropped = 0, overruns = 0, mismatches = 0;
    for (auto _ : state) {
        CardStack s;
        PortOpen* o = OpenFast(s, true);
        const std::string text = Pattern(bytes);
        const double cpu_start = ProcessCpuNs();
        const uint64_t start = s.clock->TickMs();
        Thread writer(*s.clock, [&] { s.Write(o, text); });
        std::string got;
        while (got.size() < bytes) got += s.Read(o, 1024);
        const uint64_t elapsed_ms = s.clock->TickMs() - start;
        writer.Join();
        cpu_ns += ProcessCpuNs() - cpu_start;
        mismatches += got != text;
        dropped += s.device->dropped.load();
        overruns += s.card->WithUart([](hardware::Uart16550& u) { return u.overruns(); });
        ratio_sum += (bytes / kLineBytesPerSecond) / (elapsed_ms / 1000.0);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["line_ratio"] = ratio_sum / n;
    state.counters["cpu_ns_per_byte"] = cpu_ns / (n * 2.0 * bytes);  // each byte goes out and back
    state.counters["dropped"] = static_cast<double>(dropped);
    state.counters["overruns"] = static_cast<double>(overruns);
    state.counters["mismatches"] = static_cast<double>(mismatches);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes);
}
BENCHMARK(BM_EchoThroughput)->Arg(16 * 1024)->Arg(64 * 1024)->Unit(benchmark::kMillisecond);

// The built-in port (COM1:) with both directions full at once: the far side sends `bytes` while
// the writer sends as many. line_ratio: the line time of `bytes` over the time until the later
// direction finished (the last byte read, the last byte at the far side). lost: bytes the
// controller could not place, bytes the port layer dropped, bytes that never arrived at the far
// side, and ring overruns.
void BM_BuiltInEachWay(benchmark::State& state) {
    const uint32_t bytes = static_cast<uint32_t>(state.range(0));
    double ratio_sum = 0, cpu_ns = 0;
    uint64_t lost = 0, mismatches = 0;
    for (auto _ : state) {
        BuiltInPortStack s(0);
        DCB d = s.Dcb();
        d.BaudRate = 115200;
        s.SetDcb(d);
        s.Timeouts(0, 0, 0);
        const std::string text = Pattern(bytes);
        const double cpu_start = ProcessCpuNs();
        const uint64_t start = s.rig.clock->TickMs();
        s.rig.Send(s.port, text);
        Thread writer(*s.rig.clock, [&] { s.Write(text); });
        std::string got;
        while (got.size() < bytes) got += s.Read(1024);
        writer.Join();
        // The write returns with its last chunk still on the line.
        for (int waited = 0; s.rig.far[s.port].Got().size() < bytes && waited < 1000; ++waited)
            s.rig.clock->SleepMs(1);
        const uint64_t elapsed_ms = s.rig.clock->TickMs() - start;
        cpu_ns += ProcessCpuNs() - cpu_start;
        const std::string far = s.rig.far[s.port].Got();
        mismatches += (got != text) + (far != text);
        lost += (bytes - std::min<size_t>(far.size(), bytes)) + s.device->dropped.load() +
                s.rig.bus.WithController([&](hardware::DmaUartController& c, uint64_t) { return c.overruns(s.port); });
        SERIAL_DEV_STATUS st{};
        s.Control(IOCTL_SERIAL_GET_COMMSTATUS, nullptr, 0, &st, sizeof(st));
        lost += (st.Errors & CE_OVERRUN) != 0;
        ratio_sum += (bytes / kLineBytesPerSecond) / (static_cast<double>(elapsed_ms) / 1000.0);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["line_ratio"] = ratio_sum / n;
    state.counters["cpu_ns_per_byte"] = cpu_ns / (n * 2.0 * bytes);
    state.counters["lost"] = static_cast<double>(lost);
    state.counters["mismatches"] = static_cast<double>(mismatches);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes);
}
BENCHMARK(BM_BuiltInEachWay)->Arg(64 * 1024)->Unit(benchmark::kMillisecond);

// One direction only: the card sends, the reader reads.
void BM_ReceiveThroughput(benchmark::State& state) {
    const uint32_t bytes = static_cast<uint32_t>(state.range(0));
    double ratio_sum = 0;
    uint64_t lost = 0;
    for (auto _ : state) {
        CardStack s;
        PortOpen* o = OpenFast(s, true);
        s.echo.SetEcho(false);
        const uint64_t start = s.clock->TickMs();
        s.echo.Queue(std::string(bytes, 'r'));
        pcmcia::PokeSocket(0);
        uint32_t got = 0;
        while (got < bytes) got += static_cast<uint32_t>(s.Read(o, 4096).size());
        const uint64_t elapsed_ms = s.clock->TickMs() - start;
        lost += s.device->dropped.load();
        ratio_sum += (bytes / kLineBytesPerSecond) / (elapsed_ms / 1000.0);
    }
    state.counters["line_ratio"] = ratio_sum / static_cast<double>(state.iterations());
    state.counters["dropped"] = static_cast<double>(lost);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * bytes);
}
BENCHMARK(BM_ReceiveThroughput)->Arg(64 * 1024)->Unit(benchmark::kMillisecond);

// From a byte leaving the card to the blocked reader returning with it: the real time the
// interrupt path costs, and the clock time it takes (the byte's line time included).
void BM_InterruptToReaderLatency(benchmark::State& state) {
    CardStack s;
    PortOpen* o = OpenFast(s, false);
    s.echo.SetEcho(false);
    s.SetTimeouts(o, 0, 0, 0);
    uint64_t clock_ms = 0;
    for (auto _ : state) {
        const uint64_t start = s.clock->TickMs();
        s.echo.Queue("x");
        pcmcia::PokeSocket(0);
        benchmark::DoNotOptimize(s.Read(o, 1));
        clock_ms += s.clock->TickMs() - start;
    }
    state.counters["clock_ms_per_byte"] =
        static_cast<double>(clock_ms) / static_cast<double>(state.iterations());
}
BENCHMARK(BM_InterruptToReaderLatency)->Unit(benchmark::kMicrosecond);

// Receive with XON/XOFF on while a write keeps the transmitter busy. The XOFF mark sits at
// range(0) bytes in the ring (8: XOFF and XON go out between the write's bytes all the time);
// the reader takes everything as it comes. line_ratio: the incoming bytes' line time over the time until
// the last one was read (1.0: the flow characters cost the incoming line nothing).
void BM_XonXoffReceiveWhileWriting(benchmark::State& state) {
    constexpr uint32_t kBytes = 8000;
    double ratio_sum = 0;
    uint64_t lost = 0, xoffs = 0, mismatches = 0;
    for (auto _ : state) {
        XonXoffPartner partner(12);  // a little more than the line takes: the line never waits
        CardStackOptions options;
        options.partner = &partner;
        CardStack s(options);
        PortOpen* o = OpenFast(s, false);
        DCB d = s.Dcb(o);
        d.fInX = 1;
        d.XoffLim = static_cast<uint16_t>(s.device->ring_size - state.range(0));
        s.SetDcb(o, d);
        const std::string incoming(kBytes, 'r');
        partner.Queue(incoming);
        const uint64_t start = s.clock->TickMs();
        pcmcia::PokeSocket(0);
        Thread writer(*s.clock, [&] { s.Write(o, std::string(4000, 'w')); });
        mismatches += s.Read(o, kBytes) != incoming;
        const uint64_t elapsed_ms = s.clock->TickMs() - start;
        writer.Join();
        lost += s.device->dropped.load() +
                s.card->WithUart([](hardware::Uart16550& u) { return u.overruns(); });
        const std::string sent = partner.received();
        xoffs += static_cast<uint64_t>(std::count(sent.begin(), sent.end(), '\x13'));
        ratio_sum += (kBytes / kLineBytesPerSecond) / (elapsed_ms / 1000.0);
    }
    const double n = static_cast<double>(state.iterations());
    state.counters["line_ratio"] = ratio_sum / n;
    state.counters["xoffs"] = static_cast<double>(xoffs) / n;
    state.counters["lost"] = static_cast<double>(lost);
    state.counters["mismatches"] = static_cast<double>(mismatches);
}
BENCHMARK(BM_XonXoffReceiveWhileWriting)->Arg(8)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace qmx2::driver::testing

BENCHMARK_MAIN();
