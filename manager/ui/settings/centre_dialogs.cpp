#include "manager/ui/settings/centre_dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include <cstring>

#include "manager/core/command_ids.h"
#include "manager/settings/centre_profiles.h"
#include "manager/ui/card_command.h"
#include "manager/ui/settings/field_edits.h"

namespace qmx2::manager::ui {
namespace {

constexpr int kDialogWidth = 240;

QLineEdit* ReadOnlyField(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setReadOnly(true);
    return edit;
}

QCheckBox* Hidden(QWidget* parent, const char* text, bool checked) {
    auto* box = new QCheckBox(text, parent);
    box->setChecked(checked);
    box->hide();
    return box;
}

}  // namespace

void FillValidity(QComboBox* list) {
    for (int i = 0; i < kValidityChoices; ++i) list->addItem(ValidityLabel(i));
}

void RunOptionsDialog(ManagerContext& ctx, platform::HelpViewer& help, QWidget* parent) {
    if (!UserProfilesExist(ctx)) return;
    OptionsBox box(ctx, help, parent);
    box.exec();
}

void RunSmsSettingDialog(ManagerContext& ctx, platform::HelpViewer& help, QWidget* parent) {
    if (!UserProfilesExist(ctx)) return;
    SmsSettingBox box(ctx, help, parent);
    box.exec();
}

OptionsBox::OptionsBox(ManagerContext& ctx, platform::HelpViewer& help, QWidget* parent)
    : QDialog(parent), ctx_(ctx), d_(OpenOptionsDialog(ctx)) {
    setObjectName("dialog" + QString::number(kDlgOptions));
    setWindowTitle("Options");
    setFixedWidth(kDialogWidth);
    auto* layout = new QVBoxLayout(this);
    groups_ = MakeDropDown(this, "groupName");
    for (const std::string& name : d_.choices) groups_->addItem(Latin1(name));
    groups_->setCurrentIndex(d_.chosen);
    Labelled(layout, "Setting group name:", groups_);
    number_ = ReadOnlyField(this, "centreNumber");
    Labelled(layout, "Short message center number:", number_);
    validity_ = ReadOnlyField(this, "validity");
    Labelled(layout, "Message validity:", validity_);
    sent_as_ = ReadOnlyField(this, "sentAs");
    Labelled(layout, "Message sent as: ", sent_as_);
    layout->addStretch();
    QDialogButtonBox* buttons = MakeDialogButtons(this, &help, kHelpWriteOption);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &OptionsBox::Ok);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(groups_, &QComboBox::currentIndexChanged, this, [this](int index) {
        ChooseOption(ctx_, d_, index);
        Show();
    });
    Show();
}

void OptionsBox::Show() {
    number_->setText(Latin1(d_.view.number));
    validity_->setText(Latin1(d_.view.validity));
    sent_as_->setText(Latin1(d_.view.sent_as));
}

void OptionsBox::Ok() {
    bool closes = false;
    RunCardCommand(this, ctx_.clock, [&] { closes = OptionsOk(ctx_, d_); });
    if (closes) accept();
    else groups_->setFocus();
}

SmsSettingBox::SmsSettingBox(ManagerContext& ctx, platform::HelpViewer& help, QWidget* parent)
    : QDialog(parent), ctx_(ctx), d_(OpenSmsSettingDialog(ctx)) {
    setObjectName("dialogSmsSetting");
    setWindowTitle("SMS Setting");
    setFixedWidth(kDialogWidth);
    auto* layout = new QVBoxLayout(this);
    names_ = MakeDropDown(this, "name");
    for (const std::string& name : d_.names) names_->addItem(Latin1(name));
    names_->setCurrentIndex(d_.chosen);
    Labelled(layout, "&Name:", names_);
    number_ = MakeFieldEdit(this, int(kMaxProfileChars), "centreNumber");
    number_->setText(Latin1(d_.number));
    Labelled(layout, "&Message centre number:", number_);
    validity_ = MakeDropDown(this, "validity");
    FillValidity(validity_);
    validity_->setCurrentIndex(d_.validity);
    Labelled(layout, "Validity &period:", validity_);
    format_ = MakeDropDown(this, "sendingFormat");
    Labelled(layout, "&Sending format:", format_);
    ShowFormat();
    // On the dialog but never shown; they carry their option values unchanged.
    Hidden(this, "&Reply via same message centre", d_.reply_path);
    Hidden(this, "&Delivery reports", d_.delivery_reports);
    for (const std::string* text : {&d_.voice_mailbox, &d_.second_list_text}) {
        auto* list = new QComboBox(this);
        list->addItem(Latin1(*text));
        list->hide();
    }
    layout->addStretch();
    QDialogButtonBox* buttons = MakeDialogButtons(this, &help, kHelpSmsSettings);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &SmsSettingBox::Ok);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(names_, &QComboBox::currentIndexChanged, this, &SmsSettingBox::Choose);
}

void SmsSettingBox::Choose(int index) {
    ChooseSmsSetting(ctx_, d_, index);
    if (d_.chosen < 0) return;
    number_->setText(Latin1(d_.number));
    validity_->setCurrentIndex(d_.validity);
    ShowFormat();
}

// The list offers "Text"; a profile stored with another format shows its label beside it.
void SmsSettingBox::ShowFormat() {
    format_->clear();
    format_->addItem(SendingFormatLabel(1));
    if (d_.format > 1 && *SendingFormatLabel(d_.format)) {
        format_->addItem(SendingFormatLabel(d_.format));
        format_->setCurrentIndex(1);
    }
}

void SmsSettingBox::Ok() {
    d_.chosen = names_->currentIndex();
    d_.number = ToLatin1(number_->text());
    d_.validity = validity_->currentIndex();
    if (format_->currentIndex() == 0) d_.format = 1;
    bool closes = false;
    RunCardCommand(this, ctx_.clock, [&] { closes = SmsSettingOk(ctx_, d_); });
    if (closes) accept();
    else if (d_.chosen < 0) names_->setFocus();
    else number_->setFocus();
}

EditSettingGroupBox::EditSettingGroupBox(ManagerContext& ctx, platform::HelpViewer& help,
                                         MessageCentreProfile& profile, QWidget* parent)
    : QDialog(parent), ctx_(ctx), profile_(profile) {
    setObjectName("dialogEditSettingGroup");
    setWindowTitle("Edit Setting Group");
    setFixedWidth(kDialogWidth);
    const SettingGroupFields f = FieldsOf(profile);
    auto* layout = new QVBoxLayout(this);
    name_ = MakeFieldEdit(this, int(kMaxProfileChars), "name");
    name_->setText(Latin1(f.name));
    Labelled(layout, "Name:", name_);
    number_ = MakeFieldEdit(this, int(kMaxProfileChars), "centreNumber");
    number_->setText(Latin1(f.number));
    Labelled(layout, "Message centre number:", number_);
    validity_ = MakeDropDown(this, "validity");
    FillValidity(validity_);
    validity_->setCurrentIndex(f.validity);
    Labelled(layout, "Validity:", validity_);
    sent_as_ = MakeDropDown(this, "sentAs");
    sent_as_->addItem(SendingFormatLabel(1));
    Labelled(layout, "Sent as:", sent_as_);
    layout->addStretch();
    QDialogButtonBox* buttons = MakeDialogButtons(this, &help, kHelpEditGroup);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &EditSettingGroupBox::Ok);
    connect(buttons, &QDialogButtonBox::rejected, this, &EditSettingGroupBox::reject);
}

void EditSettingGroupBox::Ok() {
    const SettingGroupFields f{ToLatin1(name_->text()), ToLatin1(number_->text()), validity_->currentIndex()};
    if (EditSettingGroupOk(ctx_, f, profile_)) accept();
    else number_->setFocus();
}

void EditSettingGroupBox::reject() {
    std::memset(&profile_, 0, sizeof profile_);
    QDialog::reject();
}

}  // namespace qmx2::manager::ui
