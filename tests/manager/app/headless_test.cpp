// Qmx2PPC's window and terminal on the virtual clock: the whole manager on the card double, its
// main window in a local window system beside a commander window on its own thread, and the
// log lines that stand in for what the window would show.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <string>
#include <vector>

#include "manager/app/headless_ui.h"
#include "manager/app/manager_window.h"
#include "manager/core/main_window.h"
#include "platform/sync.h"
#include "platform/windows.h"
#include "tests/manager/manager_harness.h"

namespace qmx2::manager::app {
namespace {

using platform::HWND;
using platform::LPARAM;
using platform::LRESULT;
using platform::WPARAM;

// The commander's window on its own thread: records what the manager sends and answers 8025 by
// sending WM_DESTROY to the manager's window, as the commander does.
struct CommanderDouble {
    platform::WindowSystem& windows;
    platform::Clock& clock;
    platform::Thread thread;
    std::atomic<bool> up{false};
    std::mutex mu;
    std::vector<uint32_t> received;
    std::vector<uint32_t> received_inside_destroy;
    std::atomic<bool> inside_destroy{false};
    std::atomic<bool> destroy_answered{false};

    CommanderDouble(platform::WindowSystem& w, platform::Clock& c) : windows(w), clock(c) {
        thread.Start(clock, [this] {
            windows.RegisterWindow(u"Qmx2Com", u"QMX2 commander", [this](HWND, uint32_t m, WPARAM, LPARAM) {
                {
                    std::lock_guard lock(mu);
                    (inside_destroy ? received_inside_destroy : received).push_back(m);
                }
                if (m == kMsgPowerDown) {
                    inside_destroy = true;
                    windows.SendMessage(windows.FindWindow(kManagerClass), platform::WM_DESTROY, 0, 0);
                    inside_destroy = false;
                    destroy_answered = true;
                }
                if (m == platform::WM_QUIT || m == platform::WM_DESTROY) windows.PostQuitMessage(0);
                return LRESULT{0};
            });
            clock.Update([this] { up = true; });
            windows.RunMessageLoop();
        });
        clock.WaitFor([this] { return up.load(); }, platform::kInfinite);
    }
    ~CommanderDouble() {
        windows.PostMessage(windows.FindWindow(u"Qmx2Com"), platform::WM_DESTROY, 0, 0);
        thread.Join();
    }
    std::vector<uint32_t> Received() {
        std::lock_guard lock(mu);
        return received;
    }
    std::vector<uint32_t> ReceivedInsideDestroy() {
        std::lock_guard lock(mu);
        return received_inside_destroy;
    }
};

class ManagerWindowTest : public ::testing::Test {
protected:
    testing::Harness h;
    std::unique_ptr<platform::WindowSystem> windows = platform::MakeLocalWindowSystem(*h.clock);
    std::FILE* log_file = std::tmpfile();
    HeadlessUi ui{ctl::TextUiOptions{ctl::Reply::kDefault, std::nullopt, std::nullopt, log_file}};
    AppPeers peers{*windows};
    ManagerContext ctx{ManagerServices{*h.clock, h.devices, h.registry, h.folder, ui, peers}};
    ManagerWindow window{*windows, ctx, [this](const std::string& line) { ui.Log(line); }};
    platform::Thread worker;

    ManagerWindowTest() {
        h.RegisterCard();
        ui.Attach(&ctx);
        ui.OnFirstShow([this] {
            const bool created = window.Create();
            EXPECT_TRUE(created);
            return created;
        });
    }
    ~ManagerWindowTest() override {
        ctx.stop_worker = true;
        worker.Join();
        std::fclose(log_file);
    }
    std::string Log() {
        std::fflush(log_file);
        std::rewind(log_file);
        std::string text;
        char chunk[512];
        for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, log_file)) > 0;) text.append(chunk, n);
        return text;
    }
    static size_t Count(const std::string& text, const std::string& part) {
        size_t n = 0;
        for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
        return n;
    }
};

// The three settings, in the order the manager reports them: phone lock off, automatic
// operator selection, PIN request on (the double's defaults).
const std::vector<uint32_t> kSettingsReport = {kMsgPhoneLockOff, kMsgOperatorAuto, kMsgPinRequestOn};

TEST_F(ManagerWindowTest, PowerDownIsDestroyedInsideItsSendAndEndsTheLoop) {
    CommanderDouble commander(*windows, *h.clock);
    ASSERT_EQ(StartManager(ctx, worker), StartOutcome::kRunning);
    ASSERT_NE(windows->FindWindow(u"QMXManager", u"QMX2 monitor"), 0u);
    ASSERT_TRUE(h.RunUntil([&] { return ctx.messages_loaded.load(); }));

    const auto command = ParseConsoleCommand("power-down");
    ASSERT_TRUE(command);
    windows->PostMessage(window.hwnd(), command->message, command->wparam, 0);
    EXPECT_EQ(windows->RunMessageLoop(), 0);
    EXPECT_TRUE(worker.Join(60000));

    EXPECT_TRUE(commander.destroy_answered);
    EXPECT_EQ(commander.Received(), std::vector<uint32_t>{kMsgPowerDown});
    // The settings reached the commander while it was still waiting for the destruction.
    EXPECT_EQ(commander.ReceivedInsideDestroy(), kSettingsReport);
    EXPECT_FALSE(windows->IsWindow(window.hwnd()));
    for (const char* file : {"pcmsg.txt", "phonebk.txt", "msggrp.txt", "misc.txt"})
        EXPECT_TRUE(h.folder.files.count(file)) << file;
    const std::string log = Log();
    EXPECT_NE(log.find("Qmx2PPC: main window shown\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Qmx2PPC: notification icon removed\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Qmx2PPC: monitor: (no operator) | 0 bars | Searching network, please wait... | \n"),
              std::string::npos)
        << log;
}

TEST_F(ManagerWindowTest, CloseHidesAndASecondStartBringsTheWindowBack) {
    CommanderDouble commander(*windows, *h.clock);
    ASSERT_EQ(StartManager(ctx, worker), StartOutcome::kRunning);
    windows->SendMessage(window.hwnd(), platform::WM_COMMAND, kCmdExit, 0);
    ASSERT_TRUE(windows->PumpMessages([&] { return ctx.hidden; }, 60000));
    EXPECT_EQ(ctx.worker_state, kStateClosed);
    EXPECT_EQ(commander.Received(), kSettingsReport);

    // What a second Qmx2PPC does on finding this one.
    AppPeers second(*windows);
    ASSERT_TRUE(second.BringRunningManagerForward());
    ASSERT_TRUE(windows->PumpMessages([&] { return !ctx.hidden; }, 60000));
    EXPECT_EQ(ctx.worker_state, kStatePolling);

    windows->PostMessage(window.hwnd(), kMsgLogStatus, 0, 0);
    windows->PostMessage(window.hwnd(), platform::WM_DESTROY, 0, 0);
    EXPECT_EQ(windows->RunMessageLoop(), 0);
    EXPECT_EQ(commander.Received().size(), 2 * kSettingsReport.size());

    const std::string log = Log();
    EXPECT_EQ(Count(log, "Qmx2PPC: main window shown\n"), 2u) << log;
    EXPECT_EQ(Count(log, "Qmx2PPC: main window hidden\n"), 1u) << log;
    EXPECT_EQ(Count(log, "Qmx2PPC: notification icon added\n"), 2u) << log;
    EXPECT_NE(log.find("Qmx2PPC: window shown, polling; worker state 2"), std::string::npos) << log;
}

TEST(ManagerAppTest, NoOtherManagerMeansNothingToBringForward) {
    auto clock = platform::MakeVirtualClock();
    auto windows = platform::MakeLocalWindowSystem(*clock);
    AppPeers peers(*windows);
    EXPECT_FALSE(peers.BringRunningManagerForward());
    // A window of the class with another title is not this program's.
    windows->RegisterWindow(u"QMXManager", u"another", [](HWND, uint32_t, WPARAM, LPARAM) { return LRESULT{0}; });
    EXPECT_FALSE(peers.BringRunningManagerForward());
}

TEST(ManagerAppTest, TerminalCommands) {
    EXPECT_EQ(ParseConsoleCommand("status")->message, kMsgLogStatus);
    EXPECT_EQ(ParseConsoleCommand("power-down")->wparam, kCmdPowerDown);
    EXPECT_EQ(ParseConsoleCommand("  close \r")->message, platform::WM_CLOSE);
    EXPECT_EQ(ParseConsoleCommand("open")->message, platform::WM_ACTIVATE);
    EXPECT_EQ(ParseConsoleCommand("quit\t")->message, platform::WM_DESTROY);
    for (const char* line : {"", "power", "quit now", "STATUS", "power-down\n2"})
        EXPECT_FALSE(ParseConsoleCommand(line)) << line;
}

TEST(ManagerAppTest, MonitorLine) {
    MonitorState state;
    state.operator_line = "RADIOLINJA";
    state.signal_level = 3;
    state.info_line1 = "Modem";
    state.info_line2 = "9.6kbps";
    EXPECT_EQ(MonitorLine(state), "monitor: RADIOLINJA | 3 bars | Modem | 9.6kbps");
}

}  // namespace
}  // namespace qmx2::manager::app
