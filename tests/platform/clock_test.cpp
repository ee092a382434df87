// The virtual clock: sleeps and waits cost no real time and advance deterministically, and
// events behave like the handheld's kernel events.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <vector>

#include "platform/clock.h"
#include "platform/sync.h"

using namespace qmx2::platform;

TEST(VirtualClock, SleepAdvancesTimeAtOnce) {
    auto clock = MakeVirtualClock();
    const auto real_start = std::chrono::steady_clock::now();
    clock->SleepMs(60'000);
    EXPECT_EQ(clock->TickMs(), 60'000u);
    EXPECT_LT(std::chrono::steady_clock::now() - real_start, std::chrono::seconds(5));
}

TEST(VirtualClock, WallClockCarriesMinutesHoursAndDays) {
    VirtualClockOptions o;
    o.start = {2026, 12, 31, 23, 59, 58, 0, 4};
    auto clock = MakeVirtualClock(o);
    clock->SleepMs(2500);
    const WallTime w = clock->LocalTime();
    EXPECT_EQ(w.year, 2027);
    EXPECT_EQ(w.month, 1);
    EXPECT_EQ(w.day, 1);
    EXPECT_EQ(w.hour, 0);
    EXPECT_EQ(w.minute, 0);
    EXPECT_EQ(w.second, 0);
    EXPECT_EQ(w.millisecond, 500);
    EXPECT_EQ(w.day_of_week, 5);  // a Friday
}

TEST(VirtualClock, TwoSleepersWakeInDeadlineOrder) {
    auto clock = MakeVirtualClock();
    std::vector<int> order;
    Event gate(*clock, true);
    {
        Thread a(*clock, [&] {
            clock->SleepMs(300);
            clock->Update([&] { order.push_back(300); });
        });
        Thread b(*clock, [&] {
            clock->SleepMs(100);
            clock->Update([&] { order.push_back(100); });
        });
        EXPECT_TRUE(a.Join());
        EXPECT_TRUE(b.Join());
    }
    EXPECT_EQ(order, (std::vector<int>{100, 300}));
    EXPECT_EQ(clock->TickMs(), 300u);
}

TEST(Event, AutoResetReleasesOneWaiterAndResets) {
    auto clock = MakeVirtualClock();
    Event e(*clock, false);
    EXPECT_EQ(e.Wait(1000), WaitResult::kTimeout);
    EXPECT_EQ(clock->TickMs(), 1000u);
    e.Set();
    EXPECT_EQ(e.Wait(0), WaitResult::kSignaled);
    EXPECT_EQ(e.Wait(0), WaitResult::kTimeout);
}

TEST(Event, ManualResetStaysSetUntilReset) {
    auto clock = MakeVirtualClock();
    Event e(*clock, true, true);
    EXPECT_EQ(e.Wait(0), WaitResult::kSignaled);
    EXPECT_EQ(e.Wait(0), WaitResult::kSignaled);
    e.Reset();
    EXPECT_EQ(e.Wait(10), WaitResult::kTimeout);
}

TEST(Event, WaitEndsWhenAnotherThreadSetsIt) {
    auto clock = MakeVirtualClock();
    Event e(*clock, false);
    Thread t(*clock, [&] {
        clock->SleepMs(2000);
        e.Set();
    });
    EXPECT_EQ(e.Wait(30'000), WaitResult::kSignaled);
    EXPECT_EQ(clock->TickMs(), 2000u);
    t.Join();
}

TEST(Event, PulseReleasesCurrentWaitersAndLeavesItReset) {
    auto clock = MakeVirtualClock();
    Event e(*clock, true);
    std::atomic<int> released{0};
    Thread a(*clock, [&] {
        if (e.Wait(10'000) == WaitResult::kSignaled) ++released;
    });
    Thread b(*clock, [&] {
        if (e.Wait(10'000) == WaitResult::kSignaled) ++released;
    });
    clock->SleepMs(100);  // both are waiting by now
    e.Pulse();
    a.Join();
    b.Join();
    EXPECT_EQ(released.load(), 2);
    EXPECT_FALSE(e.IsSet());
    EXPECT_EQ(e.Wait(5), WaitResult::kTimeout);
}

TEST(Event, PulseOnAutoResetReleasesOnlyOne) {
    auto clock = MakeVirtualClock();
    Event e(*clock, false);
    std::atomic<int> released{0};
    Thread a(*clock, [&] {
        if (e.Wait(1000) == WaitResult::kSignaled) ++released;
    });
    Thread b(*clock, [&] {
        if (e.Wait(1000) == WaitResult::kSignaled) ++released;
    });
    clock->SleepMs(100);
    e.Pulse();
    a.Join();
    b.Join();
    EXPECT_EQ(released.load(), 1);
    EXPECT_EQ(clock->TickMs(), 1000u);
}

TEST(Thread, JoinTimesOutOnALongRunner) {
    auto clock = MakeVirtualClock();
    Thread t(*clock, [&] { clock->SleepMs(5000); });
    EXPECT_FALSE(t.Join(1000));
    EXPECT_TRUE(t.Running());
    EXPECT_TRUE(t.Join());
    EXPECT_EQ(clock->TickMs(), 5000u);
}

TEST(VirtualClock, PingPongIsDeterministic) {
    // Two threads hand a token back and forth with a 500 ms think time each: the virtual time
    // at the end is exact whatever the machine's scheduling.
    auto clock = MakeVirtualClock();
    Event ping(*clock, false), pong(*clock, false);
    Thread t(*clock, [&] {
        for (int i = 0; i < 50; ++i) {
            ASSERT_EQ(ping.Wait(), WaitResult::kSignaled);
            clock->SleepMs(500);
            pong.Set();
        }
    });
    for (int i = 0; i < 50; ++i) {
        ping.Set();
        ASSERT_EQ(pong.Wait(), WaitResult::kSignaled);
    }
    t.Join();
    EXPECT_EQ(clock->TickMs(), 25'000u);
}

TEST(RealClock, WaitTimesOutAndTicksMove) {
    auto clock = MakeRealClock();
    const uint64_t t0 = clock->TickMs();
    EXPECT_FALSE(clock->WaitFor([] { return false; }, 2));
    EXPECT_GE(clock->TickMs() - t0, 1u);
    const WallTime w = clock->LocalTime();
    EXPECT_GE(w.year, 2024);
}
