// The installer's steps around the wizard: the checks at start, and after the copying the
// description file, the start of the application manager and the watch of its windows.
#pragma once

#include <string>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/windows.h"
#include "setup/setup_list.h"

namespace qmx2::setup {

struct SetupContext {
    platform::Clock& clock;
    platform::Files& installer;  // the installer's own folder
    platform::Files& desktop;
    platform::Registry& registry;  // the desktop's
    platform::WindowSystem& windows;
    platform::Processes& processes;  // started from the desktop root
    SetupList list;
    platform::WideString app_manager;  // its registered path
    platform::WideString destination;  // ends with "\"
};

// The window of an installer already running, or 0.
platform::HWND FindRunningSetup(platform::WindowSystem& windows);

enum class StartResult { kReady, kInitFailed, kNoAppManager };

// Reads "setup.lst" and the application manager's path and creates the destination folders.
// A folder that cannot be created ends the start as a list that cannot be read does.
StartResult PrepareSetup(SetupContext& ctx);

// The licence text: "license.txt" of the installer's folder, at most 13312 bytes, or
// "license.txt not found.".
std::string ReadLicense(platform::Files& installer);

// After a successful copy: writes "qmx2.ini" and starts the application manager with its path,
// a blank and the quoted path of "qmx2.ini". Returns the start's result as the desktop gives it:
// above 31 when the program started, else the error (2 when it is not there).
int StartAppManager(SetupContext& ctx, platform::ProcessId* id);

// True while one of the application manager's windows is open, or the started application
// manager itself still runs.
bool AppManagerBusy(SetupContext& ctx, platform::ProcessId id);

// Checks every 2 seconds until AppManagerBusy turns false, then removes "setup.log".
void WaitForAppManager(SetupContext& ctx, platform::ProcessId id);

// Starts the registered browser on a link, with the command line "browser path, a blank, the
// link text". False when no browser is registered or it cannot be started.
bool StartBrowser(SetupContext& ctx, platform::WideView link, platform::ProcessId* id = nullptr);

// A link text "command:N" (prefix in any case): true with the command number.
bool LinkCommand(std::string_view link, int* command);

}  // namespace qmx2::setup
