#include "manager/ui/settings/security_page.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "manager/core/command_ids.h"
#include "manager/settings/security.h"
#include "manager/ui/card_command.h"
#include "manager/ui/settings/field_edits.h"
#include "manager/ui/settings/pages.h"
#include "manager/ui/settings/security_dialogs.h"
#include "platform/help_viewer.h"

namespace qmx2::manager::ui {

SecurityPageWidget::SecurityPageWidget(ManagerContext& ctx, platform::HelpViewer& help, QWidget* parent)
    : QWidget(parent), ctx_(ctx), help_(help) {
    setObjectName("page" + QString::number(kDlgSecurityPage));
    setWindowTitle("Security");
    setProperty("helpTopic", kHelpSecurityPage);
    auto* layout = new QVBoxLayout(this);
    const auto field = [&](const char* label, const char* name, int i) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(name);
        edit->setReadOnly(true);
        buttons_[i] = new QPushButton("Change...", this);
        auto* l = new QLabel(label, this);
        l->setBuddy(edit);
        layout->addWidget(l);
        auto* row = new QGridLayout;
        row->addWidget(edit, 0, 0);
        row->addWidget(buttons_[i], 0, 1);
        row->setColumnStretch(0, 1);
        layout->addLayout(row);
        return edit;
    };
    level_ = field("Security level:", "securityLevel", 0);
    pin_request_ = field("PIN code request: ", "pinRequest", 1);
    buttons_[2] = new QPushButton("Change access codes", this);
    layout->addWidget(buttons_[2]);
    layout->addStretch();
    connect(buttons_[0], &QPushButton::clicked, this, &SecurityPageWidget::ChangeLevel);
    connect(buttons_[1], &QPushButton::clicked, this, &SecurityPageWidget::ChangePinRequest);
    connect(buttons_[2], &QPushButton::clicked, this, &SecurityPageWidget::ChangeAccessCodes);
}

void SecurityPageWidget::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (read_) return;
    read_ = true;
    // After the page is on the screen, as a page's initialisation would be.
    QMetaObject::invokeMethod(this, &SecurityPageWidget::ReadStates, Qt::QueuedConnection);
}

void SecurityPageWidget::ReadStates() {
    read_ = true;
    SecurityFields fields;
    RunCardCommand(window(), ctx_.clock, [&] { fields = ReadSecurityStates(ctx_); });
    level_->setText(Latin1(fields.level));
    pin_request_->setText(Latin1(fields.pin_request));
}

void SecurityPageWidget::ChangeLevel() {
    LockChoiceBox box(ctx_, LockChoiceBox::Kind::kSecurityLevel, level_->text(), this);
    if (box.exec() == QDialog::Accepted) level_->setText(box.ChosenText());
}

void SecurityPageWidget::ChangePinRequest() {
    LockChoiceBox box(ctx_, LockChoiceBox::Kind::kPinRequest, pin_request_->text(), this);
    if (box.exec() == QDialog::Accepted) pin_request_->setText(box.ChosenText());
}

void SecurityPageWidget::ChangeAccessCodes() {
    AccessCodesBox box(ctx_, help_, this);
    if (box.exec() == QDialog::Accepted) ReadStates();
}

QWidget* MakeSecurityPage(SettingsParts& parts, QWidget* parent) { return new SecurityPageWidget(parts.ctx, parts.help, parent); }

}  // namespace qmx2::manager::ui
