// The network selection dialog.
#include "commander/ui/network_window.h"

#include <QEventLoop>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QVBoxLayout>

#include "commander/ui/texts.h"
#include "platform/qt/placement.h"

namespace qmx2::commander::ui {

NetworkWindow::NetworkWindow(QWidget* parent) : QDialog(parent) {
    setObjectName("networkDialog");
    setWindowTitle(Text("network", "caption"));
    setWindowModality(Qt::ApplicationModal);
    list_ = new QListWidget(this);
    list_->setObjectName("operators");
    select_ = new QPushButton(Text("network", "select"), this);
    select_->setObjectName("select");
    cancel_ = new QPushButton(Text("network", "cancel"), this);
    cancel_->setObjectName("cancel");
    search_ = new QPushButton(Text("network", "search"), this);
    search_->setObjectName("search");
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(select_);
    buttons->addWidget(cancel_);
    buttons->addWidget(search_);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list_);
    layout->addLayout(buttons);
    connect(list_, &QListWidget::currentRowChanged, this,
            [this](int row) { Take({NetworkDialogAction::kPick, row}); });
    connect(select_, &QPushButton::clicked, this, [this] { Take({NetworkDialogAction::kSelect}); });
    connect(cancel_, &QPushButton::clicked, this, [this] { Take({NetworkDialogAction::kCancel}); });
    connect(search_, &QPushButton::clicked, this, [this] { Take({NetworkDialogAction::kSearch}); });
}

void NetworkWindow::reject() { Take({NetworkDialogAction::kCancel}); }

void NetworkWindow::Take(NetworkDialogAction action) {
    action_ = action;
    if (waiting_) waiting_->quit();
}

void NetworkWindow::Show(const NetworkDialogView& view) {
    const QSignalBlocker quiet(list_);
    if (list_->count() != static_cast<int>(view.entries.size()) || view.entries.empty()) {
        list_->clear();
        for (const NetworkEntry& e : view.entries) {
            auto* item = new QListWidgetItem(QString::fromStdString(e.name), list_);
            item->setData(Qt::UserRole, e.code);
        }
    }
    list_->setCurrentRow(view.selected);
    select_->setEnabled(view.select_enabled);
    if (!isVisible()) {
        platform::qt::CentreDialog(this, parentWidget());
        show();
    }
}

NetworkDialogAction NetworkWindow::Next(const NetworkDialogView& view) {
    Show(view);
    action_.reset();
    QEventLoop loop;
    waiting_ = &loop;
    if (!action_) loop.exec();
    waiting_ = nullptr;
    return *action_;
}

}  // namespace qmx2::commander::ui
