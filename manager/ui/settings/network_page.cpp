#include "manager/ui/settings/network_page.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QVBoxLayout>

#include "manager/core/command_ids.h"
#include "manager/core/polling.h"
#include "manager/ui/card_command.h"
#include "manager/ui/settings/field_edits.h"
#include "manager/ui/settings/pages.h"

namespace qmx2::manager::ui {

QWidget* MakeNetworkPage(SettingsParts& parts, QWidget* parent) { return new NetworkPageWidget(parts.ctx, parent); }

NetworkPageWidget::NetworkPageWidget(ManagerContext& ctx, QWidget* parent) : QWidget(parent), ctx_(ctx) {
    setObjectName("page" + QString::number(kDlgNetworkPage));
    setWindowTitle("Network");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Current network", this));
    current_ = new QLineEdit(this);
    current_->setObjectName("currentNetwork");
    current_->setReadOnly(true);
    layout->addWidget(current_);

    automatic_ = new QRadioButton("Automatic", this);
    automatic_->setObjectName("automatic");
    from_list_ = new QRadioButton("Select from list", this);
    from_list_->setObjectName("selectFromList");
    auto* mode = new QButtonGroup(this);
    mode->addButton(automatic_);
    mode->addButton(from_list_);
    layout->addWidget(automatic_);
    layout->addWidget(from_list_);

    list_ = new QListWidget(this);
    list_->setObjectName("operatorList");
    layout->addWidget(list_, 1);

    auto* buttons = new QHBoxLayout;
    search_ = new QPushButton("Search network", this);
    search_->setObjectName("searchNetwork");
    request_ = new QPushButton("Request network", this);
    request_->setObjectName("requestNetwork");
    buttons->addWidget(search_);
    buttons->addWidget(request_);
    layout->addLayout(buttons);

    // Until the card has told its mode nothing can be chosen.
    for (QWidget* w : std::initializer_list<QWidget*>{automatic_, from_list_, list_, search_, request_})
        w->setEnabled(false);

    // A radio button's click reaches the page even when it was already checked, as its command
    // does on the handheld.
    connect(automatic_, &QRadioButton::clicked, this, [this] { Run(NetworkCommand::kAutomatic); });
    connect(from_list_, &QRadioButton::clicked, this, [this] { Run(NetworkCommand::kSelectFromList); });
    connect(search_, &QPushButton::clicked, this, [this] { Run(NetworkCommand::kSearch); });
    connect(request_, &QPushButton::clicked, this, [this] { Run(NetworkCommand::kRequest); });
    connect(list_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (busy_) return;
        page_.selected = row;
        // A new selection never talks to the card.
        NetworkPageCommand(ctx_, page_, NetworkCommand::kListSelection);
        ShowPage();
    });
}

void NetworkPageWidget::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    // The card is asked when the page is first shown, not when the sheet is built, and after
    // the show has finished: the question runs its own event loop.
    if (open_asked_) return;
    open_asked_ = true;
    QTimer::singleShot(0, this, [this] { Open(); });
}

void NetworkPageWidget::Open() {
    current_->setText(Latin1(CurrentOperatorCopy(ctx_)));
    busy_ = true;
    RunCardCommand(this, ctx_.clock, [this] { page_ = OpenNetworkPage(ctx_); });
    busy_ = false;
    opened_ = true;
    automatic_->setEnabled(true);
    from_list_->setEnabled(true);
    ShowPage();
}

void NetworkPageWidget::Run(NetworkCommand command) {
    if (!opened_ || busy_) return;
    busy_ = true;
    RunCardCommand(this, ctx_.clock, [this, command] { NetworkPageCommand(ctx_, page_, command); });
    busy_ = false;
    ShowPage();
}

void NetworkPageWidget::ShowPage() {
    current_->setText(Latin1(page_.current_network));
    automatic_->setChecked(page_.automatic);
    from_list_->setChecked(!page_.automatic);
    list_->setEnabled(page_.list_enabled);
    search_->setEnabled(page_.search_enabled);
    request_->setEnabled(page_.request_enabled);

    QStringList lines;
    for (const std::string& line : page_.list) lines << Latin1(line);
    QStringList shown;
    for (int i = 0; i < list_->count(); ++i) shown << list_->item(i)->text();
    const bool blocked = list_->blockSignals(true);
    if (lines != shown) {
        list_->clear();
        list_->addItems(lines);
    }
    list_->setCurrentRow(page_.selected);
    list_->blockSignals(blocked);
}

}  // namespace qmx2::manager::ui
