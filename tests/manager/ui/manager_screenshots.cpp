// Renders Qmx2PPC's windows offscreen into <folder>/<window>.png: the monitor with bars and an
// operator, the monitor while searching, the about box and a message box of the manager.
//   manager_screenshots FOLDER
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <cstdio>

#include "manager/core/manager_ui.h"
#include "manager/ui/ppc/monitor_window.h"
#include "manager/ui/ppc/qt_manager_ui.h"
#include "platform/help_viewer.h"
#include "platform/qt/message_box.h"

using namespace qmx2::manager;

namespace {

QString folder;

void Save(QWidget* w, const char* name) {
    w->show();
    QApplication::processEvents();
    const QString path = folder + "/" + name + ".png";
    if (!w->grab().save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    w->hide();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: manager_screenshots FOLDER\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    folder = argv[1];
    qmx2::platform::HelpRequestLog help;

    MonitorState state;
    ui::MonitorWindow window([&state] { return state; }, [](uint32_t) {}, help);
    Save(&window, "manager-monitor-searching");
    state.signal_level = 3;
    state.operator_line = "Orvan Net";
    SetSpeedLines(state, 1);
    Save(&window, "manager-monitor");

    QDialog* about = window.MakeAbout();
    Save(about, "manager-about");
    delete about;

    const auto box = qmx2::platform::qt::MakeMessageBox(
        {QString::fromUtf16(ui::kWindowNotAvailable), QString::fromUtf16(kCaption), nullptr,
         qmx2::platform::qt::Buttons::kOk});
    Save(box.get(), "manager-window-not-available");
    return 0;
}
