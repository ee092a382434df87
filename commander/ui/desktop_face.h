// Qmx2Com's desktop face as the program's main sees it, without Qt in this header: whether a
// display is there, the QApplication, the face's user interface, tray icons and notifications,
// and the Qt loop that also runs the window messages.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "commander/ui.h"
#include "platform/notifications.h"
#include "platform/tray_icons.h"
#include "platform/windows.h"

namespace qmx2::commander {
class Commander;
}

namespace qmx2::commander::ui {

// A desktop session a person sees: an X or Wayland display, or a Qt platform chosen by
// QT_QPA_PLATFORM other than offscreen or minimal.
bool DisplayPresent();

class DesktopFace {
public:
    virtual ~DesktopFace() = default;
    virtual CommanderUi& ui() = 0;
    virtual std::unique_ptr<platform::TrayIcons> MakeTrayIcons(platform::TrayPoster poster,
                                                               platform::TrayLog log) = 0;
    virtual std::unique_ptr<platform::Notifications> MakeNotifications(const std::string& root,
                                                                       platform::TrayLog log) = 0;
    // The popup's menu and commands, and the tray's repaint.
    virtual void Attach(Commander& commander, std::function<void()> tray_changed) = 0;
    // Qt's loop, running the window messages, until `finished` holds after a message.
    virtual int Run(platform::WindowSystem& windows, std::function<bool()> finished) = 0;
};

// Makes the QApplication; null when Qt cannot open the display.
std::unique_ptr<DesktopFace> MakeDesktopFace(int& argc, char** argv);

}  // namespace qmx2::commander::ui
