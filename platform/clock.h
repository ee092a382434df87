// Time for every program and test: tick counts, the wall clock, sleeps and waits.
//
// All blocking in the system goes through a Clock so that tests can run on a virtual clock on
// which a 60-second time-out costs nothing. State that waiters look at (an event's flag, a
// ring's fill level) is changed inside Update() and read inside the predicate of WaitFor(),
// both under the clock's one lock; the clock then knows exactly when every thread is blocked
// and, on the virtual clock, jumps to the earliest deadline.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/function_ref.h"

namespace qmx2::platform {

inline constexpr uint32_t kInfinite = 0xFFFFFFFFu;

struct WallTime {
    int year = 0;
    int month = 0;  // 1..12
    int day = 0;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int millisecond = 0;
    int day_of_week = 0;  // 0 = Sunday
};

class Clock {
public:
    virtual ~Clock() = default;

    // Milliseconds since an arbitrary origin; never goes backwards.
    virtual uint64_t TickMs() = 0;
    virtual WallTime LocalTime() = 0;

    // Blocks until pred() holds or timeout_ms (kInfinite: never) has passed. pred runs under the
    // clock's lock and must not block or call back into the clock. Returns the last pred().
    virtual bool WaitFor(FunctionRef<bool()> pred, uint32_t timeout_ms) = 0;

    // Runs fn under the clock's lock, then lets every waiter re-check its predicate.
    virtual void Update(FunctionRef<void()> fn) = 0;

    // Threads started through Thread (platform/thread.h) tell the clock they exist, so that a
    // virtual clock only advances when all of them are blocked in WaitFor.
    virtual void AddParticipant() {}
    // Returns whether the current thread was a participant (and so has now left).
    virtual bool RemoveParticipant() { return false; }
    // Thread start: the parent counts the child before it runs, the child marks itself.
    virtual void ExpectParticipant() {}
    virtual void AdoptParticipant() {}
    // The expected child never came (its thread could not be created).
    virtual void CancelExpectedParticipant() {}

    void SleepMs(uint32_t ms) {
        WaitFor([] { return false; }, ms);
    }
};

// The clock of the running programs: steady time and the machine's local time.
std::unique_ptr<Clock> MakeRealClock();

struct VirtualClockOptions {
    // The wall clock at tick 0.
    WallTime start{2026, 1, 5, 12, 0, 0, 0, 1};
};

// The clock of tests. Time stands still while any participant runs; when every participant is
// blocked in WaitFor and no predicate holds, time jumps to the earliest deadline. The thread
// that creates the clock is a participant. If every participant waits forever the clock reports
// the deadlock on stderr and aborts, so that a test fails instead of hanging.
class VirtualClock;
std::unique_ptr<VirtualClock> MakeVirtualClock(VirtualClockOptions options = {});

class VirtualClock : public Clock {
public:
    // Advances time by ms at once, as if the caller had slept with nobody else running.
    virtual void Advance(uint32_t ms) = 0;
};

// Marks the current thread as not a participant of clock while it blocks outside the clock
// (a socket read, a process wait), so that a virtual clock does not stand still for it.
class ExternalWait {
public:
    explicit ExternalWait(Clock& clock) : clock_(clock), left_(clock_.RemoveParticipant()) {}
    ~ExternalWait() {
        if (left_) clock_.AddParticipant();
    }
    ExternalWait(const ExternalWait&) = delete;
    ExternalWait& operator=(const ExternalWait&) = delete;

private:
    Clock& clock_;
    const bool left_;  // a thread outside the clock's participants leaves nothing to restore
};

// Wall-clock helpers shared by both clocks.
WallTime WallTimeAfter(const WallTime& start, uint64_t elapsed_ms);

}  // namespace qmx2::platform
