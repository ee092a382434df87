// User notifications on a desktop: each one is kept on the board (as headless) and shown as a
// desktop notification through org.freedesktop.Notifications on the session bus. Its sound
// (a handheld path, found under the root) goes to the notification server as the "sound-file"
// hint; when the server cannot play sounds, a sound player of the desktop plays it. Marking a
// program's notifications handled closes the ones still shown. Without a session bus or a
// notification server the notification is a log line. A notification is shown when it is raised,
// whatever its due time: the programs raise only notifications that are due at once.
//
// Needs a QCoreApplication; its methods may be called from any thread.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/notifications.h"

namespace qmx2::platform {

struct DesktopNotificationOptions {
    std::string root;                 // the handheld's root, where sounds are found
    std::string app_name = "QMX2";    // the application name the desktop shows
    // Programs tried, in order, to play a sound the server cannot; empty list: never played.
    std::vector<std::string> players = {"pw-play", "paplay", "aplay"};
    std::function<void(const std::string&)> log;
};

std::unique_ptr<Notifications> MakeDesktopNotifications(DesktopNotificationOptions options);

}  // namespace qmx2::platform
