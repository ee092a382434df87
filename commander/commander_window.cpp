// The commander's window procedure and its card transaction.
#include "commander/commander_window.h"

#include "commander/platform_host.h"
#include "common/at_transaction.h"

namespace qmx2::commander {

CommanderWindow::~CommanderWindow() {
    StopCardWatch();
    if (hwnd_ && !destroyed_) windows_.DestroyWindow(hwnd_);
}

bool CommanderWindow::StartCardWatch(platform::Clock& clock, uint32_t period_ms) {
    watch_clock_ = &clock;
    return watch_.Start(clock, [this, &clock, period_ms, hwnd = hwnd_] {
        while (!clock.WaitFor([&] { return watch_stop_; }, period_ms))
            windows_.PostMessage(hwnd, kMsgTimer, kCardWatchTimer, 0);
    });
}

void CommanderWindow::StopCardWatch() {
    if (!watch_clock_) return;
    watch_clock_->Update([&] { watch_stop_ = true; });
    watch_.Join();
}

bool GiveWayToEarlierCommander(platform::WindowSystem& windows, platform::Clock& clock) {
    constexpr int kWaits = 11;
    for (int waits = 0;; ++waits) {
        const platform::HWND earlier = windows.FindWindow(kCommanderClass, kCommanderWindowTitle);
        if (!earlier) return false;
        if (waits == kWaits) {
            windows.PostMessage(earlier, kMsgActivate, 1, 0);  // WA_ACTIVE
            return true;
        }
        clock.SleepMs(500);
    }
}

platform::HWND CommanderWindow::Create() {
    hwnd_ = windows_.RegisterWindow(
        kCommanderClass, kCommanderWindowTitle,
        [this](platform::HWND, uint32_t m, platform::WPARAM w, platform::LPARAM l) {
            return Procedure(m, w, l);
        });
    return hwnd_;
}

int CommanderWindow::Run() { return windows_.RunMessageLoop(); }

platform::LRESULT CommanderWindow::Procedure(uint32_t message, platform::WPARAM wparam,
                                             platform::LPARAM lparam) {
    if (message == platform::WM_DESTROY) {
        // Posted once by the commander itself; a second one finds the window gone.
        if (destroyed_) return 0;
        destroyed_ = true;
        StopCardWatch();
        commander_.Exit();
        windows_.DestroyWindow(hwnd_);
        windows_.PostQuitMessage(0);
        return 0;
    }
    commander_.HandleMessage(message, wparam, static_cast<int64_t>(lparam));
    return 0;
}

struct TransactionChannel::Impl {
    Impl(platform::Devices& d, platform::Clock& c) : channel(d, c, common::AtProgram::kCommander) {}
    common::AtChannel channel;
};

TransactionChannel::TransactionChannel(platform::Devices& devices, platform::Clock& clock,
                                       platform::WideView port)
    : impl_(std::make_unique<Impl>(devices, clock)) {
    impl_->channel.SetPortName(port);
}

TransactionChannel::~TransactionChannel() = default;

std::string TransactionChannel::Send(std::string_view command, std::string_view expected, int timeout_s) {
    return common::SendAtCommand(impl_->channel, command, expected, timeout_s);
}

}  // namespace qmx2::commander
