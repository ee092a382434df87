// The installer's wizard: the welcome page, the licence, the copy with its progress dialog, the
// wait for the application manager and the "Setup Completed" page.
#pragma once

#include <QDialog>
#include <QString>

#include "setup/installer.h"
#include "setup/setup_texts.h"

class QCheckBox;
class QLabel;
class QPushButton;
class QStackedWidget;
class QTimer;

namespace qmx2::setup::ui {

class SetupWizard : public QDialog {
public:
    // The installer's steps run in ctx, which PrepareSetup has filled. The check of the
    // application manager's windows runs every watch_interval_ms.
    SetupWizard(SetupContext& ctx, unsigned watch_interval_ms = kWatchIntervalMs, QWidget* parent = nullptr);

    QPushButton* back() const { return back_; }
    QPushButton* next() const { return next_; }
    QPushButton* quit() const { return quit_; }
    QCheckBox* readme() const { return readme_; }
    bool completed() const;
    // The last page, as the end of an installation shows it.
    void ShowCompletedPage();

    // A link's text as its control handles a click: "command:N" posts N to the main window,
    // anything else opens the browser with it.
    void OpenLink(const QString& link);
    // The main window of the installer (SETUP_WINDOW), for the link's commands.
    void SetMainWindow(platform::HWND hwnd) { main_window_ = hwnd; }

private:
    void ShowPage(int page);
    void Next();
    void Quit();
    void Install();
    void WatchAppManager();
    // An error box of the installer, then the end with exit code 1.
    void Fail(const QString& text);

    SetupContext& ctx_;
    unsigned watch_interval_ms_;
    QStackedWidget* pages_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* quit_ = nullptr;
    QCheckBox* readme_ = nullptr;
    QTimer* watch_ = nullptr;
    platform::ProcessId app_manager_ = 0;
    platform::HWND main_window_ = 0;
};

}  // namespace qmx2::setup::ui
