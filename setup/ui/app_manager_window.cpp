#include "setup/ui/app_manager_window.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

#include <filesystem>
#include <memory>

#include "platform/files.h"
#include "platform/qt/message_box.h"
#include "platform/qt/message_pump.h"
#include "platform/registry.h"
#include "setup/appmgr/app_install.h"
#include "setup/setup_texts.h"

namespace qmx2::setup::ui {
namespace {

QString Title(std::u16string_view title) { return QString::fromUtf16(title.data(), static_cast<qsizetype>(title.size())); }

// A desktop window under the dialog's title while it is shown; WM_CLOSE to it closes the dialog.
int ExecAsWindow(QDialog& dialog, platform::WindowSystem* windows) {
    const platform::HWND hwnd =
        windows ? windows->RegisterWindow(u"Dialog", dialog.windowTitle().toStdU16String(),
                                          [&dialog](platform::HWND, uint32_t msg, platform::WPARAM, platform::LPARAM) {
                                              if (msg == platform::WM_CLOSE) dialog.reject();
                                              return platform::LRESULT(0);
                                          })
                : 0;
    std::unique_ptr<platform::qt::MessagePump> pump;
    if (windows) pump = std::make_unique<platform::qt::MessagePump>(*windows, nullptr);
    const int result = dialog.exec();
    pump.reset();
    if (hwnd) windows->DestroyWindow(hwnd);
    return result;
}

int ShowMessage(std::u16string_view title, const QString& text, platform::qt::Icon icon, platform::WindowSystem* windows) {
    const auto box = platform::qt::MakeMessageBox({text, Title(title), nullptr, platform::qt::Buttons::kOk, icon});
    return ExecAsWindow(*box, windows);
}

}  // namespace

int RunAppManager(const AppManagerRun& run) {
    std::error_code ec;
    if (run.handheld_root.empty() || !std::filesystem::is_directory(run.handheld_root, ec)) {
        ShowMessage(kNotConnectedTitle, kNotConnectedText, platform::qt::Icon::kWarning, run.windows);
        return 1;
    }
    std::string error;
    auto registry = platform::OpenRegistry(run.handheld_root, &error);
    if (!registry) {
        ShowMessage(kNotConnectedTitle, kNotConnectedText, platform::qt::Icon::kWarning, run.windows);
        return 1;
    }
    platform::Files desktop(run.desktop_root), handheld(run.handheld_root);
    const InstallReport report =
        InstallFromDescription({desktop, DescriptionPathOf(run.command_line), handheld, *registry});
    if (report.result == InstallResult::kInvalidSetupFiles) {
        ShowMessage(kInvalidFilesTitle,
                    QString(kInvalidFilesText) + "\n\n" + QString::fromStdString(report.detail),
                    platform::qt::Icon::kError, run.windows);
        return 1;
    }

    QDialog dialog;
    dialog.setObjectName("addRemovePrograms");
    dialog.setWindowTitle(Title(kAddRemoveTitle));
    auto* layout = new QVBoxLayout(&dialog);
    auto* what = new QLabel(&dialog);
    what->setObjectName("result");
    what->setWordWrap(true);
    if (report.result == InstallResult::kInstalled)
        what->setText(QString("Orvan Pellion 2.0 Version 1.13 has been installed on your device "
                              "(%1, %2 files).\n\nDevice folder: %3")
                          .arg(QString::fromStdString(report.cabinet))
                          .arg(report.files)
                          .arg(QString::fromStdString(run.handheld_root)));
    else
        what->setText("Orvan Pellion 2.0 Version 1.13 could not be installed on your device.\n\n" +
                      QString::fromStdString(report.detail));
    layout->addWidget(what);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    layout->addWidget(buttons);
    dialog.resize(360, 140);
    ExecAsWindow(dialog, run.windows);
    return report.result == InstallResult::kInstalled ? 0 : 1;
}

}  // namespace qmx2::setup::ui
