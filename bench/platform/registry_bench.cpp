// Latency of the handheld's registry on SQLite: reading and writing one value of a key, and
// walking a key of 50 values by index, each on a fresh root in the host's temporary folder.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/comm_types.h"
#include "platform/registry.h"
#include "platform/text.h"
#include "tests/platform/files_temp_root.h"

using namespace qmx2::platform;
using qmx2::platform::testing::TempRoot;

namespace {

// A fresh root with the key the commander keeps its settings under, open for the benchmark.
struct Fixture {
    TempRoot root;
    std::unique_ptr<Registry> reg;
    RegKey key = 0;

    explicit Fixture(benchmark::State& state) {
        std::string error;
        reg = OpenRegistry(root.path(), &error);
        if (!reg || reg->CreateKey(HKEY_LOCAL_MACHINE, u"Software\\Orvan\\QMX2", &key) != ERROR_SUCCESS) {
            state.SkipWithError(("registry: " + error).c_str());
            reg.reset();
        }
    }
};

void BM_QueryValue(benchmark::State& state) {
    Fixture f(state);
    if (!f.reg) return;
    const uint32_t port = 3;
    f.reg->SetValue(f.key, u"Port", REG_DWORD, &port, sizeof port);
    for (auto _ : state) {
        uint32_t type = 0, value = 0, size = sizeof value;
        if (f.reg->QueryValue(f.key, u"Port", &type, &value, &size) != ERROR_SUCCESS || value != port) {
            state.SkipWithError("QueryValue failed");
            break;
        }
        benchmark::DoNotOptimize(value);
    }
}
BENCHMARK(BM_QueryValue)->Unit(benchmark::kMicrosecond);

void BM_SetValue(benchmark::State& state) {
    Fixture f(state);
    if (!f.reg) return;
    uint32_t value = 0;
    for (auto _ : state) {
        ++value;
        if (f.reg->SetValue(f.key, u"Port", REG_DWORD, &value, sizeof value) != ERROR_SUCCESS) {
            state.SkipWithError("SetValue failed");
            break;
        }
    }
}
BENCHMARK(BM_SetValue)->Unit(benchmark::kMicrosecond);

// One pass over all 50 values, the way qmx2-reg query lists a key.
void BM_EnumValue50(benchmark::State& state) {
    Fixture f(state);
    if (!f.reg) return;
    constexpr uint32_t kValues = 50;
    for (uint32_t i = 0; i < kValues; ++i) {
        const WideString name = FromUtf8("Value" + std::to_string(i));
        const WideString text = FromUtf8("text of value " + std::to_string(i));
        f.reg->SetValue(f.key, name, REG_SZ, text.c_str(),
                        static_cast<uint32_t>((text.size() + 1) * sizeof(char16_t)));
    }
    WideChar name[kMaxRegNameChars + 1];
    unsigned char data[256];
    for (auto _ : state) {
        uint32_t found = 0;
        for (uint32_t i = 0;; ++i) {
            uint32_t chars = kMaxRegNameChars + 1, type = 0, size = sizeof data;
            if (f.reg->EnumValue(f.key, i, name, &chars, &type, data, &size) != ERROR_SUCCESS) break;
            ++found;
        }
        if (found != kValues) {
            state.SkipWithError("EnumValue did not list every value");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations() * kValues);
}
BENCHMARK(BM_EnumValue50)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
