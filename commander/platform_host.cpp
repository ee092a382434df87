// The commander's host on the platform's windows and process start.
#include "commander/platform_host.h"

namespace qmx2::commander {

bool PlatformHost::ManagerWindowExists() { return windows_.FindWindow(kManagerClass) != 0; }

void PlatformHost::CloseManager() {
    if (const platform::HWND manager = windows_.FindWindow(kManagerClass))
        windows_.SendMessage(manager, platform::WM_DESTROY, 0, 0);
}

void PlatformHost::EndCommander() {
    if (own_) windows_.PostMessage(own_, platform::WM_DESTROY, 0, 0);
}

bool PlatformHost::StartProgram(std::string_view path, std::string_view command_line) {
    return programs_.Start(path, command_line);
}

void PlatformHost::ClearRunAtEvent(std::string_view path) {
    if (run_at_events_) run_at_events_->Register(path, platform::NOTIFICATION_EVENT_NONE);
}

void PlatformHost::RunAtDeviceChange(std::string_view path) {
    const bool kept = run_at_events_ && run_at_events_->Register(path, platform::NOTIFICATION_EVENT_DEVICE_CHANGE);
    if (log_)
        log_((kept ? "started at the device-change event: " : "cannot register for the device-change event: ") +
             std::string(path));
}

}  // namespace qmx2::commander
