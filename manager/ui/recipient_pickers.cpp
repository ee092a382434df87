#include "manager/ui/recipient_pickers.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "manager/core/command_ids.h"
#include "manager/ui/settings/field_edits.h"
#include "platform/help_viewer.h"

namespace qmx2::manager::ui {
namespace {

constexpr int kNameWidth = 110;
// The lists' font: a 16-character name and a 20-digit number side by side on the small screen.
constexpr int kListFontPixels = 11;

void SmallFont(QWidget* w) {
    QFont font = w->font();
    font.setPixelSize(kListFontPixels);
    w->setFont(font);
}

void Frame(QDialog* dialog, int id, const char* title) {
    dialog->setObjectName("dialog" + QString::number(id));
    dialog->setWindowTitle(title);
    // The handheld's dialogs take the screen below the title bar.
    dialog->setFixedSize(kScreenWidth, kToolWindowHeight);
}

QTreeWidget* NameNumberList(QWidget* parent) {
    auto* list = new QTreeWidget(parent);
    SmallFont(list);
    list->setRootIsDecorated(false);
    list->setHeaderLabels({"Name", "Number"});
    list->setColumnWidth(0, kNameWidth);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setSortingEnabled(false);
    return list;
}

void Fill(QTreeWidget* list, const std::vector<Candidate>& rows, int selected) {
    const QSignalBlocker quiet(list);
    list->clear();
    for (const Candidate& c : rows) new QTreeWidgetItem(list, {Latin1(c.name), Latin1(c.number)});
    if (selected >= 0 && selected < list->topLevelItemCount()) {
        list->setCurrentItem(list->topLevelItem(selected));
        list->topLevelItem(selected)->setSelected(true);
    }
}

int SelectedRow(QTreeWidget* list) {
    QTreeWidgetItem* item = list->currentItem();
    return item && item->isSelected() ? list->indexOfTopLevelItem(item) : -1;
}

QDialogButtonBox* OkCancel(QDialog* dialog, QDialogButtonBox::StandardButtons more = {}) {
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel | more, dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

}  // namespace

RecentRecipientsDialog::RecentRecipientsDialog(ManagerContext& ctx, QWidget* parent) : QDialog(parent) {
    Frame(this, kDlgRecentRecipients, "Recent Recipients");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Recipients of sent messages:", this));
    list_ = new QListWidget(this);
    list_->setObjectName("recentList");
    SmallFont(list_);
    for (const std::string& line : RecentRecipients(ctx)) list_->addItem(Latin1(line));
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    layout->addWidget(list_);
    layout->addWidget(OkCancel(this));
}

std::u16string RecentRecipientsDialog::Chosen() const {
    QListWidgetItem* item = list_->currentItem();
    if (!item || !item->isSelected()) return {};
    const QString text = item->text();
    return std::u16string(reinterpret_cast<const char16_t*>(text.utf16()), size_t(text.size()));
}

SelectRecipientsDialog::SelectRecipientsDialog(ManagerContext& ctx, platform::HelpViewer& help, QWidget* parent)
    : QDialog(parent), ctx_(ctx), help_(help) {
    Frame(this, kDlgSelectRecipients, "Select Recipients");
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(3);
    candidates_ = NameNumberList(this);
    candidates_->setObjectName("candidates");
    candidates_->header()->setSectionsClickable(true);
    layout->addWidget(candidates_, 3);

    auto* row = new QHBoxLayout;
    to_ = new QPushButton("To", this);
    remove_ = new QPushButton("Remove", this);
    refresh_ = new QPushButton("Refresh", this);
    for (QPushButton* b : {to_, remove_, refresh_}) {
        b->setAutoDefault(false);
        row->addWidget(b);
    }
    layout->addLayout(row);
    layout->addWidget(new QLabel("Recipients:", this));
    chosen_ = new QListWidget(this);
    chosen_->setObjectName("chosen");
    SmallFont(chosen_);
    layout->addWidget(chosen_, 2);
    auto* buttons = OkCancel(this, QDialogButtonBox::Help);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { RequestHelp(); });
    layout->addWidget(buttons);

    connect(candidates_, &QTreeWidget::currentItemChanged, this,
            [this] { picker_.selected = SelectedRow(candidates_); });
    connect(chosen_, &QListWidget::currentRowChanged, this, [this](int r) { picker_.chosen_selected = r; });
    connect(candidates_->header(), &QHeaderView::sectionClicked, this, [this](int column) {
        SortPickerByClick(picker_, column == 0 ? PickColumn::kName : PickColumn::kNumber);
        Show();
    });
    connect(candidates_, &QTreeWidget::itemDoubleClicked, this, [this] { to_->click(); });
    connect(to_, &QPushButton::clicked, this, [this] {
        if (PickSelected(picker_)) Show();
    });
    connect(remove_, &QPushButton::clicked, this, [this] {
        if (UnpickSelected(picker_)) Show();
    });
    connect(refresh_, &QPushButton::clicked, this, [this] {
        RefreshPicker(ctx_, picker_);
        Show();
    });
    RefreshPicker(ctx_, picker_);
    Show();
}

void SelectRecipientsDialog::Show() {
    Fill(candidates_, picker_.candidates, picker_.selected);
    const QSignalBlocker quiet(chosen_);
    chosen_->clear();
    for (const Candidate& c : picker_.chosen) chosen_->addItem(Latin1(ChosenText(c)));
    chosen_->setCurrentRow(picker_.chosen_selected);
}

void SelectRecipientsDialog::RequestHelp() { help_.Show(kHelpSelectRecipients); }

SelectNumberDialog::SelectNumberDialog(ManagerContext& ctx, QWidget* parent)
    : QDialog(parent), entries_(SelectNumberRows(ctx)) {
    Frame(this, kDlgSelectNumber, "Select Number");
    auto* layout = new QVBoxLayout(this);
    rows_ = NameNumberList(this);
    rows_->setObjectName("numbers");
    Fill(rows_, entries_, -1);
    connect(rows_, &QTreeWidget::itemDoubleClicked, this, &QDialog::accept);
    layout->addWidget(rows_);
    layout->addWidget(OkCancel(this));
}

std::string SelectNumberDialog::Number() const { return SelectedNumber(entries_, SelectedRow(rows_)); }

std::string SelectNumber(ManagerContext& ctx, QWidget* parent) {
    // On the heap: a parent destroyed while the dialog runs takes it along.
    QPointer<SelectNumberDialog> dialog = new SelectNumberDialog(ctx, parent);
    const int result = dialog->exec();
    if (!dialog) return {};
    std::string number = result == QDialog::Accepted ? dialog->Number() : std::string();
    delete dialog.data();
    return number;
}

}  // namespace qmx2::manager::ui
