// The dialogs of the "Security" page: "Change Security Level", "PIN Code Request" and "Change
// Access Codes", bound to manager/settings/security.h. Each ends with OK only when the card took
// the change.
#pragma once

#include <QDialog>
#include <QString>

#include "manager/core/manager_context.h"
#include "manager/settings/security.h"

class QComboBox;
class QLineEdit;

namespace qmx2::platform {
class HelpViewer;
}

namespace qmx2::manager::ui {

// "Change Security Level" (None/Phone) or "PIN Code Request" (Off/On).
class LockChoiceBox : public QDialog {
public:
    enum class Kind { kSecurityLevel, kPinRequest };
    // `current` is the page's field text.
    LockChoiceBox(ManagerContext& ctx, Kind kind, const QString& current, QWidget* parent = nullptr);
    // The chosen text, handed back also after a refusal.
    QString ChosenText() const;
    void Ok();

    QComboBox* choice() const { return choice_; }
    QLineEdit* password() const { return password_; }

private:
    ManagerContext& ctx_;
    Kind kind_;
    QComboBox* choice_;
    QLineEdit* password_;
};

class AccessCodesBox : public QDialog {
public:
    AccessCodesBox(ManagerContext& ctx, platform::HelpViewer& help, QWidget* parent = nullptr);
    void Ok();

    QComboBox* which() const { return which_; }
    QLineEdit* code(int i) const { return codes_[i]; }  // old, new, confirm

private:
    ManagerContext& ctx_;
    AccessCodesDialog d_;
    QComboBox* which_;
    QLineEdit* codes_[3];
};

}  // namespace qmx2::manager::ui
