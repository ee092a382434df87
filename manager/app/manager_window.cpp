// The manager's main window procedure and the terminal's commands for it.
#include "manager/app/manager_window.h"

#include <string>

#include "manager/app/headless_ui.h"
#include "manager/core/main_window.h"
#include "manager/core/polling.h"

namespace qmx2::manager::app {
namespace {
constexpr platform::WPARAM kActive = 1;  // WM_ACTIVATE: the window became active
}  // namespace

bool AppPeers::BringRunningManagerForward() {
    const platform::HWND running = windows_.FindWindow(kManagerClass, platform::WideView(kManagerTitle));
    if (running == 0) return false;
    // The running manager takes the port back and shows its window through its activation.
    windows_.PostMessage(running, platform::WM_ACTIVATE, kActive, 0);
    return true;
}

bool ManagerWindow::Create() {
    hwnd_ = windows_.RegisterWindow(kManagerClass, platform::WideView(kManagerTitle),
                                    [this](platform::HWND, uint32_t m, platform::WPARAM w, platform::LPARAM) {
                                        return Handle(m, w);
                                    });
    return hwnd_ != 0;
}

platform::LRESULT ManagerWindow::Handle(uint32_t message, platform::WPARAM wparam) {
    switch (message) {
    case platform::WM_CLOSE: CloseMainWindow(ctx_); break;
    case platform::WM_ACTIVATE:
        if ((wparam & 0xFFFF) != 0) ActivateMainWindow(ctx_);
        break;
    case platform::WM_DESTROY:
        DestroyMainWindow(ctx_);
        windows_.DestroyWindow(hwnd_);
        destroyed_ = true;
        windows_.PostQuitMessage(0);
        break;
    case platform::WM_COMMAND:
        if ((wparam & 0xFFFF) == kCmdPowerDown) PowerDown(ctx_);
        // "Exit" hides the window and hands the card back; the program goes on.
        if ((wparam & 0xFFFF) == kCmdExit) windows_.PostMessage(hwnd_, platform::WM_CLOSE, 0, 0);
        break;
    case kMsgLogStatus: LogStatus(); break;
    default: break;
    }
    return 0;
}

void ManagerWindow::LogStatus() {
    log_(MonitorLine(MonitorSnapshot(ctx_)));
    log_(std::string("window ") + (ctx_.hidden ? "hidden, card handed back" : "shown, polling") +
         "; worker state " + std::to_string(ctx_.worker_state.load()) + ", passes " +
         std::to_string(ctx_.passes.load()));
    log_(std::string("loaded: SIM book ") + (ctx_.sim_book_loaded ? "yes" : "no") + ", card book " +
         (ctx_.card_book_loaded ? "yes" : "no") + ", messages " + (ctx_.messages_loaded ? "yes" : "no"));
}

std::optional<WindowCommand> ParseConsoleCommand(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ' || line.back() == '\t'))
        line.remove_suffix(1);
    while (!line.empty() && (line.front() == ' ' || line.front() == '\t')) line.remove_prefix(1);
    if (line == "status") return WindowCommand{kMsgLogStatus, 0};
    if (line == "power-down") return WindowCommand{platform::WM_COMMAND, kCmdPowerDown};
    if (line == "close") return WindowCommand{platform::WM_CLOSE, 0};
    if (line == "open") return WindowCommand{platform::WM_ACTIVATE, kActive};
    if (line == "quit") return WindowCommand{platform::WM_DESTROY, 0};
    return std::nullopt;
}

}  // namespace qmx2::manager::app
