#include "manager/ui/settings/messages_page.h"

#include <QApplication>
#include <QCheckBox>
#include <QEvent>
#include <QGridLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "manager/core/command_ids.h"
#include "manager/ui/card_command.h"
#include "manager/ui/settings/centre_dialogs.h"
#include "manager/ui/settings/field_edits.h"
#include "manager/ui/settings/pages.h"
#include "platform/help_viewer.h"

namespace qmx2::manager::ui {
namespace {

constexpr const char* kColumns[] = {"Name", "Message centre number", "Validity", "Sent as"};
constexpr const char* kButtons[] = {"New...", "Edit", "Delete", "Select"};
constexpr const char* kHiddenOptions[] = {"Reply path", "Save copy to Sent Messages-folder", "Status reports",
                                          "Send long messages"};

QIcon RowIcon(bool current) {
    return QApplication::style()->standardIcon(current ? QStyle::SP_DialogApplyButton : QStyle::SP_FileIcon);
}

}  // namespace

MessagesPageWidget::MessagesPageWidget(ManagerContext& ctx, platform::HelpViewer& help, QWidget* parent)
    : QWidget(parent), ctx_(ctx), help_(help), page_(OpenMessagesPage(ctx)) {
    setObjectName("page" + QString::number(kDlgMessagesPage));
    setWindowTitle("Messages");
    setProperty("helpTopic", kHelpMessagesPage);
    auto* layout = new QVBoxLayout(this);
    list_ = new QTreeWidget(this);
    list_->setObjectName("settingGroups");
    list_->setRootIsDecorated(false);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setIconSize(QSize(16, 16));
    QStringList titles;
    for (const char* title : kColumns) titles << title;
    list_->setHeaderLabels(titles);
    // Four columns do not fit 240 pixels: each is as wide as its texts and the list scrolls.
    list_->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    list_->header()->setStretchLastSection(false);
    Labelled(layout, "Setting groups:", list_);
    auto* row = new QGridLayout;
    for (int i = 0; i < 4; ++i) {
        buttons_[size_t(i)] = new QPushButton(kButtons[i], this);
        // Four in a row on the 240-pixel screen: narrower than the style would make them.
        buttons_[size_t(i)]->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
        row->addWidget(buttons_[size_t(i)], 0, i);
    }
    layout->addLayout(row);
    use_sim_default_ = new QCheckBox("Use SIM default", this);
    use_sim_default_->setObjectName("useSimDefault");
    layout->addWidget(use_sim_default_);
    for (int i = 0; i < 4; ++i) {
        hidden_[size_t(i)] = new QCheckBox(kHiddenOptions[i], this);
        hidden_[size_t(i)]->setChecked(page_.hidden_options[size_t(i)]);
        hidden_[size_t(i)]->hide();
    }

    connect(buttons_[0], &QPushButton::clicked, this, &MessagesPageWidget::New);
    connect(buttons_[1], &QPushButton::clicked, this, &MessagesPageWidget::Edit);
    connect(buttons_[2], &QPushButton::clicked, this, &MessagesPageWidget::Delete);
    connect(buttons_[3], &QPushButton::clicked, this, &MessagesPageWidget::Select);
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { Edit(); });
    connect(list_, &QTreeWidget::itemSelectionChanged, this, [this] {
        const QList<QTreeWidgetItem*> marked = list_->selectedItems();
        page_.marked = marked.isEmpty() ? -1 : list_->indexOfTopLevelItem(marked.first());
        for (int i = 1; i < 4; ++i) buttons_[size_t(i)]->setEnabled(page_.RowActionsEnabled());
    });
    connect(use_sim_default_, &QCheckBox::toggled, this, [this](bool on) {
        page_.use_sim_default = on;
        Rebuild();
    });
    Rebuild();
    window()->installEventFilter(this);
}

MessagesPageWidget::~MessagesPageWidget() { Store(); }

// The card is set while the sheet is hidden but whole: setting it runs Qt's loop, which must not
// meet a sheet half torn down, nor the deferred deletion of the window the sheet belongs to. A
// hide from the window system (the sheet minimised) is no close.
bool MessagesPageWidget::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window() && event->type() == QEvent::Hide && !event->spontaneous()) Store();
    return QWidget::eventFilter(watched, event);
}

void MessagesPageWidget::Store() {
    if (stored_) return;
    stored_ = true;
    page_.use_sim_default = use_sim_default_->isChecked();
    for (size_t i = 0; i < hidden_.size(); ++i) page_.hidden_options[i] = hidden_[i]->isChecked();
    // The sheet is going away: no window to disable while the card is set.
    RunCardCommand(nullptr, ctx_.clock, [this] { CloseMessagesPage(ctx_, page_); });
}

void MessagesPageWidget::Rebuild() {
    RebuildMessagesPage(ctx_, page_);
    const QSignalBlocker quiet_list(list_);
    const QSignalBlocker quiet_box(use_sim_default_);
    list_->clear();
    for (const ProfileRow& r : page_.rows) {
        auto* item = new QTreeWidgetItem(list_, {Latin1(r.name), Latin1(r.number), Latin1(r.validity), Latin1(r.sent_as)});
        item->setIcon(0, RowIcon(r.current));
    }
    if (page_.RowActionsEnabled()) list_->topLevelItem(page_.marked)->setSelected(true);
    use_sim_default_->setChecked(page_.use_sim_default);
    use_sim_default_->setEnabled(page_.use_sim_default_enabled);
    for (int i = 1; i < 4; ++i) buttons_[size_t(i)]->setEnabled(page_.RowActionsEnabled());
}

bool MessagesPageWidget::EditGroup(MessageCentreProfile& p) {
    EditSettingGroupBox box(ctx_, help_, p, this);
    return box.exec() == QDialog::Accepted;
}

void MessagesPageWidget::New() {
    const int at = BeginNewProfile(ctx_);
    if (at < 0) return;
    MessageCentreProfile p{};
    if (EditGroup(p)) StoreProfile(ctx_, page_, at, p);
    Rebuild();
}

void MessagesPageWidget::Edit() {
    const int at = MarkedProfile(ctx_, page_);
    if (at < 0) return;
    MessageCentreProfile p = ctx_.profiles[at];
    if (EditGroup(p)) StoreProfile(ctx_, page_, at, p);
    Rebuild();
}

void MessagesPageWidget::Delete() {
    DeleteMarkedProfile(ctx_, page_);
    Rebuild();
}

void MessagesPageWidget::Select() {
    SelectMarkedProfile(ctx_, page_);
    Rebuild();
}

QWidget* MakeMessagesPage(SettingsParts& parts, QWidget* parent) { return new MessagesPageWidget(parts.ctx, parts.help, parent); }

}  // namespace qmx2::manager::ui
