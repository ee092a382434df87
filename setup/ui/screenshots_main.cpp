// Renders every window of the installer and of the application manager into PNG files, on a
// scratch desktop and handheld, for reviews without a desktop:
//   setup-screenshots OUT-FOLDER
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string_view>

#include "platform/clock.h"
#include "platform/process.h"
#include "platform/qt/message_box.h"
#include "platform/registry.h"
#include "setup/desktop.h"
#include "setup/setup_texts.h"
#include "setup/ui/app_manager_window.h"
#include "setup/ui/setup_dialogs.h"
#include "setup/ui/setup_wizard.h"

namespace {

using namespace qmx2;
namespace fs = std::filesystem;

QString out_dir;

void Save(QWidget* w, const char* name) {
    w->grab().save(out_dir + "/" + name + ".png", "PNG");
    std::printf("%s/%s.png\n", out_dir.toLocal8Bit().constData(), name);
}

// Saves the next modal window under name and closes it.
void GrabModal(const char* name) {
    QTimer::singleShot(200, [name] {
        if (QWidget* w = QApplication::activeModalWidget()) {
            Save(w, name);
            if (auto* box = qobject_cast<QMessageBox*>(w)) box->done(QMessageBox::No);
            else if (auto* d = qobject_cast<QDialog*>(w)) d->reject();
        }
    });
}

// One of setup's error boxes, made as setup makes it.
void Box(const char* name, const QString& text) {
    using namespace platform::qt;
    const std::unique_ptr<QMessageBox> box =
        MakeMessageBox({text, setup::ui::Text(setup::kCaption), nullptr, Buttons::kOk, Icon::kError});
    box->show();
    QApplication::processEvents();
    Save(box.get(), name);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: setup-screenshots OUT-FOLDER\n", stderr);
        return 2;
    }
    QApplication app(argc, argv);
    out_dir = argv[1];
    const fs::path self = fs::canonical("/proc/self/exe").parent_path();
    const fs::path scratch = fs::temp_directory_path() / ("qmx2-screens-" + std::to_string(::getpid()));
    const fs::path desktop = scratch / "desktop", handheld = scratch / "handheld";
    fs::create_directories(desktop / "Program Files/Microsoft ActiveSync");
    fs::create_directories(handheld);
    const fs::path setup_dir = self.parent_path() / "setup";

    auto clock = platform::MakeRealClock();
    auto windows = platform::MakeLocalWindowSystem(*clock);
    std::string error;
    auto registry = platform::OpenRegistry(desktop.string(), &error);
    setup::RegisterAppManager(*registry);
    platform::Files installer(setup_dir.string()), desktop_files(desktop.string());
    platform::Processes processes(*clock, desktop.string());
    setup::SetupContext ctx{*clock, installer, desktop_files, *registry, *windows, processes, {}, {}, {}};
    if (setup::PrepareSetup(ctx) != setup::StartResult::kReady) {
        std::fprintf(stderr, "setup-screenshots: %s has no usable setup.lst\n", setup_dir.c_str());
        return 1;
    }

    {
        setup::ui::SetupWizard wizard(ctx);
        wizard.show();
        QApplication::processEvents();
        Save(&wizard, "setup-welcome");
        GrabModal("setup-exit-question");
        wizard.quit()->click();
    }
    {
        setup::ui::LicenseDialog license(QString::fromStdString(setup::ReadLicense(installer)), nullptr);
        license.show();
        QApplication::processEvents();
        Save(&license, "setup-license");
    }
    {
        // Half-way through the copy, drawn without running it.
        setup::ui::ProgressDialog progress({installer, desktop_files, ctx.destination, ctx.list}, nullptr);
        progress.Preview("qmx2ppc.sh3.CAB", 67);
        progress.ensurePolished();
        progress.adjustSize();
        Save(&progress, "setup-progress");
    }
    {
        setup::ui::SetupWizard wizard(ctx);
        wizard.ShowCompletedPage();
        QApplication::processEvents();
        Save(&wizard, "setup-completed");
    }
    Box("setup-init-failed", setup::ui::Text(setup::kInitFailed));
    Box("setup-no-activesync", setup::ui::Text(setup::kNoAppManager));
    Box("setup-cannot-copy", setup::ui::Text(setup::kCannotCopy).replace("%s", "qmx2ppc.2577.CAB"));
    Box("setup-not-completed", setup::ui::Text(setup::kNotCompleted).replace("%d", "2"));

    // The application manager's three windows.
    std::ofstream(desktop / "qmx2.ini") << setup::kQmx2Ini;
    GrabModal("appmgr-device-not-connected");
    setup::ui::RunAppManager({desktop.string(), (scratch / "none").string(), "\"\\qmx2.ini\"", nullptr});
    GrabModal("appmgr-invalid-setup-files");
    setup::ui::RunAppManager({desktop.string(), handheld.string(), "\"\\qmx2.ini\"", nullptr});
    fs::copy_file(setup_dir / "qmx2ppc.2577.CAB", desktop / "qmx2ppc.2577.CAB");
    GrabModal("appmgr-add-remove-programs");
    setup::ui::RunAppManager({desktop.string(), handheld.string(), "\"\\qmx2.ini\"", nullptr});
    fs::remove_all(scratch);
    return 0;
}
