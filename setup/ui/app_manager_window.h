// The application manager's windows: "Device Not Connected" when no handheld can be reached,
// "Invalid Windows CE Setup Files" when the cabinet for the handheld is missing or damaged, and
// "Add/Remove Programs" while it installs and after. Each is a window of the desktop under that
// title for as long as it is shown, so the installer waits for it.
#pragma once

#include <string>

#include "platform/windows.h"

namespace qmx2::setup::ui {

inline constexpr char kNotConnectedText[] =
    "No device is connected to this computer.\n\nConnect your device and run Setup again.";
inline constexpr char kInvalidFilesText[] =
    "The setup files for this application are missing or damaged. Run Setup again.";

struct AppManagerRun {
    std::string desktop_root;
    std::string handheld_root;  // empty: no handheld reachable
    std::string command_line;   // as the installer gave it
    platform::WindowSystem* windows = nullptr;  // the desktop's
};

// Shows the windows in turn and installs; returns the program's exit code (0 installed).
int RunAppManager(const AppManagerRun& run);

}  // namespace qmx2::setup::ui
