// Events, threads and interlocked counters on a Clock, with the semantics of the handheld's
// kernel objects: auto-reset events release one waiter, manual-reset events stay set, Pulse
// releases the current waiters and leaves the event reset.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <thread>

#include "platform/clock.h"

namespace qmx2::platform {

enum class WaitResult { kSignaled, kTimeout };

class Event {
public:
    Event(Clock& clock, bool manual_reset, bool initially_set = false)
        : clock_(clock), manual_(manual_reset), set_(initially_set) {}
    Event(const Event&) = delete;
    Event& operator=(const Event&) = delete;

    void Set();
    void Reset();
    // Releases every thread waiting now (manual) or one of them (auto), then leaves it reset.
    void Pulse();
    WaitResult Wait(uint32_t timeout_ms = kInfinite);
    bool IsSet();
    Clock& clock() { return clock_; }

private:
    Clock& clock_;
    const bool manual_;
    bool set_;
    // Pulse releases the waiters that were there when it happened: each pulse bumps the
    // generation and leaves a count of releases that waiters of older generations take.
    uint64_t generation_ = 0;
    int pulse_releases_ = 0;
    int waiters_ = 0;
};

// A thread that takes part in its clock, so a virtual clock knows when it is blocked.
class Thread {
public:
    Thread() = default;
    Thread(Clock& clock, std::function<void()> body);
    ~Thread();  // joins
    Thread(Thread&&) = delete;
    Thread& operator=(Thread&&) = delete;

    // false when the system cannot create another thread.
    bool Start(Clock& clock, std::function<void()> body);
    // Waits for the thread's end on the clock; returns false on time-out.
    bool Join(uint32_t timeout_ms = kInfinite);
    bool Running();

private:
    Clock* clock_ = nullptr;
    std::thread thread_;
    bool done_ = false;  // guarded by the clock's lock
};

// Interlocked counters as the handheld's kernel offers them.
inline int32_t InterlockedIncrement(std::atomic<int32_t>& v) { return ++v; }
inline int32_t InterlockedDecrement(std::atomic<int32_t>& v) { return --v; }
inline int32_t InterlockedExchange(std::atomic<int32_t>& v, int32_t n) { return v.exchange(n); }
inline int32_t InterlockedCompareExchange(std::atomic<int32_t>& v, int32_t n, int32_t cmp) {
    v.compare_exchange_strong(cmp, n);
    return cmp;
}

}  // namespace qmx2::platform
