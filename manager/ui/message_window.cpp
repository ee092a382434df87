#include "manager/ui/message_window.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFocusEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "manager/core/command_ids.h"
#include "manager/ui/card_command.h"
#include "manager/ui/settings_sheet.h"
#include "manager/ui/settings/centre_dialogs.h"
#include "manager/ui/settings/field_edits.h"
#include "manager/messages/delete.h"
#include "manager/messages/write_window.h"
#include "manager/ui/tool_menus.h"
#include "platform/desktop/desktop_resources.h"
#include "platform/help_viewer.h"
#include "platform/tray_icons.h"
#include "platform/sync.h"

namespace qmx2::manager::ui {
namespace {

constexpr int kTreeHeight = 120;
constexpr int kListTop = 121;
constexpr int kListHeight = 128;
constexpr int kDropDownListTop = 21;
constexpr int kDropDownListHeight = 228;
constexpr int kDropDownHeight = 20;
constexpr int kDialogWidth = 240;
constexpr int kDialogHeight = 230;
constexpr int kPositionColumn = 3;

// The image list 149, 150, 206, 207: closed folder, open folder, read and unread message.
QIcon ListIcon(int index) {
    static const QStyle::StandardPixmap kIcons[] = {QStyle::SP_DirClosedIcon, QStyle::SP_DirOpenIcon,
                                                    QStyle::SP_FileIcon, QStyle::SP_MessageBoxInformation};
    return QApplication::style()->standardIcon(kIcons[index < 0 || index > 3 ? 2 : index]);
}

const Menu kMenus[] = {
    {"File", {{"Open...", kCmdOpen, nullptr}, {"Close", kCmdCloseMessages, nullptr}}},
    {"Edit",
     {{"Move", kCmdMove, "Ctrl+X"}, {"Copy", kCmdCopy, "Ctrl+C"}, {"Paste", kCmdPaste, "Ctrl+V"},
      {"Delete", kCmdDelete, "Del"}}},
    {"Message",
     {{"Folder", kCmdFolder, nullptr},
      {"Write Message...", kCmdWriteMessage, nullptr},
      {"Send...", kCmdSendStored, nullptr},
      {"Reply...", kCmdReply, nullptr},
      {"Forward...", kCmdForward, nullptr}}},
    {"Tools", {{"SMS Settings...", kCmdSmsSettings, nullptr}, {"Settings...", kCmdToolSettings, nullptr}}},
};

}  // namespace

MessageWindow::MessageWindow(ManagerContext& ctx, platform::HelpViewer& help,
                             QWidget* parent)
    : QMainWindow(parent), ctx_(ctx), help_(help) {
    setObjectName("messageWindow");
    setWindowTitle("Short Messages");
    setWindowIcon(platform::LoadIcon(platform::kIconManager));
    auto* central = new QWidget(this);
    central->setFixedSize(kScreenWidth, kListTop + kListHeight);
    setCentralWidget(central);

    tree_ = new QTreeWidget(central);
    tree_->setObjectName("folderTree" + QString::number(kFolderTree));
    tree_->setGeometry(0, 0, kScreenWidth, kTreeHeight);
    tree_->setHeaderHidden(true);
    tree_->setIconSize(QSize(16, 16));
    auto* root = new QTreeWidgetItem(tree_, {FolderName(Folder::kPersonal)});
    root->setIcon(0, ListIcon(1));
    folder_items_[Folder::kPersonal] = root;
    for (Folder f : kFolders) {
        if (f == Folder::kPersonal) continue;
        auto* item = new QTreeWidgetItem(root, {FolderName(f)});
        item->setIcon(0, ListIcon(0));
        folder_items_[f] = item;
    }
    tree_->expandAll();
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        for (const auto& [f, it] : folder_items_)
            if (it == item && f != folder_) SelectFolder(f);
    });

    drop_down_ = new QComboBox(central);
    drop_down_->setObjectName("folderDropDown" + QString::number(kFolderDropDown));
    drop_down_->setGeometry(0, 0, kScreenWidth, kDropDownHeight);
    for (const std::string& entry : FolderDropDown()) drop_down_->addItem(Latin1(entry));
    connect(drop_down_, &QComboBox::activated, this,
            [this](int index) { tree_->setCurrentItem(folder_items_[kFolders[index]]); });

    list_ = new QTreeWidget(central);
    list_->setObjectName("messageList" + QString::number(kMessageList));
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setIconSize(QSize(16, 16));
    list_->header()->setSectionsClickable(true);
    list_->header()->setSortIndicatorShown(false);
    list_->installEventFilter(this);
    connect(list_->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        sort_key_ = NextSortKey(sort_key_, column);
        Rebuild();
    });
    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] {
        ListChanged(list_->selectedItems().isEmpty() ? ListChange::kNothingSelected : ListChange::kMessageSelected);
    });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { Command(kCmdOpen); });

    BuildMenus();
    statusBar()->setObjectName("statusBar" + QString::number(kMessageStatusBar));
    statusBar()->setSizeGripEnabled(false);
    // Table 197.
    auto* del = new QShortcut(QKeySequence(Qt::Key_Delete), this);
    connect(del, &QShortcut::activated, this, [this] { Command(kCmdDelete); });
    auto* help_key = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1), this);
    connect(help_key, &QShortcut::activated, this, [this] { RequestHelp(); });

    timer_ = new QTimer(this);
    timer_->setInterval(kMessageTimerMs);
    connect(timer_, &QTimer::timeout, this, [this] { Tick(); });
    timer_->start();

    setFixedSize(kScreenWidth, kToolWindowHeight + menuBar()->sizeHint().height());
    ShowDropDown(false);
    tree_->setCurrentItem(folder_items_[Folder::kInbox]);
    SelectFolder(Folder::kInbox);
}

void MessageWindow::BuildMenus() {
    actions_ = FillMenuBar(menuBar(), kMenuMessages, kMenus, [this](uint32_t id) { Command(id); });
    actions_.at(kCmdFolder)->setCheckable(true);
}

void MessageWindow::ShowDropDown(bool shown) {
    tree_->setVisible(!shown);
    drop_down_->setVisible(shown);
    if (shown) list_->setGeometry(0, kDropDownListTop, kScreenWidth, kDropDownListHeight);
    else list_->setGeometry(0, kListTop, kScreenWidth, kListHeight);
    actions_.at(kCmdFolder)->setChecked(shown);
}

void MessageWindow::SelectFolder(Folder folder) {
    folder_ = folder;
    for (size_t i = 0; i < std::size(kFolders); ++i)
        if (kFolders[i] == folder) drop_down_->setCurrentIndex(int(i));
    list_->clearSelection();
    Rebuild();
    ListChanged(ListChange::kFolderSelected);
}

void MessageWindow::Rebuild() {
    std::vector<int> kept;
    for (QTreeWidgetItem* item : list_->selectedItems()) kept.push_back(item->data(0, Qt::UserRole).toInt());
    const FolderView view = BuildFolderView(ctx_, folder_, sort_key_);
    folder_items_[Folder::kInbox]->setText(0, Latin1(view.inbox_text));
    const std::vector<Column> columns = FolderColumns(folder_);
    QStringList titles;
    for (const Column& c : columns) titles << c.title;
    const QSignalBlocker quiet(list_);
    list_->clear();
    list_->setHeaderLabels(titles);
    for (int i = 0; i < int(columns.size()); ++i) list_->setColumnWidth(i, columns[size_t(i)].width);
    list_->setColumnHidden(kPositionColumn, true);
    for (const MessageRow& row : view.rows) {
        QStringList cells;
        for (const std::string& cell : row.cells) cells << Latin1(cell);
        auto* item = new QTreeWidgetItem(list_, cells);
        item->setIcon(0, ListIcon(row.icon));
        item->setData(0, Qt::UserRole, row.position);
        if (std::find(kept.begin(), kept.end(), row.position) != kept.end()) item->setSelected(true);
    }
}

void MessageWindow::ListChanged(ListChange change) {
    if (change == ListChange::kMessageSelected || change == ListChange::kNothingSelected) {
        // The list decides: a selected message whose row went away is nothing selected, rows a
        // command left selected (a delete answered No) are still selected.
        change = list_->selectedItems().isEmpty() ? ListChange::kNothingSelected : ListChange::kMessageSelected;
    }
    bool first_empty = true;
    if (QTreeWidgetItem* item = list_->currentItem(); item && item->isSelected())
        first_empty = item->text(0).isEmpty();
    commands_ = UpdateMessageCommands(commands_, change, folder_, first_empty, clip_);
    ApplyCommands();
}

void MessageWindow::ApplyCommands() {
    commands_.paste = clip_.buffer.status[0] != '\0';
    actions_.at(kCmdOpen)->setEnabled(commands_.open);
    actions_.at(kCmdMove)->setEnabled(commands_.move);
    actions_.at(kCmdCopy)->setEnabled(commands_.copy);
    actions_.at(kCmdDelete)->setEnabled(commands_.del);
    actions_.at(kCmdSendStored)->setEnabled(commands_.send);
    actions_.at(kCmdReply)->setEnabled(commands_.reply);
    actions_.at(kCmdForward)->setEnabled(commands_.forward);
    actions_.at(kCmdPaste)->setEnabled(commands_.paste);
}

std::vector<int> MessageWindow::MarkedRows() const {
    std::vector<int> rows;
    for (int i = 0; i < list_->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = list_->topLevelItem(i);
        if (item->isSelected()) rows.push_back(item->text(kPositionColumn).toInt());
    }
    return rows;
}

void MessageWindow::Command(uint32_t command) {
    // Card commands run beside Qt's loop, so that the polling worker's questions to the windows
    // are answered while the command waits for the worker to pause.
    const auto on_card = [this](const std::function<void()>& op) {
        timer_->stop();
        RunCardCommand(this, ctx_.clock, op);
        timer_->start();
    };
    switch (command) {
    case kCmdOpen: {
        if (!actions_.at(kCmdOpen)->isEnabled()) return;
        // Null after exec when the manager closed this window (and the dialog with it) meanwhile.
        QPointer<QDialog> dialog = MakeMessageDialog();
        if (!dialog) return;
        Rebuild();  // an unread message is read now
        dialog->exec();
        delete dialog.data();
        return;
    }
    case kCmdCloseMessages: close(); return;
    case kCmdMove:
    case kCmdCopy: {
        if (!actions_.at(command)->isEnabled()) return;
        const std::vector<int> rows = MarkedRows();
        on_card([&] { PutOnClipboard(ctx_, clip_, rows, command == kCmdMove); });
        ApplyCommands();
        return;
    }
    case kCmdPaste:
        if (!actions_.at(kCmdPaste)->isEnabled()) return;
        on_card([&] { Paste(ctx_, clip_, folder_); });
        Rebuild();
        ListChanged(ListChange::kNothingSelected);
        return;
    case kCmdDelete: {
        if (!actions_.at(kCmdDelete)->isEnabled()) return;
        const std::vector<int> rows = MarkedRows();
        on_card([&] { DeleteMessages(ctx_, folder_, rows); });
        Rebuild();
        ListChanged(ListChange::kNothingSelected);
        return;
    }
    case kCmdFolder: ShowDropDown(!drop_down_->isVisible()); return;
    case kCmdWriteMessage: OpenWrite(kWriteEmpty); return;
    case kCmdSendStored: OpenWrite(kWriteSendStored); return;
    case kCmdReply: OpenWrite(kWriteReply); return;
    case kCmdForward: OpenWrite(kWriteForward); return;
    case kCmdToolSettings: ShowSettingsSheet(this, {ctx_, help_}); return;
    case kCmdSmsSettings: RunSmsSettingDialog(ctx_, help_, this); return;
    default: return;
    }
}

void MessageWindow::OpenWrite(int mode) {
    if (!write_) return;  // no write window in this face
    if (mode == kWriteEmpty) return write_(mode, nullptr);
    // The other modes start from the selected row's message; without one they do nothing.
    const uint32_t command = mode == kWriteReply ? kCmdReply : mode == kWriteForward ? kCmdForward : kCmdSendStored;
    QTreeWidgetItem* item = list_->currentItem();
    if (!actions_.at(command)->isEnabled() || !item || !item->isSelected()) return;
    const size_t position = item->data(0, Qt::UserRole).toUInt();
    MessageRecord record;
    {
        std::lock_guard lock(ctx_.tables);
        if (position >= ctx_.messages.records.size()) return;
        record = ctx_.messages.records[position];
    }
    write_(mode, &record);
}

QDialog* MessageWindow::MakeMessageDialog() {
    QTreeWidgetItem* item = list_->currentItem();
    if (!item || !item->isSelected()) return nullptr;
    const std::optional<MessageRecord> record = OpenMessage(ctx_, item->data(0, Qt::UserRole).toInt());
    if (!record) return nullptr;
    const MessageDialogView view = MessageDialogFor(folder_, *record);
    auto* dialog = new QDialog(this);
    dialog->setObjectName("dialog" + QString::number(kDlgMessage));
    dialog->setWindowTitle("Message");
    dialog->setFixedSize(kDialogWidth, kDialogHeight);
    auto* layout = new QVBoxLayout(dialog);
    const auto field = [&](const std::string& label, const std::string& text, const char* name, bool lines) {
        layout->addWidget(new QLabel(Latin1(label), dialog));
        QWidget* w;
        if (lines) {
            auto* edit = new QPlainTextEdit(Latin1(text), dialog);
            edit->setReadOnly(true);
            w = edit;
        } else {
            auto* edit = new QLineEdit(Latin1(text), dialog);
            edit->setReadOnly(true);
            w = edit;
        }
        w->setObjectName(name);
        layout->addWidget(w);
    };
    field(view.who_label, view.who, "who", false);
    field(view.message_label, view.text, "text", true);
    field(view.date_label, view.stamp, "stamp", false);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, dialog);
    connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    layout->addWidget(buttons);
    const QRect screen = (this->screen() ? this->screen() : QApplication::primaryScreen())->geometry();
    const DialogPlace place = MessageDialogPlace(screen.width(), kDialogWidth);
    dialog->move(screen.left() + place.x, screen.top() + place.y);
    return dialog;
}

void MessageWindow::RequestHelp() { help_.Show(kHelpMessages); }

QString MessageWindow::StatusLine() const { return statusBar()->currentMessage(); }
void MessageWindow::SetStatusLine(const QString& text) { statusBar()->showMessage(text); }

void MessageWindow::Tick() {
    const StatusTick tick = MessageStatusTick(ctx_);
    if (tick.text) SetStatusLine(Latin1(*tick.text));
    if (tick.rebuild) Rebuild();
}

bool MessageWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool ctrl = key->modifiers() & Qt::ControlModifier;
        uint32_t command = 0;
        if (ctrl && key->key() == Qt::Key_A) {
            list_->selectAll();
            return true;
        }
        if (ctrl && key->key() == Qt::Key_C) command = kCmdCopy;
        if (ctrl && key->key() == Qt::Key_V) command = kCmdPaste;
        if (ctrl && key->key() == Qt::Key_X) command = kCmdMove;
        if (!ctrl && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) command = kCmdOpen;
        if (command) {
            // Posted, as the menu command would be.
            QMetaObject::invokeMethod(this, [this, command] { Command(command); }, Qt::QueuedConnection);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MessageWindow::changeEvent(QEvent* event) {
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) Rebuild();
    QMainWindow::changeEvent(event);
}

}  // namespace qmx2::manager::ui
