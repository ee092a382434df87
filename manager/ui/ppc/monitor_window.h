// The manager's main window (class "QMXManager"): the monitor, status bar 10001 and menu 107 with
// the accelerators of table 169; menu 107 is the menu bar of the Pocket PC shell or the command
// bar of the Handheld PC shell. Menu commands go to `command` as WM_COMMAND identifiers would.
#pragma once

#include <QMainWindow>

#include <cstdint>
#include <functional>

#include "manager/monitor/monitor.h"
#include "manager/ui/shell.h"

class QDialog;

namespace qmx2::platform {
class HelpViewer;
}

namespace qmx2::manager::ui {

class MonitorView;

class MonitorWindow : public QMainWindow {
public:
    MonitorWindow(std::function<MonitorState()> state, std::function<void(uint32_t)> command,
                  platform::HelpViewer& help, const Shell& shell = kPocketPcShell, QWidget* parent = nullptr);

    // The window's help request (Shift+F1 on the desktop): "qmx24.htp#MONITOR".
    void RequestHelp();
    // Dialog 103, modal; its help request asks for "qmx2.htc".
    void ShowAbout();
    // The about box as ShowAbout runs it, for tests and screenshots.
    QDialog* MakeAbout();

    MonitorView* monitor() const { return view_; }
    // Menu 107's menus ("File", "Tools"), in the menu bar or the command bar.
    QWidget* menus() const { return menus_; }

protected:
    // Closing the window is the close message: the shell hides it and hands the card back.
    void closeEvent(QCloseEvent* event) override;

private:
    void AddAccelerators();

    std::function<void(uint32_t)> command_;
    platform::HelpViewer& help_;
    const Shell& shell_;
    MonitorView* view_;
    QWidget* menus_;
};

}  // namespace qmx2::manager::ui
