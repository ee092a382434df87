// The commander's host on the platform's windows and process start.
#include "commander/platform_host.h"

#include <algorithm>

namespace qmx2::commander {

bool PlatformHost::ManagerWindowExists() { return windows_.FindWindow(kManagerClass) != 0; }

void PlatformHost::CloseManager() {
    if (const platform::HWND manager = windows_.FindWindow(kManagerClass))
        windows_.SendMessage(manager, platform::WM_DESTROY, 0, 0);
}

void PlatformHost::EndCommander() {
    if (own_) windows_.PostMessage(own_, platform::WM_DESTROY, 0, 0);
}

bool PlatformHost::StartProgram(std::string_view path) {
    return programs_.Start(path);
}

void PlatformHost::ClearRunAtEvent(std::string_view path) {
    std::lock_guard lock(mu_);
    std::erase(run_at_event_, std::string(path));
}

void PlatformHost::RunAtDeviceChange(std::string_view path) {
    {
        std::lock_guard lock(mu_);
        run_at_event_.emplace_back(path);
    }
    if (log_) log_("started at the device-change event: " + std::string(path));
}

std::vector<std::string> PlatformHost::RunAtEventPrograms() const {
    std::lock_guard lock(mu_);
    return run_at_event_;
}

}  // namespace qmx2::commander
