#include "manager/ui/settings/security_dialogs.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QVBoxLayout>

#include "manager/core/command_ids.h"
#include "manager/ui/card_command.h"
#include "manager/ui/settings/field_edits.h"

namespace qmx2::manager::ui {
namespace {

constexpr int kDialogWidth = 240;
constexpr int kAccessCodeChars = 8;

}  // namespace

LockChoiceBox::LockChoiceBox(ManagerContext& ctx, Kind kind, const QString& current, QWidget* parent)
    : QDialog(parent), ctx_(ctx), kind_(kind) {
    const bool level = kind == Kind::kSecurityLevel;
    setObjectName(level ? "dialogChangeSecurityLevel" : "dialogPinCodeRequest");
    setWindowTitle(level ? "Change Security Level" : "PIN Code Request");
    setFixedWidth(kDialogWidth);
    auto* layout = new QVBoxLayout(this);
    choice_ = MakeDropDown(this, level ? "securityLevel" : "status");
    const auto text = [level](int i) { return level ? LevelText(i) : PinRequestText(i); };
    choice_->addItems({text(0), text(1)});
    const std::string start = ToLatin1(current.left(9));
    choice_->setCurrentIndex((level ? OpenSecurityLevelDialog(start) : OpenPinRequestDialog(start)).selection);
    Labelled(layout, level ? "Security level:" : "Status:", choice_);
    password_ = MakeCodeEdit(this, int(kMaxCodeChars), "password");
    Labelled(layout, "Password:", password_);
    layout->addStretch();
    QDialogButtonBox* buttons = MakeDialogButtons(this, nullptr, nullptr);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &LockChoiceBox::Ok);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

QString LockChoiceBox::ChosenText() const { return choice_->currentText(); }

void LockChoiceBox::Ok() {
    const ChoiceDialog d{choice_->currentIndex(), ToUtf16(password_->text())};
    bool ok = false;
    RunCardCommand(this, ctx_.clock, [&] {
        ok = kind_ == Kind::kSecurityLevel ? SecurityLevelOk(ctx_, d) : PinRequestOk(ctx_, d);
    });
    done(ok ? Accepted : Rejected);
}

AccessCodesBox::AccessCodesBox(ManagerContext& ctx, platform::HelpViewer& help, QWidget* parent)
    : QDialog(parent), ctx_(ctx) {
    setObjectName("dialogChangeAccessCodes");
    setWindowTitle("Change Access Codes");
    setFixedWidth(kDialogWidth);
    auto* layout = new QVBoxLayout(this);
    which_ = MakeDropDown(this, "change");
    which_->addItems({"PIN code", "PIN2 code", "Security code"});
    Labelled(layout, "Change:", which_);
    static constexpr const char* kLabels[] = {"Old code: ", "New code: ", "Confirm new code:"};
    static constexpr const char* kNames[] = {"oldCode", "newCode", "confirmCode"};
    for (int i = 0; i < 3; ++i) {
        codes_[i] = MakeCodeEdit(this, kAccessCodeChars, kNames[i]);
        Labelled(layout, kLabels[i], codes_[i]);
    }
    layout->addStretch();
    QDialogButtonBox* buttons = MakeDialogButtons(this, &help, kHelpChangeCodes);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &AccessCodesBox::Ok);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(which_, &QComboBox::currentIndexChanged, this, [this](int index) {
        ChooseAccessCode(d_, AccessCode(index));
        for (QLineEdit* code : codes_) code->clear();
    });
}

void AccessCodesBox::Ok() {
    d_.old_code = ToUtf16(codes_[0]->text());
    d_.new_code = ToUtf16(codes_[1]->text());
    d_.confirm = ToUtf16(codes_[2]->text());
    bool ok = false;
    RunCardCommand(this, ctx_.clock, [&] { ok = AccessCodesOk(ctx_, d_); });
    done(ok ? Accepted : Rejected);
}

}  // namespace qmx2::manager::ui
