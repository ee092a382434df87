// The manager's windows (either shell) as the program's main sees them, without Qt in this
// header: the QApplication, the manager's user interface with every worker call moved to the GUI
// thread, and Qt's loop that also runs the handheld's window messages.
#pragma once

#include <functional>
#include <memory>

#include "manager/core/manager_context.h"
#include "manager/core/manager_ui.h"
#include "manager/monitor/monitor.h"
#include "manager/ui/shell.h"
#include "platform/windows.h"

namespace qmx2::platform {
class HelpViewer;
}

namespace qmx2::manager::ui {

struct FaceParts {
    platform::WindowSystem& windows;
    ManagerUi& rest;  // what has no window yet
    std::function<MonitorState()> monitor;
    std::function<ManagerContext&()> context;
    std::function<platform::HWND()> window;
    platform::HelpViewer& help;
    const Shell& shell;  // Pocket PC or Handheld PC
};

class ManagerFace {
public:
    virtual ~ManagerFace() = default;
    // The boundary the manager's context uses, from any thread.
    virtual ManagerUi& ui() = 0;
    // Qt's loop with the window messages, until `finished` holds after a message. Callers still
    // waiting on the GUI thread are then released with cautious answers.
    virtual int Run(std::function<bool()> finished) = 0;
};

// Makes the QApplication; the tray icon service is made on this (the GUI) thread.
std::unique_ptr<ManagerFace> MakeManagerFace(int& argc, char** argv, FaceParts parts);

}  // namespace qmx2::manager::ui
