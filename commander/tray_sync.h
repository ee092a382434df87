// The commander's two tray icons on the platform's notification-area service: the card icon 5000
// with its powered or powered-down image and the memory-full icon 5001, both with callback 3025
// and no tip.
#pragma once

#include "commander/commander.h"
#include "platform/tray_icons.h"

namespace qmx2::commander {

// Adds, changes and deletes the icons of `owner` so that the service shows `state`.
void SyncTrayIcons(platform::TrayIcons& tray, platform::HWND owner, const TrayIcons& state);

}  // namespace qmx2::commander
