// The commander's window among other windows on the virtual clock: the 8025 round trip with a
// manager peer that is still inside its send when the commander closes it, peer messages by
// window, unknown numbers, and the end of the commander.
#include "commander/commander_window.h"

#include <gtest/gtest.h>

#include <atomic>

#include "commander/platform_host.h"
#include "platform/notifications.h"
#include "platform/sync.h"
#include "tests/commander/commander_doubles.h"

namespace qmx2::commander {
namespace {

using platform::HWND;
using platform::LPARAM;
using platform::LRESULT;
using platform::WPARAM;

class CommanderWindowTest : public ::testing::Test {
protected:
    std::unique_ptr<platform::VirtualClock> clock = platform::MakeVirtualClock();
    std::unique_ptr<platform::WindowSystem> windows = platform::MakeLocalWindowSystem(*clock);
    struct NoPrograms : ProgramStarter {
        bool Start(std::string_view, std::string_view) override { return false; }
    } programs;
    testing::TestRegistry registry;
    testing::ScriptedUi ui;
    testing::ScriptedCard card;
    testing::EventLog events;  // written by the commander's thread while the test waits
    testing::FakePower power{events};
    PlatformHost host{*windows, programs};
    platform::NotificationBoard board;
    std::unique_ptr<Commander> commander;
    platform::Thread commander_thread;
    std::atomic<bool> started{false};
    bool ended = false;

    CommanderWindowTest() {
        card.On("AT+CPIN?", {testing::CardReply("AT+CPIN?", "+CPIN: READY")});
        registry.SetText(u"Drivers\\Active\\01", u"PnpId", u"Orvan_Mobile_Phones-Orvan_Pellion");
        registry.SetText(u"Drivers\\Active\\01", u"Name", u"COM5:");
        commander = std::make_unique<Commander>(CommanderParts{
            *clock, registry, ui, card, power, power, host, board, "\\Windows", "\\Windows\\Qmx2Com"});
    }
    ~CommanderWindowTest() override {
        if (!ended) windows->PostMessage(windows->FindWindow(kCommanderClass), platform::WM_DESTROY, 0, 0);
        commander_thread.Join();
    }

    // The commander's window thread, as the program runs it.
    void StartCommander() {
        commander_thread.Start(*clock, [this] {
            CommanderWindow window(*windows, *commander);
            host.SetOwnWindow(window.Create());
            commander->Start();
            clock->Update([&] { started = true; });
            window.Run();
        });
        clock->WaitFor([&] { return started.load(); }, platform::kInfinite);
    }
    HWND CommanderHwnd() { return windows->FindWindow(u"Qmx2Com", u"QMX2 commander"); }
};

TEST_F(CommanderWindowTest, PowerDownRoundTripClosesTheManagerInsideItsSend) {
    StartCommander();
    bool inside_send = false;
    bool destroyed_inside_send = false;
    bool data_saved = false;
    const HWND manager = windows->RegisterWindow(u"QMXManager", u"", [&](HWND h, uint32_t m, WPARAM, LPARAM) {
        if (m == platform::WM_DESTROY) {
            destroyed_inside_send = inside_send;
            data_saved = true;  // the manager writes its data files here
            windows->DestroyWindow(h);
        }
        return LRESULT{0};
    });
    ASSERT_NE(manager, 0u);
    const HWND com = CommanderHwnd();
    ASSERT_NE(com, 0u);

    inside_send = true;
    windows->SendMessage(com, 8025, 0, 0);
    inside_send = false;

    EXPECT_TRUE(destroyed_inside_send);
    EXPECT_FALSE(windows->IsWindow(manager));
    EXPECT_TRUE(data_saved);
    EXPECT_EQ(events, testing::EventLog{"power down"});
    EXPECT_EQ(commander->power_state(), 0);
    EXPECT_FALSE(commander->icons().card_powered);
}

TEST_F(CommanderWindowTest, PeerMessagesByWindowAndUnknownNumbers) {
    StartCommander();
    const HWND com = CommanderHwnd();
    windows->SendMessage(com, 5037, 0, 0);
    EXPECT_EQ(commander->menu().MarkedSpeedGroup(), 6);
    EXPECT_TRUE(commander->menu().IsChecked(40029));
    windows->PostMessage(com, 7027, 0, 0);
    clock->SleepMs(1);  // the commander's thread takes the post before time can move on
    windows->SendMessage(com, 6026, 0, 0);
    EXPECT_TRUE(commander->menu().IsChecked(40036));
    EXPECT_TRUE(commander->menu().IsChecked(40039));
    for (uint32_t m : {5040u, 8026u, 4029u, 12345u}) EXPECT_EQ(windows->SendMessage(com, m, 7, 7), 0);
    EXPECT_TRUE(commander->menu().IsChecked(40029));
    EXPECT_EQ(commander->power_state(), 1);
    EXPECT_TRUE(events.empty());
}

TEST_F(CommanderWindowTest, MemoryFullReachesTheNotificationBoard) {
    StartCommander();
    const HWND com = CommanderHwnd();
    windows->SendMessage(com, 4025, 0, 0);
    windows->SendMessage(com, 4025, 0, 0);
    const std::vector<platform::UserNotification> all = board.All();
    ASSERT_EQ(all.size(), 2u);
    EXPECT_EQ(all[0].program, "\\Windows\\Qmx2PPC.exe");
    EXPECT_EQ(all[0].sound, "\\Windows\\Alarm1.wav");
    EXPECT_TRUE(all[0].handled);
    EXPECT_EQ(all[1].sound, "");
    EXPECT_EQ(board.Pending("\\Windows\\Qmx2PPC.exe"), 1);
    windows->SendMessage(com, 4028, 0, 0);
    EXPECT_EQ(board.Pending("\\Windows\\Qmx2PPC.exe"), 0);

    board.SetRefusing(true);
    windows->SendMessage(com, 4027, 0, 0);
    EXPECT_EQ(ui.messages.back(), "CeSetUserNotification failed!");
}

TEST_F(CommanderWindowTest, PullingTheCardEndsTheCommanderAndRemovesItsIcons) {
    StartCommander();
    windows->SendMessage(CommanderHwnd(), 4025, 0, 0);
    ASSERT_TRUE(commander->icons().memory_full);
    registry.DeleteKey(platform::HKEY_LOCAL_MACHINE, u"Drivers\\Active\\01");
    EXPECT_EQ(windows->BroadcastDeviceChange(0x8004, u"COM5:"), 1);
    EXPECT_TRUE(commander_thread.Join(10000));
    ended = true;
    EXPECT_EQ(CommanderHwnd(), 0u);
    EXPECT_FALSE(commander->icons().card);
    EXPECT_FALSE(commander->icons().memory_full);
}

TEST_F(CommanderWindowTest, ExitEntryEndsTheLoopAndClosesTheManager) {
    StartCommander();
    std::atomic<int> destroys{0};
    platform::Thread manager_thread;
    std::atomic<bool> manager_up{false};
    manager_thread.Start(*clock, [&] {
        windows->RegisterWindow(u"QMXManager", u"", [&](HWND h, uint32_t m, WPARAM, LPARAM) {
            if (m == platform::WM_DESTROY) {
                ++destroys;
                windows->DestroyWindow(h);
                windows->PostQuitMessage(0);
            }
            return LRESULT{0};
        });
        clock->Update([&] { manager_up = true; });
        windows->RunMessageLoop();
    });
    clock->WaitFor([&] { return manager_up.load(); }, platform::kInfinite);
    clock->SleepMs(600);
    EXPECT_TRUE(commander->menu().Find(40032).enabled);  // the menu-state thread saw the manager
    windows->PostMessage(CommanderHwnd(), 0x0111, 40002, 0);
    EXPECT_TRUE(commander_thread.Join(10000));
    ended = true;
    EXPECT_TRUE(manager_thread.Join(10000));
    EXPECT_EQ(destroys, 1);
    EXPECT_EQ(CommanderHwnd(), 0u);
}

// A second start waits 11 x 500 ms for an earlier commander to go, then brings it forward.
TEST(GiveWayTest, ASecondCommanderBringsTheFirstForwardAndEnds) {
    auto clock = platform::MakeVirtualClock();
    auto windows = platform::MakeLocalWindowSystem(*clock);
    EXPECT_FALSE(GiveWayToEarlierCommander(*windows, *clock));
    EXPECT_EQ(clock->TickMs(), 0u);
    std::vector<uint32_t> seen;
    windows->RegisterWindow(u"Qmx2Com", u"QMX2 commander", [&](HWND, uint32_t m, WPARAM w, LPARAM) {
        if (m == 0x0006 && w == 1) seen.push_back(m);
        return LRESULT{0};
    });
    EXPECT_TRUE(GiveWayToEarlierCommander(*windows, *clock));
    EXPECT_EQ(clock->TickMs(), 5500u);
    windows->PumpMessages([&] { return !seen.empty(); }, 0);
    EXPECT_EQ(seen.size(), 1u);
}

}  // namespace
}  // namespace qmx2::commander
