// A window's card command holds the manager's window messages: "Exit" posted and the
// commander's WM_DESTROY sent while a command runs are handled once it has ended (the sender
// waits), and the window neither closes nor takes input meanwhile.
#include <QApplication>
#include <QMainWindow>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <future>
#include <thread>

#include "manager/ui/card_command.h"
#include "platform/clock.h"
#include "platform/qt/message_pump.h"
#include "platform/windows.h"
#include "tests/manager/ui/widget_test_support.h"

namespace qmx2::manager::ui {
namespace {

TEST(CardCommandTest, WindowMessagesWaitUntilTheCommandEnds) {
    testing::OffscreenApp();
    auto clock = platform::MakeVirtualClock();
    auto windows = platform::MakeLocalWindowSystem(*clock);
    std::vector<uint32_t> handled;  // GUI thread only
    const platform::HWND hwnd = windows->RegisterWindow(u"QMXManager", u"QMX2 monitor",
                                                        [&](platform::HWND, uint32_t m, platform::WPARAM, platform::LPARAM) {
                                                            handled.push_back(m);
                                                            return platform::LRESULT(0);
                                                        });
    ASSERT_NE(hwnd, 0u);
    platform::qt::MessagePump pump(*windows, {}, [] { return CardCommandsRunning() > 0; });
    QMainWindow window;
    window.show();

    std::atomic<bool> destroy_answered{false};
    std::thread commander;
    std::vector<uint32_t> during;
    bool visible = false, enabled = true;
    int running = 0;
    RunCardCommand(&window, *clock, [&] {
        windows->PostMessage(hwnd, platform::WM_COMMAND, 40136, 0);  // "Exit"
        commander = std::thread([&] {
            windows->SendMessage(hwnd, platform::WM_DESTROY, 0, 0);
            destroy_answered = true;
        });
        auto looked = std::make_shared<std::promise<void>>();
        QMetaObject::invokeMethod(qApp, [&, looked] {
            pump.Pump();  // as a wake-up would
            during = handled;
            window.close();
            visible = window.isVisible();
            enabled = window.isEnabled();
            running = CardCommandsRunning();
            looked->set_value();
        }, Qt::QueuedConnection);
        looked->get_future().wait_for(std::chrono::seconds(10));
    });
    EXPECT_TRUE(during.empty());
    EXPECT_TRUE(visible);
    EXPECT_FALSE(enabled);
    EXPECT_EQ(running, 1);

    EXPECT_TRUE(QTest::qWaitFor([&] { return destroy_answered && handled.size() == 2; }, 10000));
    commander.join();
    std::sort(handled.begin(), handled.end());
    EXPECT_EQ(handled, (std::vector<uint32_t>{platform::WM_DESTROY, platform::WM_COMMAND}));
    EXPECT_EQ(CardCommandsRunning(), 0);
    EXPECT_TRUE(window.isEnabled());
    EXPECT_TRUE(window.close());
}

// A second window's command, started while the first runs, waits for it: their card traffic never
// overlaps.
TEST(CardCommandTest, ASecondWindowsCommandWaitsForTheFirst) {
    testing::OffscreenApp();
    auto clock = platform::MakeVirtualClock();
    QMainWindow first, second;
    std::atomic<bool> first_running{false}, overlapped{false}, second_ran{false};
    auto second_started = std::make_shared<std::promise<void>>();
    RunCardCommand(&first, *clock, [&] {
        first_running = true;
        QMetaObject::invokeMethod(qApp, [&] {
            RunCardCommand(&second, *clock, [&] {
                overlapped = first_running.load();
                second_ran = true;
                second_started->set_value();
            });
        }, Qt::QueuedConnection);
        // Ungated, the second command would run now; gated, this wait ends without it.
        second_started->get_future().wait_for(std::chrono::milliseconds(200));
        first_running = false;
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return second_ran.load(); }, 10000));
    EXPECT_FALSE(overlapped);
    EXPECT_EQ(CardCommandsRunning(), 0);
}

}  // namespace
}  // namespace qmx2::manager::ui
