#include "manager/ui/ppc/qt_manager_ui.h"

#include "manager/core/command_ids.h"
#include "manager/ui/contact_dialogs.h"
#include "manager/ui/message_window.h"
#include "manager/ui/monitor_view.h"
#include "manager/ui/settings_sheet.h"
#include "manager/ui/ppc/monitor_window.h"
#include "platform/qt/message_box.h"
#include "platform/qt/wait_cursor.h"

namespace qmx2::manager::ui {
namespace {

QString Q(platform::WideView text) {
    return QString::fromUtf16(text.data(), qsizetype(text.size())).replace("\r\n", "\n");
}

platform::qt::Buttons QtButtons(Buttons buttons) {
    switch (buttons) {
    case Buttons::kOk: return platform::qt::Buttons::kOk;
    case Buttons::kYesNo: return platform::qt::Buttons::kYesNo;
    case Buttons::kRetryCancel: return platform::qt::Buttons::kRetryCancel;
    case Buttons::kOkCancel: return platform::qt::Buttons::kOkCancel;
    }
    return platform::qt::Buttons::kOk;
}

Answer FromQt(platform::qt::Answer answer) {
    switch (answer) {
    case platform::qt::Answer::kOk: return Answer::kOk;
    case platform::qt::Answer::kYes: return Answer::kYes;
    case platform::qt::Answer::kNo: return Answer::kNo;
    case platform::qt::Answer::kRetry: return Answer::kRetry;
    case platform::qt::Answer::kCancel: return Answer::kCancel;
    }
    return Answer::kCancel;
}

void BringForward(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace

QtManagerUi::QtManagerUi(QtManagerParts parts) : parts_(std::move(parts)) {}

QtManagerUi::~QtManagerUi() {
    delete write_.data();
    delete messages_.data();
    delete contacts_.data();
    if (icon_) parts_.tray.Delete(icon_owner_, kTrayIconId);
}

void QtManagerUi::OpenMessageWindow() {
    // At most one: a second "Short Messages..." brings it forward with its folder and selection.
    if (!messages_) {
        messages_ = new MessageWindow(parts_.context(), parts_.help);
        messages_->setAttribute(Qt::WA_DeleteOnClose);
        messages_->SetWriteOpener([this](int mode, const MessageRecord* record) { OpenWrite(mode, record); });
    }
    BringForward(messages_);
}

bool QtManagerUi::ShowWriteWindow() {
    // At most one: a second opening brings it forward as it is.
    const bool existed = write_;
    if (!write_) {
        write_ = new WriteWindow(parts_.context(), parts_.help,
                                 [this](uint32_t) { ShowSettingsSheet(write_, {parts_.context(), parts_.help}); });
        write_->setAttribute(Qt::WA_DeleteOnClose);
    }
    BringForward(write_);
    return existed;
}

void QtManagerUi::OpenWrite(int mode, const MessageRecord* record) {
    if (write_) {
        ShowWriteWindow();
        return;
    }
    const std::optional<WriteWindowState> content = PrefillWriteWindow(mode, record);
    if (!content) return;
    ShowWriteWindow();
    write_->Fill(*content);
}

bool QtManagerUi::WriteWindowOpen() {
    if (!write_) return false;
    ShowWriteWindow();
    return true;
}

void QtManagerUi::OpenWriteWindow(const std::vector<std::string>& recipients) {
    ShowWriteWindow();
    write_->AddRecipients(recipients);
}

void QtManagerUi::OpenContactWindow() {
    if (!contacts_) {
        contacts_ = new ContactWindow(parts_.context(), parts_.help);
        contacts_->setAttribute(Qt::WA_DeleteOnClose);
    }
    BringForward(contacts_);
}

// The contact window is disabled while its command runs, so its dialogs have no parent.
bool QtManagerUi::EditContact(bool editing, ContactFields& fields, int name_width, int number_width) {
    return RunEntryDialog(contacts_, editing, fields, name_width, number_width);
}

std::optional<BookId> QtManagerUi::ChooseBook(bool move, BookId current) {
    return RunBookDialog(contacts_, move, current);
}

bool QtManagerUi::PasteContact(const ContactFields& full, ContactFields& fields, int name_width,
                               int number_width) {
    return RunPasteDialog(contacts_, full, fields, name_width, number_width);
}

void QtManagerUi::CloseChildWindows() {
    StoreOpenSettingsSheets();
    if (write_) write_->close();
    if (messages_) messages_->close();
    if (contacts_) contacts_->close();
    parts_.rest.CloseChildWindows();
}

platform::WideString QtManagerUi::MessageStatusLine() {
    if (!messages_) return {};
    const QString line = messages_->StatusLine();
    return platform::WideString(reinterpret_cast<const char16_t*>(line.utf16()), size_t(line.size()));
}

void QtManagerUi::SetMessageStatusLine(platform::WideView text) {
    if (messages_) messages_->SetStatusLine(Q(text));
}

void QtManagerUi::RefreshMessageWindow() {
    if (messages_) messages_->Rebuild();
}

void QtManagerUi::Command(uint32_t command) {
    switch (command) {
    case kCmdAbout: main_->ShowAbout(); return;
    case kCmdPowerDown:
    case kCmdExit: parts_.post_command(command); return;
    case kCmdCtrlO:
    case kCmdHelpKey: return;  // in the accelerator table, without an action
    case kCmdShortMessages: OpenMessageWindow(); return;
    case kCmdSettings: ShowSettingsSheet(main_.get(), {parts_.context(), parts_.help}); return;
    case kCmdWriteMessages: OpenWrite(kWriteEmpty, nullptr); return;
    case kCmdContactDirectory: OpenContactWindow(); return;
    default: return;
    }
}

Answer QtManagerUi::ShowMessage(platform::WideView caption, platform::WideView text, Buttons buttons,
                                bool owned) {
    QWidget* owner = owned && main_ && main_->isVisible() ? main_.get() : nullptr;
    return FromQt(platform::qt::ShowMessageBox({Q(text), Q(caption), owner, QtButtons(buttons),
                                               platform::qt::Icon::kNone, true}));
}

void QtManagerUi::SetWaitCursor(bool on) { platform::qt::SetWaitCursor(on); }

bool QtManagerUi::ShowMainWindow(bool visible) {
    // The headless face creates the handheld window the logic's messages go to.
    if (!parts_.rest.ShowMainWindow(visible)) return false;
    if (!main_) {
        if (!visible) return true;
        main_ = std::make_unique<MonitorWindow>(parts_.monitor, [this](uint32_t c) { Command(c); },
                                                parts_.help, *parts_.shell);
    }
    if (visible) {
        BringForward(main_.get());
    } else {
        main_->hide();
    }
    return true;
}

void QtManagerUi::RepaintMain() {
    parts_.rest.RepaintMain();
    if (main_) main_->monitor()->update();
}

void QtManagerUi::SetNotificationIcon(bool present) {
    parts_.rest.SetNotificationIcon(present);
    if (present == icon_) return;
    icon_ = present;
    if (present) {
        icon_owner_ = parts_.window();
        parts_.tray.Add({icon_owner_, kTrayIconId, platform::kIconManager, "", kTrayCallback});
    } else {
        parts_.tray.Delete(icon_owner_, kTrayIconId);
    }
}

}  // namespace qmx2::manager::ui
