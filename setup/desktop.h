// The desktop this installer runs on: its registry entries for the application manager and the
// web browser, and the folder the cabinets go to. Desktop paths are those of the desktop's own
// file system ("\Program Files\Microsoft ActiveSync\CEAPPMGR.EXE"), kept in the desktop root.
#pragma once

#include <string>
#include <string_view>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/root.h"
#include "platform/text.h"

namespace qmx2::setup {

inline constexpr std::u16string_view kAppManagerKey =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\CEAPPMGR.EXE";
inline constexpr std::u16string_view kBrowserKey =
    u"Software\\Microsoft\\Windows\\CurrentVersion\\App Paths\\IEXPLORE.exe";
inline constexpr std::u16string_view kAppManagerFile = u"CEAPPMGR.EXE";
// Where "ceappmgr --register" puts the application manager on the desktop.
inline constexpr std::u16string_view kAppManagerPath = u"\\Program Files\\Microsoft ActiveSync\\CEAPPMGR.EXE";
inline constexpr size_t kMaxAppPathBytes = 512;

// The desktop root: `option` when not empty, else $QMX2_DESKTOP_ROOT, else the folder "desktop"
// beside the handheld root. False with a sentence in *error when no folder can be found.
bool ResolveDesktopRoot(std::string_view option, platform::EnvLookup env, std::string* root,
                        std::string* error);

// The default value of an App Paths key (at most 512 bytes); false when missing or empty.
bool ReadAppPath(platform::Registry& registry, std::u16string_view key, platform::WideString* path);

// Names `path` as the application manager in App Paths; false when the registry refuses.
bool RegisterAppManager(platform::Registry& registry, std::u16string_view path = kAppManagerPath);

// The application manager's folder with "Orvan\Pellion 2.0\" after it: its path with the file
// name "CEAPPMGR.EXE" cut off. False when the path does not end with that name.
bool DestinationFolder(platform::WideView app_manager_path, platform::WideString* folder);

// Reads at most `limit` bytes of a file; false when it cannot be opened or read.
bool ReadFileStart(platform::Files& files, platform::WideView path, size_t limit, std::string* text);

// Creates "<folder of the application manager>Orvan\" and "...Orvan\Pellion 2.0" when missing.
bool CreateDestinationFolders(platform::Files& desktop, platform::WideView destination);

}  // namespace qmx2::setup
