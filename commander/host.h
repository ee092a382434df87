// What the commander asks of the handheld besides the card and the user: the phone manager's
// window, its own window, program start, run-at-event registration and user notifications.
// The program wires these to the platform's windows and processes; tests record them.
#pragma once

#include <string>
#include <string_view>

#include "platform/clock.h"
#include "platform/notifications.h"

namespace qmx2::commander {

class CommanderHost {
public:
    virtual ~CommanderHost() = default;

    // Whether the phone manager's main window (class "QMXManager") exists. Also asked by the
    // menu-state thread, so it must be safe to call from any thread.
    virtual bool ManagerWindowExists() = 0;
    // Sends WM_DESTROY to the phone manager's main window, if there is one, and waits for it.
    virtual void CloseManager() = 0;
    // Posts WM_DESTROY to the commander's own window: the commander ends from its loop.
    virtual void EndCommander() = 0;
    // Starts a program and lets go of it; false when it cannot be started.
    virtual bool StartProgram(std::string_view path, std::string_view command_line = {}) = 0;
    // Whether the device manager that serves the card's port still runs.
    virtual bool DeviceHostRunning() { return true; }
    // Run-at-event registration of `path` for the device-change event (7).
    virtual void ClearRunAtEvent(std::string_view path) = 0;
    virtual void RunAtDeviceChange(std::string_view path) = 0;
};

// The user-notification service is the platform's, shared with the phone manager.
using UserNotifications = platform::Notifications;

}  // namespace qmx2::commander
