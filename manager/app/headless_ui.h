// The manager's user-interface boundary without windows: messages and questions as qmx2ctl
// shows them, and what the main window would show (shown or hidden, the notification icon, the
// monitor lines) written to the log whenever it changes.
#pragma once

#include <cstdio>
#include <functional>
#include <mutex>
#include <string>

#include "manager/ctl/text_ui.h"
#include "manager/monitor/monitor.h"

namespace qmx2::manager {
struct ManagerContext;
}

namespace qmx2::manager::app {

// One line for the monitor's state: operator, bars and the two speed lines.
std::string MonitorLine(const MonitorState& state);

class HeadlessUi : public ctl::TextUi {
public:
    // Log lines start with `program` ("Qmx2PPC" or "Qmx2HPC").
    explicit HeadlessUi(ctl::TextUiOptions options, const char* program = "Qmx2PPC")
        : TextUi(options), log_(options.out), program_(program) {}

    // The manager whose monitor RepaintMain reads; set once the context exists.
    void Attach(ManagerContext* ctx) { ctx_ = ctx; }
    // Runs on the first ShowMainWindow(true): the program creates its window there, as the
    // manager creates its main window just before it is first shown; false when it could not.
    void OnFirstShow(std::function<bool()> hook) { on_first_show_ = std::move(hook); }

    bool ShowMainWindow(bool visible) override;
    void RepaintMain() override;
    void SetNotificationIcon(bool present) override;

    void Log(const std::string& line);

private:
    std::FILE* log_;
    const char* program_;
    ManagerContext* ctx_ = nullptr;
    std::function<bool()> on_first_show_;
    std::mutex mu_;
    bool shown_once_ = false;
    int visible_ = -1;  // -1 until the first call
    int icon_ = -1;
    std::string last_monitor_;
};

}  // namespace qmx2::manager::app
