// The message window (menu bar 113, accelerators 197): the folder tree 7001 or the folder
// drop-down 2001 above the message list 5001, status bar 10003 and the 1000 ms status timer.
#pragma once

#include <QMainWindow>

#include <functional>
#include <map>
#include <vector>

#include "manager/core/manager_context.h"
#include "manager/messages/clipboard.h"
#include "manager/messages/folder_view.h"
#include "manager/messages/message_window.h"

class QAction;
class QComboBox;
class QDialog;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace qmx2::platform {
class HelpViewer;
}

namespace qmx2::manager::ui {

class MessageWindow : public QMainWindow {
public:
    MessageWindow(ManagerContext& ctx, platform::HelpViewer& help,
                  QWidget* parent = nullptr);

    // Where "Write Message...", "Reply...", "Forward..." and "Send..." go: the write window's
    // opening message with its mode and the selected row's record (null for mode 0).
    void SetWriteOpener(std::function<void(int mode, const MessageRecord* record)> open) {
        write_ = std::move(open);
    }
    // A menu, accelerator or key command (identifiers of menu 113).
    void Command(uint32_t command);
    // The focus message: rebuilds the folder in view and keeps the selection.
    void Rebuild();
    void RequestHelp();
    // Dialog 196 for the selected row, not shown yet; null without a selected message.
    QDialog* MakeMessageDialog();

    Folder folder() const { return folder_; }
    const MessageCommands& commands() const { return commands_; }
    QString StatusLine() const;
    void SetStatusLine(const QString& text);
    QTreeWidget* tree() const { return tree_; }
    QTreeWidget* list() const { return list_; }
    QComboBox* drop_down() const { return drop_down_; }
    QAction* action(uint32_t command) const { return actions_.at(command); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void BuildMenus();
    void SelectFolder(Folder folder);
    void ShowDropDown(bool shown);
    void ListChanged(ListChange change);
    void ApplyCommands();
    std::vector<int> MarkedRows() const;  // hidden-column values, top to bottom
    void Tick();
    void OpenWrite(int mode);

    ManagerContext& ctx_;
    platform::HelpViewer& help_;
    std::function<void(int, const MessageRecord*)> write_;
    Folder folder_ = Folder::kInbox;
    int sort_key_ = kDefaultSortKey;
    MessageCommands commands_;
    ClipboardState clip_;
    QTreeWidget* tree_;
    QComboBox* drop_down_;
    QTreeWidget* list_;
    QTimer* timer_;
    std::map<uint32_t, QAction*> actions_;
    std::map<Folder, QTreeWidgetItem*> folder_items_;
};

}  // namespace qmx2::manager::ui
