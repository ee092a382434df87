// The driver's critical sections: recursive locks that block through the platform clock, so
// that a thread waiting for a lock held across a timed wait counts as blocked on the virtual
// clock instead of freezing it.
#pragma once

#include <thread>

#include "platform/clock.h"

namespace qmx2::driver {

class CriticalSection {
public:
    explicit CriticalSection(platform::Clock& clock) : clock_(clock) {}
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    void Enter() {
        const auto me = std::this_thread::get_id();
        bool recursive = false;
        clock_.Update([&] {
            if (depth_ > 0 && owner_ == me) {
                ++depth_;
                recursive = true;
            }
        });
        if (recursive) return;
        // Claiming inside the predicate is safe: whichever thread evaluates it claims for `me`,
        // and once claimed it keeps answering true.
        clock_.WaitFor(
            [&] {
                if (depth_ > 0 && owner_ == me) return true;
                if (depth_ != 0) return false;
                owner_ = me;
                depth_ = 1;
                return true;
            },
            platform::kInfinite);
    }

    void Leave() {
        clock_.Update([&] {
            if (--depth_ == 0) owner_ = {};
        });
    }

private:
    platform::Clock& clock_;
    std::thread::id owner_;  // guarded by the clock's lock
    int depth_ = 0;
};

class Lock {
public:
    explicit Lock(CriticalSection& cs) : cs_(cs) { cs_.Enter(); }
    ~Lock() { cs_.Leave(); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

private:
    CriticalSection& cs_;
};

}  // namespace qmx2::driver
