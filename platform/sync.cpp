// Events and threads on the platform clock.
#include "platform/sync.h"

#include <system_error>

namespace qmx2::platform {

void Event::Set() {
    clock_.Update([&] { set_ = true; });
}

void Event::Reset() {
    clock_.Update([&] { set_ = false; });
}

void Event::Pulse() {
    clock_.Update([&] {
        if (waiters_ > 0) {
            ++generation_;
            pulse_releases_ = manual_ ? waiters_ : 1;
        }
        set_ = false;
    });
}

bool Event::IsSet() {
    bool s = false;
    clock_.Update([&] { s = set_; });
    return s;
}

WaitResult Event::Wait(uint32_t timeout_ms) {
    uint64_t my_generation = 0;
    bool counted = false;
    bool got = false;
    clock_.Update([&] {
        my_generation = generation_;
        ++waiters_;
        counted = true;
    });
    clock_.WaitFor(
        [&] {
            if (got) return true;
            if (set_) {
                if (!manual_) set_ = false;
                got = true;
            } else if (generation_ != my_generation && pulse_releases_ > 0) {
                --pulse_releases_;
                got = true;
            }
            return got;
        },
        timeout_ms);
    clock_.Update([&] {
        if (counted) --waiters_;
    });
    return got ? WaitResult::kSignaled : WaitResult::kTimeout;
}

Thread::Thread(Clock& clock, std::function<void()> body) { Start(clock, std::move(body)); }

bool Thread::Start(Clock& clock, std::function<void()> body) {
    clock_ = &clock;
    done_ = false;
    clock.ExpectParticipant();
    try {
        thread_ = std::thread([this, b = std::move(body)] {
            clock_->AdoptParticipant();
            b();
            clock_->Update([&] { done_ = true; });
            clock_->RemoveParticipant();
        });
    } catch (const std::system_error&) {
        clock.CancelExpectedParticipant();
        done_ = true;
        return false;
    }
    return true;
}

bool Thread::Join(uint32_t timeout_ms) {
    if (!thread_.joinable()) return true;
    if (!clock_->WaitFor([&] { return done_; }, timeout_ms)) return false;
    thread_.join();
    return true;
}

bool Thread::Running() {
    if (!thread_.joinable()) return false;
    bool d = false;
    clock_->Update([&] { d = done_; });
    return !d;
}

Thread::~Thread() {
    if (thread_.joinable()) Join();
}

}  // namespace qmx2::platform
