// The real clock and the virtual clock of tests.
#include "platform/clock.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <mutex>

namespace qmx2::platform {
namespace {

// Days since 1970-01-01 for a civil date, and back (proleptic Gregorian calendar).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    y = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (m <= 2));
}

class RealClock final : public Clock {
public:
    uint64_t TickMs() override {
        using namespace std::chrono;
        return static_cast<uint64_t>(
            duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
    }

    WallTime LocalTime() override {
        using namespace std::chrono;
        const auto now = system_clock::now();
        const std::time_t t = system_clock::to_time_t(now);
        std::tm tm{};
        localtime_r(&t, &tm);
        WallTime w;
        w.year = tm.tm_year + 1900;
        w.month = tm.tm_mon + 1;
        w.day = tm.tm_mday;
        w.hour = tm.tm_hour;
        w.minute = tm.tm_min;
        w.second = tm.tm_sec;
        w.millisecond =
            static_cast<int>(duration_cast<milliseconds>(now.time_since_epoch()).count() % 1000);
        w.day_of_week = tm.tm_wday;
        return w;
    }

    bool WaitFor(FunctionRef<bool()> pred, uint32_t timeout_ms) override {
        std::unique_lock lk(mu_);
        if (timeout_ms == kInfinite) {
            cv_.wait(lk, [&] { return pred(); });
            return true;
        }
        return cv_.wait_for(lk, std::chrono::milliseconds(timeout_ms), [&] { return pred(); });
    }

    void Update(FunctionRef<void()> fn) override {
        {
            std::lock_guard lk(mu_);
            fn();
        }
        cv_.notify_all();
    }

private:
    std::mutex mu_;
    std::condition_variable cv_;
};

// Which virtual clocks the current thread takes part in. A handful at most.
constexpr int kMaxClocksPerThread = 4;
thread_local const Clock* tl_participating[kMaxClocksPerThread] = {};

bool IsParticipant(const Clock* c) {
    for (auto* p : tl_participating)
        if (p == c) return true;
    return false;
}

void MarkParticipant(const Clock* c, bool on) {
    for (auto& p : tl_participating) {
        if (on && p == nullptr) {
            p = c;
            return;
        }
        if (!on && p == c) {
            p = nullptr;
            return;
        }
    }
}

class VirtualClockImpl final : public VirtualClock {
public:
    explicit VirtualClockImpl(const VirtualClockOptions& o) : start_(o.start) {
        participants_ = 1;
        MarkParticipant(this, true);
    }
    ~VirtualClockImpl() override { MarkParticipant(this, false); }

    uint64_t TickMs() override {
        std::lock_guard lk(mu_);
        return now_;
    }

    WallTime LocalTime() override { return WallTimeAfter(start_, TickMs()); }

    bool WaitFor(FunctionRef<bool()> pred, uint32_t timeout_ms) override {
        std::unique_lock lk(mu_);
        if (pred()) return true;
        if (timeout_ms == 0) return false;
        Waiter w{timeout_ms == kInfinite ? kNever : now_ + timeout_ms, &pred,
                 IsParticipant(this), nullptr, nullptr};
        Link(&w);
        bool result = false;
        for (;;) {
            if (pred()) {
                result = true;
                break;
            }
            if (now_ >= w.deadline) break;
            if (!MaybeAdvance()) cv_.wait(lk);
        }
        Unlink(&w);
        return result;
    }

    void Update(FunctionRef<void()> fn) override {
        {
            std::lock_guard lk(mu_);
            fn();
        }
        cv_.notify_all();
    }

    void AddParticipant() override {
        std::lock_guard lk(mu_);
        ++participants_;
        MarkParticipant(this, true);
    }

    bool RemoveParticipant() override {
        {
            std::lock_guard lk(mu_);
            if (!IsParticipant(this)) return false;
            --participants_;
            MarkParticipant(this, false);
        }
        cv_.notify_all();
        return true;
    }

    void Advance(uint32_t ms) override {
        {
            std::lock_guard lk(mu_);
            now_ += ms;
        }
        cv_.notify_all();
    }

    void ExpectParticipant() override {
        std::lock_guard lk(mu_);
        ++participants_;
    }
    void AdoptParticipant() override { MarkParticipant(this, true); }
    void CancelExpectedParticipant() override {
        {
            std::lock_guard lk(mu_);
            --participants_;
        }
        cv_.notify_all();
    }

private:
    static constexpr uint64_t kNever = UINT64_MAX;

    struct Waiter {
        uint64_t deadline;
        FunctionRef<bool()>* pred;
        bool participant;
        Waiter* prev;
        Waiter* next;
    };

    void Link(Waiter* w) {
        w->next = head_;
        if (head_) head_->prev = w;
        head_ = w;
        if (w->participant) ++waiting_;
    }

    void Unlink(Waiter* w) {
        if (w->prev) w->prev->next = w->next;
        else head_ = w->next;
        if (w->next) w->next->prev = w->prev;
        if (w->participant) --waiting_;
    }

    // Called with mu_ held. Advances time when nobody can run; returns true if it did
    // anything that the caller should re-check without sleeping.
    bool MaybeAdvance() {
        if (waiting_ < participants_) return false;
        uint64_t earliest = kNever;
        for (Waiter* w = head_; w; w = w->next) {
            if ((*w->pred)() || w->deadline <= now_) {
                cv_.notify_all();  // someone can run at the current time
                return false;
            }
            if (w->deadline < earliest) earliest = w->deadline;
        }
        if (earliest == kNever) {
            std::fprintf(stderr,
                         "virtual clock: all %d threads wait forever at tick %llu (deadlock)\n",
                         participants_, static_cast<unsigned long long>(now_));
            std::abort();
        }
        now_ = earliest;
        cv_.notify_all();
        return true;
    }

    std::mutex mu_;
    std::condition_variable cv_;
    WallTime start_;
    uint64_t now_ = 0;
    int participants_ = 0;
    int waiting_ = 0;
    Waiter* head_ = nullptr;
};

}  // namespace

WallTime WallTimeAfter(const WallTime& start, uint64_t elapsed_ms) {
    const int64_t start_ms =
        ((DaysFromCivil(start.year, static_cast<unsigned>(start.month),
                        static_cast<unsigned>(start.day)) *
              24 + start.hour) * 60 + start.minute) * 60000LL +
        start.second * 1000LL + start.millisecond;
    const int64_t t = start_ms + static_cast<int64_t>(elapsed_ms);
    const int64_t days = t / 86400000LL;
    int64_t rest = t % 86400000LL;
    WallTime w;
    CivilFromDays(days, w.year, w.month, w.day);
    w.hour = static_cast<int>(rest / 3600000);
    rest %= 3600000;
    w.minute = static_cast<int>(rest / 60000);
    rest %= 60000;
    w.second = static_cast<int>(rest / 1000);
    w.millisecond = static_cast<int>(rest % 1000);
    w.day_of_week = static_cast<int>((days % 7 + 11) % 7);  // 1970-01-01 was a Thursday
    return w;
}

std::unique_ptr<Clock> MakeRealClock() { return std::make_unique<RealClock>(); }

std::unique_ptr<VirtualClock> MakeVirtualClock(VirtualClockOptions options) {
    return std::make_unique<VirtualClockImpl>(options);
}

}  // namespace qmx2::platform
