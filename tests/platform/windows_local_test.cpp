// Window messages between threads of one process, on the virtual clock: finding windows, sends
// that wait (and run messages sent back meanwhile), posts, time-outs and the device-change
// broadcast.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/comm_types.h"
#include "platform/last_error.h"
#include "platform/sync.h"
#include "platform/windows.h"
#include "tests/platform/windows_test_util.h"

using namespace qmx2::platform;
using qmx2::platform::testing::WindowThread;

namespace {

constexpr uint32_t kPowerDown = 8025;

LRESULT Ignore(HWND, uint32_t, WPARAM, LPARAM) { return 0; }

class LocalWindows : public ::testing::Test {
protected:
    std::unique_ptr<VirtualClock> clock = MakeVirtualClock();
    std::unique_ptr<WindowSystem> ws = MakeLocalWindowSystem(*clock);
};

TEST_F(LocalWindows, FindsByClassAndTitleOldestFirst) {
    const HWND first = ws->RegisterWindow(u"Qmx2Com", u"QMX2 commander", Ignore);
    const HWND second = ws->RegisterWindow(u"Qmx2Com", u"other", Ignore);
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    EXPECT_NE(first, second);
    EXPECT_EQ(ws->FindWindow(u"Qmx2Com"), first);
    EXPECT_EQ(ws->FindWindow(u"Qmx2Com", u"other"), second);
    EXPECT_EQ(ws->FindWindow(u"Qmx2Com", u"QMX2 commander"), first);
    EXPECT_EQ(ws->FindWindow(u"Qmx2Com", u"QMX2 Commander"), 0u);
    EXPECT_EQ(ws->FindWindow(u"QMXManager"), 0u);
    // An empty title is a title, not "any title".
    EXPECT_EQ(ws->FindWindow(u"Qmx2Com", u""), 0u);

    EXPECT_TRUE(ws->DestroyWindow(first));
    EXPECT_FALSE(ws->IsWindow(first));
    EXPECT_EQ(ws->FindWindow(u"Qmx2Com"), second);
    EXPECT_FALSE(ws->DestroyWindow(first));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(LocalWindows, RefusesWindowsWithoutClassOrProcedure) {
    EXPECT_EQ(ws->RegisterWindow(u"", u"t", Ignore), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(ws->RegisterWindow(u"c", u"t", WindowProc()), 0u);
    EXPECT_EQ(ws->RegisterWindow(std::u16string(261, u'x'), u"t", Ignore), 0u);
}

TEST_F(LocalWindows, SendToOwnWindowRunsAtOnceAndToAnotherThreadWaitsForItsLoop) {
    const HWND own = ws->RegisterWindow(u"own", u"", [](HWND, uint32_t m, WPARAM w, LPARAM l) {
        return static_cast<LRESULT>(m + w + static_cast<WPARAM>(l));
    });
    EXPECT_EQ(ws->SendMessage(own, 100, 20, 3), 123);

    std::thread::id ran_on;
    WindowThread other(*ws, u"other", u"", [&](HWND, uint32_t m, WPARAM, LPARAM l) {
        ran_on = std::this_thread::get_id();
        return m == WM_USER ? l * 2 : LRESULT{0};
    });
    EXPECT_EQ(ws->SendMessage(other.hwnd(), WM_USER, 0, -21), -42);
    EXPECT_NE(ran_on, std::this_thread::get_id());
}

TEST_F(LocalWindows, SendToUnknownWindowFailsAtOnce) {
    SetLastError(0);
    EXPECT_EQ(ws->SendMessage(0x1234, WM_USER, 0, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(ws->SendMessage(0, WM_USER, 0, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(ws->PostMessage(0x1234, WM_USER, 0, 0));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_EQ(clock->TickMs(), 0u);
}

// The manager sends 8025 and waits; the commander answers by sending WM_DESTROY to the manager's
// window first. The manager's thread must run that WM_DESTROY inside its own send.
TEST_F(LocalWindows, ReceiverSendsBackBeforeItAnswers) {
    std::vector<std::string> events;  // written by the manager thread and the commander thread
    Event manager_done(*clock, true);
    HWND manager = 0;
    LRESULT send_result = -1;

    WindowThread commander(*ws, u"Qmx2Com", u"QMX2 commander",
                           [&](HWND, uint32_t m, WPARAM, LPARAM) -> LRESULT {
                               if (m != kPowerDown) return 0;
                               events.push_back("commander: 8025");
                               const HWND target = ws->FindWindow(u"QMXManager");
                               const LRESULT r = ws->SendMessage(target, WM_DESTROY, 0, 0);
                               events.push_back("commander: destroy answered " +
                                                std::to_string(r));
                               return 1;
                           });

    Thread manager_thread(*clock, [&] {
        manager = ws->RegisterWindow(u"QMXManager", u"Orvan Pellion 2.0",
                                     [&](HWND, uint32_t m, WPARAM, LPARAM) -> LRESULT {
                                         if (m != WM_DESTROY) return 0;
                                         events.push_back("manager: saved and quitting");
                                         ws->PostQuitMessage(0);
                                         return 7;
                                     });
        const HWND com = ws->FindWindow(u"Qmx2Com", u"QMX2 commander");
        send_result = ws->SendMessage(com, kPowerDown, 0, 0);
        events.push_back("manager: 8025 returned");
        const int code = ws->RunMessageLoop();
        events.push_back("manager: loop ended " + std::to_string(code));
        ws->DestroyWindow(manager);
        manager_done.Set();
    });
    ASSERT_EQ(manager_done.Wait(60'000), WaitResult::kSignaled);
    manager_thread.Join();
    EXPECT_EQ(send_result, 1);
    EXPECT_EQ(events, (std::vector<std::string>{
                          "commander: 8025", "manager: saved and quitting",
                          "commander: destroy answered 7", "manager: 8025 returned",
                          "manager: loop ended 0"}));
    EXPECT_EQ(clock->TickMs(), 0u);
}

TEST_F(LocalWindows, PostedMessagesArriveInOrderAndSentOnesGoFirst) {
    std::vector<uint32_t> seen;
    Event go(*clock, true);
    Event posted(*clock, true);
    Thread t(*clock, [&] {
        const HWND h = ws->RegisterWindow(u"q", u"", [&](HWND, uint32_t m, WPARAM, LPARAM) {
            seen.push_back(m);
            if (m == WM_CLOSE) ws->PostQuitMessage(5);
            return LRESULT{0};
        });
        posted.Set();
        go.Wait();  // not pumping while the others queue up
        EXPECT_EQ(ws->RunMessageLoop(), 5);
        ws->DestroyWindow(h);
    });
    posted.Wait();
    const HWND h = ws->FindWindow(u"q");
    EXPECT_TRUE(ws->PostMessage(h, WM_USER + 1, 0, 0));
    EXPECT_TRUE(ws->PostMessage(h, WM_USER + 2, 0, 0));
    EXPECT_TRUE(ws->PostMessage(h, WM_CLOSE, 0, 0));
    Thread sender(*clock, [&] { ws->SendMessage(h, WM_USER + 9, 0, 0); });
    clock->SleepMs(10);  // lets the sender queue its message
    go.Set();
    sender.Join();
    t.Join();
    EXPECT_EQ(seen, (std::vector<uint32_t>{WM_USER + 9, WM_USER + 1, WM_USER + 2, WM_CLOSE}));
}

TEST_F(LocalWindows, SendTimeoutGivesUpOnTimeAndTheMessageIsNotRunLater) {
    int handled = 0;
    Event release(*clock, true);
    Event registered(*clock, true);
    HWND busy = 0;
    Thread t(*clock, [&] {
        busy = ws->RegisterWindow(u"busy", u"", [&](HWND, uint32_t m, WPARAM, LPARAM) {
            if (m == WM_USER) ++handled;
            if (m == WM_CLOSE) ws->PostQuitMessage(0);
            return LRESULT{0};
        });
        registered.Set();
        release.Wait();
        ws->RunMessageLoop();
        ws->DestroyWindow(busy);
    });
    registered.Wait();
    LRESULT r = 99;
    SetLastError(0);
    EXPECT_FALSE(ws->SendMessageTimeout(busy, WM_USER, 0, 0, 3000, &r));
    EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);
    EXPECT_EQ(r, 99);
    EXPECT_EQ(clock->TickMs(), 3000u);
    release.Set();
    ws->PostMessage(busy, WM_CLOSE, 0, 0);
    t.Join();
    EXPECT_EQ(handled, 0);
}

TEST_F(LocalWindows, DestroyingTheWindowReleasesItsWaitingSenders) {
    Event registered(*clock, true);
    Event destroy(*clock, true);
    HWND h = 0;
    Thread owner(*clock, [&] {
        h = ws->RegisterWindow(u"gone", u"", Ignore);
        registered.Set();
        destroy.Wait();
        ws->DestroyWindow(h);
    });
    registered.Wait();
    LRESULT result = 0;
    bool ok = true;
    uint32_t error = 0;
    Thread sender(*clock, [&] {
        ok = ws->SendMessageTimeout(h, WM_USER, 0, 0, 60'000, &result);
        error = GetLastError();
    });
    clock->SleepMs(100);
    destroy.Set();
    sender.Join();
    owner.Join();
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_LT(clock->TickMs(), 1000u);
}

TEST_F(LocalWindows, AThreadThatEndsTakesItsWindowsAndWaitingSendersAlong) {
    Event registered(*clock, true);
    Event end(*clock, true);
    HWND h = 0;
    Thread owner(*clock, [&] {
        h = ws->RegisterWindow(u"Qmx2Com", u"QMX2 commander", Ignore);
        ws->RegisterWindow(u"second", u"", Ignore);
        registered.Set();
        end.Wait();  // ends without a loop and without DestroyWindow
    });
    registered.Wait();
    bool ok = true;
    uint32_t error = 0;
    Thread sender(*clock, [&] {
        LRESULT r;
        ok = ws->SendMessageTimeout(h, WM_USER, 0, 0, 60'000, &r);
        error = GetLastError();
    });
    clock->SleepMs(100);
    end.Set();
    owner.Join();
    sender.Join();
    EXPECT_FALSE(ok);
    EXPECT_EQ(error, ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_LT(clock->TickMs(), 1000u);
    EXPECT_EQ(ws->FindWindow(u"Qmx2Com"), 0u);
    EXPECT_EQ(ws->FindWindow(u"second"), 0u);
    EXPECT_EQ(ws->SendMessage(h, WM_USER, 0, 0), 0);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_WINDOW_HANDLE);
}

TEST_F(LocalWindows, OnlyTheOwnerThreadDestroysItsWindow) {
    WindowThread w(*ws, u"mine", u"", Ignore);
    EXPECT_FALSE(ws->DestroyWindow(w.hwnd()));
    EXPECT_TRUE(ws->IsWindow(w.hwnd()));
}

TEST_F(LocalWindows, BroadcastReachesEveryWindowWithTheDeviceName) {
    struct Seen {
        WPARAM event = 0;
        std::u16string name;
        uint32_t size = 0;
        uint32_t type = 0;
    };
    Seen a, b, own;
    auto recorder = [](Seen& s) {
        return [&s](HWND, uint32_t m, WPARAM w, LPARAM l) -> LRESULT {
            if (m != WM_DEVICECHANGE) return 0;
            const auto* port = reinterpret_cast<const DEV_BROADCAST_PORT*>(l);
            s = {w, port->dbcp_name, port->dbcp_size, port->dbcp_devicetype};
            return 1;
        };
    };
    WindowThread wa(*ws, u"Qmx2Com", u"QMX2 commander", recorder(a));
    WindowThread wb(*ws, u"QMXManager", u"x", recorder(b));
    ws->RegisterWindow(u"host", u"", recorder(own));

    EXPECT_EQ(ws->BroadcastDeviceChange(DBT_DEVICEREMOVECOMPLETE, u"COM5:"), 3);
    for (const Seen* s : {&a, &b, &own}) {
        EXPECT_EQ(s->event, DBT_DEVICEREMOVECOMPLETE);
        EXPECT_EQ(s->name, u"COM5:");
        EXPECT_EQ(s->size, sizeof(DEV_BROADCAST_PORT));
        EXPECT_EQ(s->type, DBT_DEVTYP_PORT);
    }
    const std::u16string longest(kDeviceNameUnits - 1, u'C');
    EXPECT_EQ(ws->BroadcastDeviceChange(DBT_DEVICEARRIVAL, longest), 3);
    EXPECT_EQ(a.name, longest);
    EXPECT_EQ(ws->BroadcastDeviceChange(DBT_DEVICEARRIVAL, longest + u"C"), -1);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(ws->BroadcastDeviceChange(DBT_DEVICEARRIVAL, std::u16string(u"CO\0M", 4)), -1);
}

TEST_F(LocalWindows, BroadcastDoesNotWaitForeverForAStalledWindow) {
    Event release(*clock, true);
    Event registered(*clock, true);
    int answered_late = 0;
    Thread stalled(*clock, [&] {
        const HWND h = ws->RegisterWindow(u"stalled", u"", [&](HWND, uint32_t, WPARAM, LPARAM) {
            ++answered_late;
            return LRESULT{0};
        });
        registered.Set();
        release.Wait();
        ws->PumpMessages([] { return false; }, 0);
        ws->DestroyWindow(h);
    });
    registered.Wait();
    WindowThread live(*ws, u"live", u"", [](HWND, uint32_t, WPARAM, LPARAM) { return LRESULT{1}; });
    EXPECT_EQ(ws->BroadcastDeviceChange(DBT_DEVICEARRIVAL, u"COM5:", 2000), 1);
    EXPECT_EQ(clock->TickMs(), 2000u);
    release.Set();
    stalled.Join();
    EXPECT_EQ(answered_late, 0);
}

TEST_F(LocalWindows, PumpStopsOnItsConditionOrTimeAndLeavesQuitForTheLoop) {
    int count = 0;
    const HWND h = ws->RegisterWindow(u"pump", u"", [&](HWND, uint32_t, WPARAM, LPARAM) {
        ++count;
        return LRESULT{0};
    });
    for (int i = 0; i < 3; ++i) ws->PostMessage(h, WM_USER, 0, 0);
    EXPECT_TRUE(ws->PumpMessages([&] { return count == 2; }));
    EXPECT_EQ(count, 2);
    EXPECT_FALSE(ws->PumpMessages([&] { return count == 5; }, 1500));
    EXPECT_EQ(count, 3);
    EXPECT_EQ(clock->TickMs(), 1500u);

    ws->PostMessage(h, WM_USER, 0, 0);
    ws->PostQuitMessage(9);
    EXPECT_FALSE(ws->PumpMessages([] { return false; }));  // the quit ends it at once
    EXPECT_EQ(count, 4);
    EXPECT_EQ(ws->RunMessageLoop(), 9);
}

TEST_F(LocalWindows, WakeHookTellsAForeignLoopAboutNewMessages) {
    std::atomic<int> wakes{0};
    Event registered(*clock, true);
    Event posted(*clock, true);
    HWND h = 0;
    int handled = 0;
    Thread gui(*clock, [&] {
        h = ws->RegisterWindow(u"gui", u"", [&](HWND, uint32_t, WPARAM, LPARAM) {
            ++handled;
            return LRESULT{0};
        });
        ws->SetWakeHook([&] { ++wakes; });
        registered.Set();
        posted.Wait();
        ws->PumpMessages([] { return false; }, 0);
        ws->DestroyWindow(h);
    });
    registered.Wait();
    ws->PostMessage(h, WM_USER, 0, 0);
    ws->PostMessage(h, WM_USER, 0, 0);
    EXPECT_EQ(wakes.load(), 2);
    posted.Set();
    gui.Join();
    EXPECT_EQ(handled, 2);
}

}  // namespace
