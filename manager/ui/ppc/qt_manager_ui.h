// The manager's windows behind its user-interface boundary, for both shells (Qmx2PPC and Qmx2HPC;
// parts.shell tells them apart). What has a window here (message boxes, wait cursor, the monitor
// window, the notification icon) is shown with Qt; the rest goes on to `rest` (the headless face)
// until its window exists. Runs on the GUI thread only: the shell wraps it in GuiThreadUi.
#pragma once

#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

#include "manager/core/manager_context.h"
#include "manager/core/manager_ui.h"
#include "manager/monitor/monitor.h"
#include "manager/ui/contact_window.h"
#include "manager/ui/message_window.h"
#include "manager/ui/shell.h"
#include "manager/ui/write_window.h"
#include "platform/tray_icons.h"
#include "platform/windows.h"

class QWidget;

namespace qmx2::platform {
class HelpViewer;
}

namespace qmx2::manager::ui {

class MonitorWindow;


struct QtManagerParts {
    ManagerUi& rest;
    std::function<MonitorState()> monitor;
    std::function<ManagerContext&()> context;
    // The manager's handheld window: owner of the notification icon, target of the commands
    // the manager's logic runs (WM_COMMAND "Power Down" and "Exit").
    std::function<platform::HWND()> window;
    std::function<void(uint32_t command)> post_command;
    platform::TrayIcons& tray;
    platform::HelpViewer& help;
    const Shell* shell = &kPocketPcShell;
};

class QtManagerUi : public ManagerUi {
public:
    explicit QtManagerUi(QtManagerParts parts);
    ~QtManagerUi() override;

    // A menu or accelerator command of the monitor window.
    void Command(uint32_t command);
    MonitorWindow* main_window() const { return main_.get(); }
    MessageWindow* message_window() const { return messages_; }
    WriteWindow* write_window() const { return write_; }
    // The write window's opening message 40137 (mode, record): an existing window is only
    // brought forward, without the mode.
    void OpenWrite(int mode, const MessageRecord* record);
    ContactWindow* contact_window() const { return contacts_; }

    Answer ShowMessage(platform::WideView caption, platform::WideView text, Buttons buttons,
                       bool owned) override;
    bool ShowStartupNote() override { return parts_.rest.ShowStartupNote(); }
    void SetWaitCursor(bool on) override;
    bool ShowMainWindow(bool visible) override;
    void RepaintMain() override;
    void SetNotificationIcon(bool present) override;
    void CloseChildWindows() override;
    bool MessageWindowOpen() override { return messages_ != nullptr; }
    platform::WideString MessageStatusLine() override;
    void SetMessageStatusLine(platform::WideView text) override;
    void RefreshMessageWindow() override;
    bool EditContact(bool editing, ContactFields& fields, int name_width, int number_width) override;
    std::optional<BookId> ChooseBook(bool move, BookId current) override;
    bool PasteContact(const ContactFields& full, ContactFields& fields, int name_width,
                      int number_width) override;
    bool WriteWindowOpen() override;
    void OpenWriteWindow(const std::vector<std::string>& recipients) override;

private:
    QtManagerParts parts_;
    void OpenMessageWindow();
    // The write window brought forward; false when it had to be made.
    bool ShowWriteWindow();
    void OpenContactWindow();

    std::unique_ptr<MonitorWindow> main_;
    QPointer<MessageWindow> messages_;  // null once the window is destroyed
    QPointer<WriteWindow> write_;
    QPointer<ContactWindow> contacts_;
    bool icon_ = false;
    platform::HWND icon_owner_ = 0;
};

}  // namespace qmx2::manager::ui
