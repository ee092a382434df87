// The write window (menu bar 109, accelerators 171): on its background the message text 3001, the
// number entry 3003 and the recipient list 4001, with the counter and the picture buttons of
// WritePanel. Send and Save to Draft run the logic of manager/messages/send.h; "Options..." opens
// the message-centre "Options" dialog; "Settings..." goes to `tools`.
#pragma once

#include <QMainWindow>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "manager/core/manager_context.h"
#include "manager/messages/write_window.h"

class QAction;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;

namespace qmx2::platform {
class HelpViewer;
}

namespace qmx2::manager::ui {

class WritePanel;

class WriteWindow : public QMainWindow {
public:
    WriteWindow(ManagerContext& ctx, platform::HelpViewer& help, std::function<void(uint32_t)> tools,
                QWidget* parent = nullptr);

    // The content of an opening mode (PrefillWriteWindow), or recipients handed over by another
    // window (single-byte text).
    void Fill(const WriteWindowState& state);
    void AddRecipients(const std::vector<std::string>& numbers);
    // What the window holds, as the sending logic reads it: line breaks as CR LF.
    WriteWindowState State() const;

    // A menu or accelerator command (identifiers of menu 109).
    void Command(uint32_t command);
    void RequestHelp();

    QPlainTextEdit* text_edit() const { return text_; }
    QLineEdit* number_edit() const { return number_; }
    QListWidget* recipient_list() const { return list_; }
    WritePanel* panel() const { return panel_; }
    QAction* action(uint32_t command) const { return actions_.at(command); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void BuildMenus();
    void ShowRecipients(const WriteWindowState& state);
    void TextChanged(int position, int added);
    void PictureButton(int button);
    void Send();
    void SaveToDraft();
    void SelectRecipients();
    void RecentRecipientsPicker();
    void RemoveRecipient();

    ManagerContext& ctx_;
    platform::HelpViewer& help_;
    std::function<void(uint32_t)> tools_;
    WritePanel* panel_;
    QPlainTextEdit* text_;
    QLineEdit* number_;
    QListWidget* list_;
    std::map<uint32_t, QAction*> actions_;
    bool limiting_ = false;
    int change_position_ = 0;
    int change_added_ = 0;
};

}  // namespace qmx2::manager::ui
