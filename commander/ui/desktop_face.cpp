// The desktop face of Qmx2Com.
#include "commander/ui/desktop_face.h"

#include <QApplication>
#include <cstdlib>
#include <string>

#include "commander/commander.h"
#include "commander/ui/qt_commander_ui.h"
#include "platform/desktop/desktop_notifications.h"
#include "platform/desktop/desktop_tray.h"
#include "platform/qt/display.h"
#include "platform/qt/message_pump.h"

namespace qmx2::commander::ui {
namespace {

class QtFace : public DesktopFace {
public:
    QtFace(int& argc, char** argv) : app_(argc, argv) {
        QApplication::setQuitOnLastWindowClosed(false);  // the commander lives in the tray
        QApplication::setApplicationName("Qmx2Com");
        ui_ = std::make_unique<QtCommanderUi>();
    }
    CommanderUi& ui() override { return *ui_; }
    std::unique_ptr<platform::TrayIcons> MakeTrayIcons(platform::TrayPoster poster,
                                                       platform::TrayLog log) override {
        return platform::MakeDesktopTrayIcons(std::move(poster), std::move(log));
    }
    std::unique_ptr<platform::Notifications> MakeNotifications(const std::string& root,
                                                               platform::TrayLog log) override {
        platform::DesktopNotificationOptions o;
        o.root = root;
        o.log = std::move(log);
        return platform::MakeDesktopNotifications(std::move(o));
    }
    void Attach(Commander& commander, std::function<void()> tray_changed) override {
        ui_->Attach(&commander.menu(), [&commander](uint32_t c) { commander.HandleCommand(c); },
                    std::move(tray_changed));
    }
    int Run(platform::WindowSystem& windows, std::function<bool()> finished) override {
        if (finished()) return 0;
        platform::qt::MessagePump pump(windows, std::move(finished));
        return QApplication::exec();
    }

private:
    QApplication app_;
    std::unique_ptr<QtCommanderUi> ui_;
};

}  // namespace

bool DisplayPresent() { return platform::qt::DisplayPresent(); }

std::unique_ptr<DesktopFace> MakeDesktopFace(int& argc, char** argv) {
    return std::make_unique<QtFace>(argc, argv);
}

}  // namespace qmx2::commander::ui
