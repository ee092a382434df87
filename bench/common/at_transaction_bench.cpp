// CPU per received byte of the AT command transaction for a short and a long reply, through the
// whole transaction on a card that answers at once, and the heap allocations per transaction
// (global operator new is counted in this binary; the figure must be 0). The stop rules alone
// and the whole-reply search they replace are measured beside it.
#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <new>
#include <string>

#include "common/at_transaction.h"
#include "platform/clock.h"
#include "platform/comm_types.h"
#include "platform/devices.h"
#include "platform/stream_driver.h"
#include "tests/common/stop_rules_reference.h"

namespace {

std::atomic<uint64_t> g_allocations{0};

}  // namespace

// GCC takes the replaced operators for the library's and warns on malloc/free pairs it inlines.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif

void* operator new(std::size_t n) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(n ? n : 1)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t n) { return operator new(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

namespace qmx2::common {
namespace {

using namespace qmx2::platform;

// A card with its reply ready the moment the command's CR arrives.
class InstantCard final : public StreamDriver {
public:
    explicit InstantCard(std::string reply) : reply_(std::move(reply)) {}

    uintptr_t Open(uint32_t, uint32_t) override { return 1; }
    bool Close(uintptr_t) override { return true; }
    int32_t Read(uintptr_t, void* buffer, uint32_t length) override {
        if (length == 0 || next_ >= reply_.size()) return 0;
        *static_cast<char*>(buffer) = reply_[next_++];
        return 1;
    }
    int32_t Write(uintptr_t, const void* buffer, uint32_t length) override {
        if (length == 1 && *static_cast<const char*>(buffer) == '\r') next_ = 0;
        return static_cast<int32_t>(length);
    }
    bool IoControl(uintptr_t, uint32_t code, const void*, uint32_t, void* out, uint32_t out_length,
                   uint32_t* returned) override {
        if (code == IOCTL_SERIAL_GET_DCB && out && out_length >= sizeof(DCB)) {
            *static_cast<DCB*>(out) = DCB{};
            if (returned) *returned = sizeof(DCB);
        }
        return true;
    }

private:
    std::string reply_;
    size_t next_ = SIZE_MAX;
};

// Seconds of CPU per received byte, shown with its unit prefix ("31.2n").
benchmark::Counter PerByte(size_t bytes) {
    return benchmark::Counter(static_cast<double>(bytes),
                              benchmark::Counter::kIsIterationInvariantRate |
                                  benchmark::Counter::kInvert);
}

// A phone-book reply of about `size` bytes: echo, entries, final OK.
std::string PhoneBookReply(size_t size) {
    std::string r = "AT+CPBR=1,10\r\r\n";
    const std::string tail = "\r\nOK\r\n";
    while (r.size() + tail.size() < size) r += "+CPBR: 1,\"+441234567\",145,\"Name\"\r\n";
    r.resize(size - tail.size(), ' ');
    return r + tail;
}

void BM_Transaction(benchmark::State& state) {
    const size_t size = static_cast<size_t>(state.range(0));
    auto clock = MakeVirtualClock();
    Devices devices;
    InstantCard card(PhoneBookReply(size));
    devices.Register(u"COM3:", &card);
    auto channel = std::make_unique<AtChannel>(devices, *clock);
    channel->SetPortName(u"COM3:");

    const uint64_t before = g_allocations.load();
    for (auto _ : state) {
        const char* reply = SendAtCommand(*channel, "AT+CPBR=1,10", "+CPBR", 20);
        benchmark::DoNotOptimize(reply);
    }
    const double allocations = static_cast<double>(g_allocations.load() - before) /
                               static_cast<double>(state.iterations());
    if (channel->last_rule != StopRule::kOk) state.SkipWithError("the reply did not end by OK");
    if (allocations != 0) state.SkipWithError("heap allocation in a transaction");
    state.counters["allocs_per_transaction"] = allocations;
    state.counters["time_per_byte"] = PerByte(size);
}
BENCHMARK(BM_Transaction)->Arg(100)->Arg(8000);

void BM_StopRules(benchmark::State& state) {
    const std::string reply = PhoneBookReply(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        StopRuleEngine engine(kManagerCommandFlavour.rules, "+CPBR");
        StopRule rule = StopRule::kNone;
        for (char c : reply) {
            engine.Feed(static_cast<unsigned char>(c));
            rule = engine.Check();
        }
        benchmark::DoNotOptimize(rule);
    }
    state.counters["time_per_byte"] = PerByte(reply.size());
}
BENCHMARK(BM_StopRules)->Arg(100)->Arg(8000);

// What searching the whole reply after every byte would cost: grows with the reply.
void BM_WholeReplySearch(benchmark::State& state) {
    const std::string reply = PhoneBookReply(static_cast<size_t>(state.range(0)));
    for (auto _ : state) {
        StopRule rule = StopRule::kNone;
        for (size_t i = 1; i <= reply.size(); ++i)
            rule = testing::ReferenceStopRule(kManagerCommandFlavour.rules,
                                              std::string_view(reply).substr(0, i), "+CPBR");
        benchmark::DoNotOptimize(rule);
    }
    state.counters["time_per_byte"] = PerByte(reply.size());
}
BENCHMARK(BM_WholeReplySearch)->Arg(100)->Arg(8000);

}  // namespace
}  // namespace qmx2::common

BENCHMARK_MAIN();
