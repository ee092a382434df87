// The manager's main window (class "QMXManager") on the handheld's window messages, and the
// peers it talks to. Its procedure runs the manager's close, activation, destruction and menu
// commands; the program's message loop ends when the window is destroyed.
#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include "manager/core/command_ids.h"
#include "manager/core/manager_context.h"
#include "manager/ctl/window_peers.h"
#include "platform/windows.h"

namespace qmx2::manager::app {

inline constexpr char16_t kManagerClass[] = u"QMXManager";
inline constexpr char16_t kManagerTitle[] = u"QMX2 monitor";

// Asks the window to log the manager's state (the headless build's "status").
inline constexpr uint32_t kMsgLogStatus = platform::WM_USER + 1;

// The commander as qmx2ctl reaches it, plus the running manager's window brought forward.
class AppPeers : public ctl::WindowPeers {
public:
    explicit AppPeers(platform::WindowSystem& windows) : WindowPeers(windows), windows_(windows) {}
    bool BringRunningManagerForward() override;

private:
    platform::WindowSystem& windows_;
};

class ManagerWindow {
public:
    // `log` takes the lines of "status".
    ManagerWindow(platform::WindowSystem& windows, ManagerContext& ctx,
                  std::function<void(const std::string&)> log)
        : windows_(windows), ctx_(ctx), log_(std::move(log)) {}

    // Registers the window on the calling thread; false when that fails.
    bool Create();
    platform::HWND hwnd() const { return hwnd_; }
    // The window has been destroyed: the program's loop ends.
    bool destroyed() const { return destroyed_; }

    platform::LRESULT Handle(uint32_t message, platform::WPARAM wparam);

private:
    void LogStatus();

    platform::WindowSystem& windows_;
    ManagerContext& ctx_;
    std::function<void(const std::string&)> log_;
    platform::HWND hwnd_ = 0;
    bool destroyed_ = false;
};

// A line typed at the terminal as the message the program posts to its own window: "status",
// "power-down", "close", "open" and "quit". Nothing for anything else.
struct WindowCommand {
    uint32_t message;
    platform::WPARAM wparam;
};
std::optional<WindowCommand> ParseConsoleCommand(std::string_view line);

}  // namespace qmx2::manager::app
