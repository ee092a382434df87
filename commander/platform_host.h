// The commander's host on the handheld's platform: windows through the WindowSystem, programs
// through the process start, run-at-event registrations through the platform's list in the root.
#pragma once

#include <functional>
#include <string>

#include "commander/host.h"
#include "commander/program_starter.h"
#include "platform/run_at_event.h"
#include "platform/windows.h"

namespace qmx2::commander {

inline constexpr std::u16string_view kCommanderClass = u"Qmx2Com";
inline constexpr std::u16string_view kCommanderWindowTitle = u"QMX2 commander";
inline constexpr std::u16string_view kManagerClass = u"QMXManager";

class PlatformHost : public CommanderHost {
public:
    PlatformHost(platform::WindowSystem& windows, ProgramStarter& programs)
        : windows_(windows), programs_(programs) {}

    void SetOwnWindow(platform::HWND hwnd) { own_ = hwnd; }
    // Where registrations go; without one they are only logged.
    void SetRunAtEvents(platform::RunAtEvents* events) { run_at_events_ = events; }
    // Where a line about a registration goes (a log); may be empty.
    void SetLog(std::function<void(const std::string&)> log) { log_ = std::move(log); }

    bool ManagerWindowExists() override;
    void CloseManager() override;
    void EndCommander() override;
    bool StartProgram(std::string_view path, std::string_view command_line = {}) override;
    bool DeviceHostRunning() override { return !device_host_running_ || device_host_running_(); }
    void SetDeviceHostCheck(std::function<bool()> check) { device_host_running_ = std::move(check); }
    void ClearRunAtEvent(std::string_view path) override;
    void RunAtDeviceChange(std::string_view path) override;

private:
    platform::WindowSystem& windows_;
    ProgramStarter& programs_;
    platform::HWND own_ = 0;
    platform::RunAtEvents* run_at_events_ = nullptr;
    std::function<void(const std::string&)> log_;
    std::function<bool()> device_host_running_;
};

}  // namespace qmx2::commander
