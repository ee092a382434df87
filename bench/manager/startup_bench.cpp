// The manager's start-up with all background loads on a full SIM at 19200 bit/s, in virtual
// time, against its lower bound: the line time of every byte exchanged plus the waits the
// manager prescribes (the worker's 500 ms before each step and the pass's 1000 ms). Also the
// real CPU of that run, and the manager's heap over 1000 polling passes.
#include <benchmark/benchmark.h>
#include <malloc.h>

#include <atomic>
#include <ctime>
#include <string>

#include "hardware/card/card_port.h"
#include "manager/core/main_window.h"
#include "tests/manager/manager_harness.h"
#include "bench/manager/counting_port.h"

using namespace qmx2::manager;
using testing::CardEntry;
using testing::CardMessage;
using testing::Harness;

namespace {

using qmx2::bench::CountingPort;

// Worker: the pass's 1000 ms sleep and 500 ms before each of the loads of the SIM book, the
// card's book and the messages. (Its 500 ms before the first pass may overlap the start-up.)
constexpr double kPrescribedWaitMs = 1000 + 3 * 500;

void FillFullSim(Harness& h) {
    h.RegisterCard();
    for (size_t i = 0; i < h.card.messages.size(); ++i)
        h.card.messages[i] = CardMessage{"REC READ", "+35840" + std::to_string(1000000 + i),
                                         "26/01/05,12:00:00+08", std::string(160, 'm')};
    for (size_t i = 0; i < h.card.sim_book.entries.size(); ++i)
        h.card.sim_book.entries[i] = CardEntry{"+35840" + std::to_string(2000000 + i), 145,
                                               "Contact " + std::to_string(i)};
    for (size_t i = 0; i < h.card.card_book.entries.size(); ++i)
        h.card.card_book.entries[i] = CardEntry{"09" + std::to_string(3000000 + i), 129,
                                                "Card " + std::to_string(i)};
}

bool AllLoaded(Harness& h) {
    return h.ctx->sim_book_loaded && h.ctx->card_book_loaded && h.ctx->messages_loaded;
}

void BM_FullStartUp(benchmark::State& state) {
    double ratio = 0, virtual_ms = 0, bound_ms = 0, cpu_s = 0;
    for (auto _ : state) {
        Harness h;
        FillFullSim(h);
        const std::clock_t cpu0 = std::clock();
        const uint64_t t0 = h.clock->TickMs();
        StartManager(*h.ctx, h.worker);
        h.clock->WaitFor([&] { return AllLoaded(h); }, 3600000);
        virtual_ms = static_cast<double>(h.clock->TickMs() - t0);
        cpu_s = static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC;
        const double bytes = static_cast<double>(h.card.bytes_in + h.card.bytes_out);
        bound_ms = bytes * 10.0 * 1000.0 / 19200.0 + kPrescribedWaitMs;
        ratio = virtual_ms / bound_ms;
        h.StopWorker();
    }
    state.counters["virtual_ms"] = virtual_ms;
    state.counters["lower_bound_ms"] = bound_ms;
    state.counters["ratio"] = ratio;
    state.counters["process_cpu_s"] = cpu_s;
}
BENCHMARK(BM_FullStartUp)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime()->UseRealTime();


// The same start-up on the emulated card with its "full SIM" scenario.
void BM_FullStartUpEmulatedCard(benchmark::State& state) {
    using namespace qmx2::hardware::card;
    const ScenarioResult loaded =
        LoadScenario(std::string(QMX2_BENCH_SOURCE_DIR) + "/hardware/scenarios/full-sim.json");
    if (!loaded.scenario) {
        state.SkipWithError(loaded.error.c_str());
        return;
    }
    double ratio = 0, virtual_ms = 0, bound_ms = 0, cpu_s = 0;
    for (auto _ : state) {
        Harness h;
        CardPort card(*h.clock, *loaded.scenario);
        CountingPort port(card);
        h.UseCardPort(port);
        const std::clock_t cpu0 = std::clock();
        const uint64_t t0 = h.clock->TickMs();
        StartManager(*h.ctx, h.worker);
        h.clock->WaitFor([&] { return AllLoaded(h); }, 3600000);
        virtual_ms = static_cast<double>(h.clock->TickMs() - t0);
        cpu_s = static_cast<double>(std::clock() - cpu0) / CLOCKS_PER_SEC;
        bound_ms = static_cast<double>(port.bytes.load()) * 10.0 * 1000.0 / 19200.0 + kPrescribedWaitMs;
        ratio = virtual_ms / bound_ms;
        h.StopWorker();
    }
    state.counters["virtual_ms"] = virtual_ms;
    state.counters["lower_bound_ms"] = bound_ms;
    state.counters["ratio"] = ratio;
    state.counters["process_cpu_s"] = cpu_s;
}
BENCHMARK(BM_FullStartUpEmulatedCard)->Unit(benchmark::kMillisecond)->Iterations(3)->MeasureProcessCPUTime()->UseRealTime();

void BM_ThousandPollingPasses(benchmark::State& state) {
    double growth = 0, per_pass_cpu_ms = 0;
    for (auto _ : state) {
        Harness h;
        FillFullSim(h);
        h.card.record_commands = false;
        StartManager(*h.ctx, h.worker);
        h.clock->WaitFor([&] { return AllLoaded(h); }, 3600000);
        h.clock->WaitFor([&] { return h.ctx->passes.load() >= 100; }, qmx2::platform::kInfinite);
        const auto before = mallinfo2().uordblks;
        const std::clock_t cpu0 = std::clock();
        h.clock->WaitFor([&] { return h.ctx->passes.load() >= 1100; }, qmx2::platform::kInfinite);
        per_pass_cpu_ms = static_cast<double>(std::clock() - cpu0) * 1000.0 / CLOCKS_PER_SEC / 1000;
        growth = static_cast<double>(mallinfo2().uordblks) - static_cast<double>(before);
        h.StopWorker();
    }
    state.counters["heap_growth_bytes"] = growth;
    state.counters["cpu_ms_per_pass"] = per_pass_cpu_ms;
}
BENCHMARK(BM_ThousandPollingPasses)->Unit(benchmark::kMillisecond)->Iterations(1)->MeasureProcessCPUTime()->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
