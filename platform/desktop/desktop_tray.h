// The tray icons on a desktop: QSystemTrayIcon where the session has a tray (a StatusNotifierItem
// host on D-Bus, or an X tray), the log where it has none. An icon added while there is no tray
// stays in the log only; a tray that goes away while icons are shown leaves the program running.
//
// Make and destroy it on the Qt GUI thread with a QApplication alive; its methods may be called
// from any other thread too (they run on the GUI thread, which must not be waiting for that one).
#pragma once

#include <memory>

#include "platform/tray_icons.h"

namespace qmx2::platform {

std::unique_ptr<TrayIcons> MakeDesktopTrayIcons(TrayPoster poster, TrayLog log);

}  // namespace qmx2::platform
