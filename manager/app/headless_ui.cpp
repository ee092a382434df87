// What the manager's main window would show, as log lines.
#include "manager/app/headless_ui.h"

#include "manager/core/manager_context.h"
#include "manager/core/polling.h"

namespace qmx2::manager::app {

std::string MonitorLine(const MonitorState& state) {
    return "monitor: " + (state.operator_line.empty() ? std::string("(no operator)") : state.operator_line) +
           " | " + std::to_string(state.signal_level) + " bars | " + state.info_line1 + " | " +
           state.info_line2;
}

void HeadlessUi::Log(const std::string& line) {
    std::lock_guard lock(mu_);
    std::fprintf(log_, "%s: %s\n", program_, line.c_str());
    std::fflush(log_);
}

bool HeadlessUi::ShowMainWindow(bool visible) {
    if (visible && !shown_once_) {
        shown_once_ = true;
        if (on_first_show_ && !on_first_show_()) return false;
    }
    {
        std::lock_guard lock(mu_);
        if (visible_ == static_cast<int>(visible)) return true;
        visible_ = visible;
    }
    Log(visible ? "main window shown" : "main window hidden");
    return true;
}

void HeadlessUi::RepaintMain() {
    if (!ctx_) return;
    const std::string line = MonitorLine(MonitorSnapshot(*ctx_));
    {
        std::lock_guard lock(mu_);
        if (line == last_monitor_) return;
        last_monitor_ = line;
    }
    Log(line);
}

void HeadlessUi::SetNotificationIcon(bool present) {
    {
        std::lock_guard lock(mu_);
        if (icon_ == static_cast<int>(present)) return;
        icon_ = present;
    }
    Log(present ? "notification icon added" : "notification icon removed");
}

}  // namespace qmx2::manager::app
