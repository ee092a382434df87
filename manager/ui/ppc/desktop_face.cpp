#include "manager/ui/ppc/desktop_face.h"

#include <QApplication>

#include "manager/core/gui_thread_ui.h"
#include "manager/ui/card_command.h"
#include "manager/ui/ppc/qt_manager_ui.h"
#include "manager/ui/qt_dispatch.h"
#include "platform/desktop/desktop_tray.h"
#include "platform/qt/message_pump.h"

namespace qmx2::manager::ui {
namespace {

class QtFace : public ManagerFace {
public:
    QtFace(int& argc, char** argv, FaceParts parts)
        : app_(argc, argv),
          tray_(platform::MakeDesktopTrayIcons(platform::PostTo(parts.windows), {})),
          windows_(parts.windows),
          qt_ui_({parts.rest, std::move(parts.monitor), std::move(parts.context), parts.window,
                  [this, window = parts.window](uint32_t command) {
                      windows_.PostMessage(window(), platform::WM_COMMAND, command, 0);
                  },
                  *tray_, parts.help, &parts.shell}),
          gui_ui_(qt_ui_, dispatch_) {
        // Hiding the monitor hands the card back; the program goes on until it is destroyed.
        QApplication::setQuitOnLastWindowClosed(false);
        QApplication::setApplicationName(parts.shell.program);
    }
    ManagerUi& ui() override { return gui_ui_; }
    int Run(std::function<bool()> finished) override {
        int code = 0;
        if (!finished()) {
            // The manager's window messages wait while a window's card command runs.
            platform::qt::MessagePump pump(windows_, std::move(finished), [] { return CardCommandsRunning() > 0; });
            code = QApplication::exec();
        }
        gui_ui_.Shutdown();
        return code;
    }

private:
    QApplication app_;
    std::unique_ptr<platform::TrayIcons> tray_;
    platform::WindowSystem& windows_;
    QtDispatch dispatch_;
    QtManagerUi qt_ui_;
    GuiThreadUi gui_ui_;
};

}  // namespace

std::unique_ptr<ManagerFace> MakeManagerFace(int& argc, char** argv, FaceParts parts) {
    return std::make_unique<QtFace>(argc, argv, std::move(parts));
}

}  // namespace qmx2::manager::ui
