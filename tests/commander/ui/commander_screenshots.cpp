// Renders every window of the commander offscreen into <folder>/<window>.png: the main window,
// each kind of the code dialog, the PUK and PUK2 dialogs, the change-code dialog, "Select
// Network" with a search result, the about box, the tray popup and the message boxes.
//   commander_screenshots FOLDER
#include <QApplication>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <cstdio>
#include <memory>

#include "commander/tray_menu.h"
#include "commander/ui/code_dialogs.h"
#include "commander/ui/network_window.h"
#include "commander/ui/qt_commander_ui.h"
#include "platform/qt/message_box.h"

using namespace qmx2::commander;

namespace {

QString folder;

void Save(QWidget* w, const char* name, bool fit = true) {
    if (fit) w->adjustSize();
    w->show();
    QApplication::processEvents();
    const QString path = folder + "/" + name + ".png";
    if (!w->grab().save(path)) std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    w->hide();
}

void SaveMessage(const char* name, const char* caption, const char* text, bool retry = false) {
    const auto box = qmx2::platform::qt::MakeMessageBox(
        {QString(text).replace("\r\n", "\n"), caption, nullptr,
         retry ? qmx2::platform::qt::Buttons::kRetryCancel : qmx2::platform::qt::Buttons::kOk});
    Save(box.get(), name);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: commander_screenshots FOLDER\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    folder = argv[1];

    ui::QtCommanderUi face;
    QMainWindow* main = face.main_window();
    main->resize(240, 294);  // the handheld's screen, less the task bar
    Save(main, "commander-main-window", false);

    for (CodeKind kind : {CodeKind::kSimPin, CodeKind::kSecurityCode, CodeKind::kPhFsimPin,
                          CodeKind::kPhFsimPuk, CodeKind::kSimPin2, CodeKind::kPhNetPin, CodeKind::kPhNetPuk}) {
        ui::CodeDialog dialog(CodeDialogTextFor(kind), main);
        const std::string name = "code-dialog-" + std::to_string(static_cast<int>(kind));
        Save(&dialog, name.c_str());
    }
    PukFields fields;
    ui::PukDialog puk({"Enter PUK code", "Please enter PUK code:", "Please enter new SIM PIN:",
                       "Please re-enter SIM PIN:"}, fields, main);
    Save(&puk, "puk-dialog");
    ui::PukDialog puk2({"Enter PUK2 code", "Please enter PUK2 code:", "Please enter new SIM PIN:",
                        "Please re-enter SIM PIN:"}, fields, main);
    Save(&puk2, "puk2-dialog");
    ui::ChangeCodeDialog change({}, main);
    Save(&change, "change-code-dialog");

    ui::NetworkWindow network(main);
    const std::vector<NetworkEntry> found{{"Elisa", 24405}, {"Telia FI", 24491}, {"DNA", 24412}};
    network.Show({found, 1, true});
    Save(&network, "select-network");

    bool help = false;
    std::unique_ptr<QDialog> about(ui::MakeAboutDialog(main, &help));
    Save(about.get(), "about");

    TrayMenu menu;
    menu.MarkSpeed(0);
    menu.Check(kCmdPowerUp, true);
    menu.CheckRadio(kCmdAutomatic, kCmdManual, kCmdAutomatic);
    menu.CheckRadio(kCmdPhoneLock, kCmdNoLock, kCmdNoLock);
    menu.EnableCommand(kCmdCloseMonitor, false);
    face.Attach(&menu, {}, {});
    std::unique_ptr<QMenu> popup(face.BuildPopup());
    Save(popup.get(), "tray-popup");
    std::unique_ptr<QMenu> modem(popup->findChild<QMenu*>("Modem"));
    if (modem) {
        modem->setParent(nullptr);
        Save(modem.get(), "tray-popup-modem");
    }

    SaveMessage("message-code-validation-failed", "QMX2 commander", "Code validation failed.");
    SaveMessage("message-port-busy", "QMX2 commander",
                "The communication port is opend by other application, cannot initialize pellion.", true);
    SaveMessage("message-not-powered", "QMX2 commander",
                "Please make sure your Pellion 2.0\r\nis powered up and SIM card is inserted.");
    SaveMessage("message-sms-memory-full", "SMS memory full!",
                "Please remove some short messages from SIM, otherwise any new short message can "
                "not be received.");
    return 0;
}
