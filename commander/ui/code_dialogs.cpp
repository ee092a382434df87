// The access-code dialogs.
#include "commander/ui/code_dialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "commander/access_code.h"
#include "commander/ui/texts.h"
#include "platform/qt/password_edit.h"

namespace qmx2::commander::ui {
namespace {

QDialogButtonBox* OkCancel(QDialog* dialog, const char* section) {
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* ok = buttons->addButton(Text(section, "ok"), QDialogButtonBox::AcceptRole);
    QPushButton* cancel = buttons->addButton(Text(section, "cancel"), QDialogButtonBox::RejectRole);
    ok->setObjectName("ok");
    cancel->setObjectName("cancel");
    ok->setDefault(true);
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    return buttons;
}

QLineEdit* Edit(QWidget* parent, const char* name, int limit, const platform::WideString& text) {
    QLineEdit* edit = platform::qt::MakePasswordEdit(parent, limit);
    edit->setObjectName(name);
    edit->setText(QString::fromStdU16String(text));
    return edit;
}

QLabel* Label(const QString& text, const char* name, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    return label;
}

}  // namespace

CodeDialog::CodeDialog(const CodeDialogText& text, QWidget* parent) : QDialog(parent) {
    setObjectName("codeDialog");
    setWindowTitle(Q(text.caption));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label(Q(text.prompt), "prompt", this));
    code_ = Edit(this, "code", text.edit_limit, {});
    layout->addWidget(code_);
    layout->addWidget(OkCancel(this, "code"));
}

platform::WideString CodeDialog::Typed() const { return code_->text().toStdU16String(); }

PukDialog::PukDialog(const PukDialogText& text, const PukFields& fields, QWidget* parent) : QDialog(parent) {
    setObjectName("pukDialog");
    setWindowTitle(Q(text.caption));
    auto* layout = new QVBoxLayout(this);
    puk_ = Edit(this, "puk", kPukEditLimit, fields.puk);
    new_pin_ = Edit(this, "newPin", kPukEditLimit, fields.new_pin);
    again_ = Edit(this, "againPin", kPukEditLimit, fields.reenter_pin);
    layout->addWidget(Label(Q(text.puk_label), "pukLabel", this));
    layout->addWidget(puk_);
    layout->addWidget(Label(Q(text.new_label), "newLabel", this));
    layout->addWidget(new_pin_);
    layout->addWidget(Label(Q(text.again_label), "againLabel", this));
    layout->addWidget(again_);
    layout->addWidget(OkCancel(this, "puk"));
}

PukFields PukDialog::Fields() const {
    return {puk_->text().toStdU16String(), new_pin_->text().toStdU16String(), again_->text().toStdU16String()};
}

ChangeCodeDialog::ChangeCodeDialog(const ChangeCodeFields& fields, QWidget* parent) : QDialog(parent) {
    setObjectName("changeCodeDialog");
    setWindowTitle(Text("change", "caption"));
    auto* form = new QFormLayout;
    choice_ = new QComboBox(this);
    choice_->setObjectName("choice");
    choice_->addItems(TextList("change", "choices"));
    choice_->setCurrentIndex(static_cast<int>(fields.choice));
    old_ = Edit(this, "oldCode", kPukEditLimit, fields.old_code);
    new_ = Edit(this, "newCode", kPukEditLimit, fields.new_code);
    again_ = Edit(this, "againCode", kPukEditLimit, fields.reenter_code);
    form->addRow(Label(Text("change", "choice_label"), "choiceLabel", this), choice_);
    form->addRow(Label(Text("change", "old_label"), "oldLabel", this), old_);
    form->addRow(Label(Text("change", "new_label"), "newLabel", this), new_);
    form->addRow(Label(Text("change", "again_label"), "againLabel", this), again_);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(OkCancel(this, "change"));
}

ChangeCodeFields ChangeCodeDialog::Fields() const {
    return {static_cast<ChangeCodeChoice>(choice_->currentIndex()), old_->text().toStdU16String(),
            new_->text().toStdU16String(), again_->text().toStdU16String()};
}

}  // namespace qmx2::commander::ui
