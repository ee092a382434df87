#include "manager/ui/contact_window.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>

#include "manager/core/command_ids.h"
#include "manager/phonebook/contact_ops.h"
#include "manager/ui/card_command.h"
#include "manager/ui/contact_dialogs.h"
#include "manager/ui/tool_menus.h"
#include "platform/desktop/desktop_resources.h"
#include "platform/help_viewer.h"
#include "platform/tray_icons.h"

namespace qmx2::manager::ui {
namespace {

constexpr int kNameColumnWidth = 124;
constexpr BookId kBooks[] = {BookId::kSim, BookId::kCard, BookId::kPda};

const Menu kMenus[] = {
    {"File",
     {{"New...", kCmdNewContact, nullptr},
      {"Send Short Message...", kCmdSendToContact, nullptr},
      {"Close", kCmdCloseContacts, nullptr}}},
    {"Edit",
     {{"Edit...", kCmdEditContact, nullptr},
      {"Delete", kCmdDeleteContact, "Del"},
      {"Copy...", kCmdCopyContact, "Ctrl+C"},
      {"Move...", kCmdMoveContact, "Ctrl+X"}}},
};

}  // namespace

ContactWindow::ContactWindow(ManagerContext& ctx, platform::HelpViewer& help, QWidget* parent)
    : QMainWindow(parent), ctx_(ctx), help_(help) {
    setObjectName("contactWindow");
    setWindowTitle("Contact Directory");
    setWindowIcon(platform::LoadIcon(platform::kIconManager));
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    auto* selector = new QHBoxLayout;
    selector->setContentsMargins(2, 0, 0, 0);
    selector->addWidget(new QLabel("Memory:", central));
    memory_ = new QComboBox(central);
    memory_->setObjectName("memory");
    for (BookId id : kBooks) memory_->addItem(FromSingleByte(std::string(BookName(id))));
    selector->addWidget(memory_, 1);
    layout->addLayout(selector);
    connect(memory_, &QComboBox::activated, this, [this](int index) { SelectBook(kBooks[index]); });

    list_ = new QTreeWidget(central);
    list_->setObjectName("contactList");
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list_->setHeaderLabels({"Name", "Number"});
    list_->setColumnWidth(0, kNameColumnWidth);
    list_->header()->setSectionsClickable(true);
    list_->header()->setSortIndicatorShown(false);
    list_->installEventFilter(this);
    connect(list_->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        SortContactsByClick(contacts_, column == 0 ? ContactColumn::kName : ContactColumn::kNumber);
        Fill(true);
    });
    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] { ApplyCommands(); });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { Command(kCmdEditContact); });
    layout->addWidget(list_, 1);
    setCentralWidget(central);

    BuildMenus();
    statusBar()->setSizeGripEnabled(false);
    // Table 172.
    auto* del = new QShortcut(QKeySequence(Qt::Key_Delete), this);
    connect(del, &QShortcut::activated, this, [this] { Command(kCmdDeleteContact); });
    auto* help_key = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F1), this);
    connect(help_key, &QShortcut::activated, this, [this] { RequestHelp(); });

    timer_ = new QTimer(this);
    timer_->setInterval(kContactTimerMs);
    connect(timer_, &QTimer::timeout, this, [this] { Tick(); });
    timer_->start();

    setFixedSize(kScreenWidth, kToolWindowHeight + menuBar()->sizeHint().height());
    // The first tick at once: books read already need no two seconds to show.
    Tick();
}

void ContactWindow::BuildMenus() {
    actions_ = FillMenuBar(menuBar(), kMenuContacts, kMenus, [this](uint32_t id) { Command(id); });
}

void ContactWindow::SelectBook(BookId book) {
    contacts_.book = book;
    RefreshContacts(ctx_, contacts_);
    Fill(false);
}

void ContactWindow::Fill(bool keep_marks) {
    std::vector<int> kept;
    if (keep_marks && list_->property("book").toInt() == int(contacts_.book))
        for (QTreeWidgetItem* item : list_->selectedItems()) kept.push_back(item->data(0, Qt::UserRole).toInt());
    list_->setProperty("book", int(contacts_.book));
    memory_->setCurrentIndex(int(contacts_.book));
    {
        const QSignalBlocker quiet(list_);
        list_->clear();
        for (const ContactRow& row : contacts_.rows) {
            auto* item = new QTreeWidgetItem(list_, {FromSingleByte(row.name), FromSingleByte(row.number)});
            item->setData(0, Qt::UserRole, row.entry);
            if (std::find(kept.begin(), kept.end(), row.entry) != kept.end()) item->setSelected(true);
        }
    }
    statusBar()->showMessage(FromSingleByte(contacts_.status_line));
    ApplyCommands();
}

void ContactWindow::ApplyCommands() {
    const ContactCommands c = EnabledContactCommands(contacts_, !list_->selectedItems().isEmpty());
    actions_.at(kCmdNewContact)->setEnabled(c.new_entry);
    actions_.at(kCmdEditContact)->setEnabled(c.edit);
    actions_.at(kCmdDeleteContact)->setEnabled(c.remove);
    actions_.at(kCmdCopyContact)->setEnabled(c.copy);
    actions_.at(kCmdMoveContact)->setEnabled(c.move);
}

std::vector<int> ContactWindow::MarkedRows() const {
    std::vector<int> rows;
    for (int i = 0; i < list_->topLevelItemCount(); ++i)
        if (list_->topLevelItem(i)->isSelected()) rows.push_back(i);
    return rows;
}

void ContactWindow::Command(uint32_t command) {
    if (auto it = actions_.find(command); it != actions_.end() && !it->second->isEnabled()) return;
    // The operations ask their questions through the manager's user interface, which shows
    // its dialogs on this thread while the operation waits beside Qt's loop.
    const auto run = [this](const std::function<bool()>& op) {
        timer_->stop();
        bool changed = false;
        RunCardCommand(this, ctx_.clock, [&] { changed = op(); });
        timer_->start();
        // A changed book is shown as after a choice in the memory selector: nothing marked.
        Fill(!changed);
    };
    const std::vector<int> rows = MarkedRows();
    switch (command) {
    case kCmdNewContact: run([this] { return NewContact(ctx_, contacts_); }); return;
    case kCmdEditContact: {
        // The row with the selection mark: the current one when it is marked.
        QTreeWidgetItem* current = list_->currentItem();
        const int row = current && current->isSelected() ? list_->indexOfTopLevelItem(current)
                        : rows.empty()                   ? -1
                                                         : rows.front();
        if (row >= 0) run([this, row] { return EditContact(ctx_, contacts_, row); });
        return;
    }
    case kCmdDeleteContact: run([this, &rows] { return DeleteContacts(ctx_, contacts_, rows) > 0; }); return;
    case kCmdCopyContact:
    case kCmdMoveContact:
        run([this, &rows, command] {
            return CopyContacts(ctx_, contacts_, rows, command == kCmdMoveContact) > 0;
        });
        return;
    case kCmdSendToContact:
        // An open write window only comes forward and keeps the marks here.
        if (ctx_.ui.WriteWindowOpen()) return;
        SendShortMessageTo(ctx_, contacts_, rows);
        list_->clearSelection();
        return;
    case kCmdCloseContacts: close(); return;
    default: return;
    }
}

void ContactWindow::RequestHelp() { help_.Show(kHelpContacts); }

QString ContactWindow::StatusLine() const { return statusBar()->currentMessage(); }

void ContactWindow::Tick() {
    if (contacts_.loaded) return;
    ContactLoadingTick(ctx_, contacts_);
    Fill(true);
}

bool ContactWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == list_ && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool ctrl = key->modifiers() & Qt::ControlModifier;
        if (ctrl && key->key() == Qt::Key_A) {
            list_->selectAll();
            return true;
        }
        uint32_t command = 0;
        if (ctrl && key->key() == Qt::Key_C) command = kCmdCopyContact;
        if (ctrl && key->key() == Qt::Key_X) command = kCmdMoveContact;
        if (!ctrl && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) command = kCmdEditContact;
        if (command) {
            // Posted, as the menu command would be.
            QMetaObject::invokeMethod(this, [this, command] { Command(command); }, Qt::QueuedConnection);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace qmx2::manager::ui
