// The commander's host on the handheld's platform: windows through the WindowSystem, programs
// through the process start, and the run-at-event registrations kept as a list a shell or log
// can show.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "commander/host.h"
#include "commander/program_starter.h"
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
    // Where a line about a registration goes (a log); may be empty.
    void SetLog(std::function<void(const std::string&)> log) { log_ = std::move(log); }

    bool ManagerWindowExists() override;
    void CloseManager() override;
    void EndCommander() override;
    bool StartProgram(std::string_view path) override;
    void ClearRunAtEvent(std::string_view path) override;
    void RunAtDeviceChange(std::string_view path) override;

    std::vector<std::string> RunAtEventPrograms() const;

private:
    platform::WindowSystem& windows_;
    ProgramStarter& programs_;
    platform::HWND own_ = 0;
    std::function<void(const std::string&)> log_;
    mutable std::mutex mu_;
    std::vector<std::string> run_at_event_;
};

}  // namespace qmx2::commander
