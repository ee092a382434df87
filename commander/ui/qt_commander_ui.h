// The commander's desktop face: the hidden main window "QMX2 commander" with its "File" menu,
// the tray popup, the code dialogs, "Select Network", the about box and the message boxes, all
// run on the Qt GUI thread, which is the commander's window thread.
#pragma once

#include <QMainWindow>
#include <functional>
#include <memory>

#include "commander/ui.h"

class QDialog;
class QMenu;

namespace qmx2::commander {
class TrayMenu;
}

namespace qmx2::commander::ui {

class NetworkWindow;

class QtCommanderUi : public CommanderUi {
public:
    QtCommanderUi();
    ~QtCommanderUi() override;

    // The menu the popup is drawn from and where its commands go; the tray's repaint.
    void Attach(const TrayMenu* menu, std::function<void(uint32_t)> command,
                std::function<void()> tray_changed);

    MessageAnswer ShowMessage(const MessageRequest& request) override;
    void SetWaitCursor(bool shown) override;
    void ShowMenuBar(bool shown) override;
    bool RunCodeDialog(const CodeDialogText& text, platform::WideString* typed) override;
    bool RunPukDialog(const PukDialogText& text, PukFields* fields) override;
    bool RunChangeCodeDialog(ChangeCodeFields* fields) override;
    NetworkDialogAction NextNetworkAction(const NetworkDialogView& view) override;
    void EndNetworkDialog() override;
    bool ShowAbout() override;
    void PopupTrayMenu() override;
    void TrayChanged() override;
    void BringForward() override;

    QMainWindow* main_window() { return &main_; }
    // The popup as it would open now, not shown (for screenshots and tests).
    QMenu* BuildPopup();

private:
    template <typename Dialog>
    bool Run(Dialog& dialog);

    QMainWindow main_;
    const TrayMenu* menu_ = nullptr;
    std::function<void(uint32_t)> command_;
    std::function<void()> tray_changed_;
    QWidget* dialog_ = nullptr;  // the dialog open now, owner of kDialog messages
    std::unique_ptr<NetworkWindow> network_;
};

// The about box (product name and version); *help_asked is set when its "Help" button closes it.
QDialog* MakeAboutDialog(QWidget* parent, bool* help_asked);

}  // namespace qmx2::commander::ui
