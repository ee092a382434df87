// qmx2ctl's "status" and "pb list SIM" on the full SIM at 19200 bit/s, each against its lower
// bound: the line time of the bytes the command must move (start-up sequence, its own reads,
// the settings report at the end) plus the waits prescribed for those commands: the close's
// pause waits for the paused worker's next acknowledgement, at most 1500 ms (counted at its
// most; the start-up itself sleeps only on retries). In virtual time on the emulated card, as qmx2ctl does it now and as it did before
// (the manager's whole start-up with the worker's polling and every background load); and in
// real time through the device host with the real programs.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "hardware/card/card_port.h"
#include "manager/core/main_window.h"
#include "manager/core/polling.h"
#include "manager/ctl/ctl_commands.h"
#include "manager/ctl/ctl_loads.h"
#include "tests/manager/manager_harness.h"
#include "bench/manager/counting_port.h"

using namespace qmx2::manager;
using testing::Harness;

namespace {

using qmx2::bench::CountingPort;


std::string Source(const std::string& path) { return std::string(QMX2_BENCH_SOURCE_DIR) + "/" + path; }

std::vector<std::string> CommandOf(int which) {
    return which == 0 ? std::vector<std::string>{"status"} : std::vector<std::string>{"pb", "list", "SIM"};
}

constexpr double kCloseWaitMs = 1500;

struct VirtualRun {
    double ms = 0, line_ms = 0;
};

// One command on the emulated full SIM; `as_before`: the whole start-up with polling and the
// background loads the command used to wait for.
VirtualRun RunVirtual(const std::vector<std::string>& command, bool as_before) {
    using namespace qmx2::hardware::card;
    const ScenarioResult loaded = LoadScenario(Source("hardware/scenarios/full-sim.json"));
    VirtualRun run;
    if (!loaded.scenario) return run;
    Harness h;
    CardPort card(*h.clock, *loaded.scenario);
    CountingPort port(card);
    h.UseCardPort(port);
    h.ctx->worker_stays_paused = !as_before;
    const uint64_t t0 = h.clock->TickMs();
    StartManager(*h.ctx, h.worker);
    if (as_before) {
        const bool books_only = command[0] == "pb";
        h.clock->WaitFor([&] {
            return h.ctx->sim_book_loaded && h.ctx->card_book_loaded && (books_only || h.ctx->messages_loaded);
        }, 3600000);
        PausePolling(*h.ctx, kStatePaused);
    } else {
        ctl::RunLoads(*h.ctx, ctl::LoadsFor(command), [] { return true; });
    }
    ctl::RunCtlCommand(*h.ctx, command, false);
    DestroyMainWindow(*h.ctx);  // as qmx2ctl ends: the card settings are reported
    run.ms = static_cast<double>(h.clock->TickMs() - t0);
    run.line_ms = static_cast<double>(port.bytes.load()) * 10.0 * 1000.0 / 19200.0;
    h.StopWorker();
    return run;
}

void BM_CtlVirtual(benchmark::State& state) {
    const auto command = CommandOf(static_cast<int>(state.range(0)));
    VirtualRun now, before;
    for (auto _ : state) {
        now = RunVirtual(command, false);
        before = RunVirtual(command, true);
    }
    state.counters["virtual_ms"] = now.ms;
    state.counters["bound_ms"] = now.line_ms + kCloseWaitMs;
    state.counters["ratio"] = now.ms / (now.line_ms + kCloseWaitMs);
    state.counters["before_virtual_ms"] = before.ms;
    state.counters["before_ratio"] = before.ms / (now.line_ms + kCloseWaitMs);
}
BENCHMARK(BM_CtlVirtual)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(1)->UseRealTime();

// The real programs: the device host serving the emulated full SIM, the commander it starts,
// qmx2ctl timed on the wall clock. The bound is the same line time as in virtual time.
void BM_CtlThroughDeviceHost(benchmark::State& state) {
    const auto command = CommandOf(static_cast<int>(state.range(0)));
    const char* build = std::getenv("QMX2_BUILD_DIR");
    const std::string bin = std::string(build ? build : QMX2_BENCH_BUILD_DIR) + "/bin/";
    char tmpl[] = "/tmp/qmx2-ctlbench-XXXXXX";
    if (!mkdtemp(tmpl)) return state.SkipWithError("no temp folder");
    const std::string root = tmpl;
    std::system((bin + "qmx2-reg --root " + root +
                 " add 'HKLM\\Software\\Orvan\\SERQMX2' /v autopowerup /t REG_DWORD /d 1 >/dev/null && " +
                 bin + "qmx2-reg --root " + root + " add 'HKLM\\Software\\Orvan\\QMX2' /v StartUpFlag /d Off >/dev/null")
                    .c_str());
    const std::string log = root + "/host.log";
    std::system((bin + "qmx2-device --root " + root + " --card sim=" + Source("hardware/scenarios/full-sim.json") +
                 " >" + log + " 2>&1 & echo $! >" + root + "/host.pid")
                    .c_str());
    bool ready = false;
    for (int i = 0; i < 600 && !ready; ++i) {
        ready = std::system(("grep -q 'the card is ready' " + log).c_str()) == 0;
        if (!ready) std::system("sleep 0.1");
    }
    std::string args;
    for (const std::string& w : command) args += " " + w;
    const double line_ms = RunVirtual(command, false).line_ms;
    double wall_ms = 0;
    for (auto _ : state) {
        if (!ready) {
            state.SkipWithError("the device host did not get the card ready");
            break;
        }
        const auto t0 = std::chrono::steady_clock::now();
        const int rc = std::system((bin + "qmx2ctl --root " + root + args + " >/dev/null 2>&1").c_str());
        wall_ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
        if (rc != 0) state.SkipWithError("qmx2ctl failed");
    }
    std::system(("kill $(cat " + root + "/host.pid) 2>/dev/null; sleep 1; rm -rf " + root).c_str());
    state.counters["wall_ms"] = wall_ms;
    state.counters["bound_ms"] = line_ms + kCloseWaitMs;
    state.counters["ratio"] = wall_ms / (line_ms + kCloseWaitMs);
}
BENCHMARK(BM_CtlThroughDeviceHost)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3)->UseRealTime();

}  // namespace

BENCHMARK_MAIN();
