// The message-centre dialogs: "Options" (dialog 134, write window), "SMS Setting" (message
// window) and "Edit Setting Group" (the "Messages" page), bound to manager/settings.
#pragma once

#include <QDialog>

#include "manager/core/manager_context.h"
#include "manager/settings/centre_dialogs.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace qmx2::platform {
class HelpViewer;
}

namespace qmx2::manager::ui {

// "Options...": with no used profile only "No user defined SMS center profile, use SIM
// default." is shown; otherwise the dialog runs modally over `parent`.
void RunOptionsDialog(ManagerContext& ctx, platform::HelpViewer& help, QWidget* parent);
// "SMS Settings...", with the same check first.
void RunSmsSettingDialog(ManagerContext& ctx, platform::HelpViewer& help, QWidget* parent);

class OptionsBox : public QDialog {
public:
    OptionsBox(ManagerContext& ctx, platform::HelpViewer& help, QWidget* parent = nullptr);
    QComboBox* groups() const { return groups_; }
    // OK: the choice goes to the card; the dialog stays only when nothing is chosen.
    void Ok();

private:
    void Show();
    ManagerContext& ctx_;
    OptionsDialog d_;
    QComboBox* groups_;
    QLineEdit* number_;
    QLineEdit* validity_;
    QLineEdit* sent_as_;
};

class SmsSettingBox : public QDialog {
public:
    SmsSettingBox(ManagerContext& ctx, platform::HelpViewer& help, QWidget* parent = nullptr);
    void Ok();

private:
    void Choose(int index);
    void ShowFormat();
    ManagerContext& ctx_;
    SmsSettingDialog d_;
    QComboBox* names_;
    QLineEdit* number_;
    QComboBox* validity_;
    QComboBox* format_;
};

// Edits `profile` (a copy the caller stores on Accepted); Cancel zeroes it.
class EditSettingGroupBox : public QDialog {
public:
    EditSettingGroupBox(ManagerContext& ctx, platform::HelpViewer& help, MessageCentreProfile& profile,
                        QWidget* parent = nullptr);
    void Ok();
    void reject() override;

private:
    ManagerContext& ctx_;
    MessageCentreProfile& profile_;
    QLineEdit* name_;
    QLineEdit* number_;
    QComboBox* validity_;
    QComboBox* sent_as_;
};

// The six validity labels in their fixed order.
void FillValidity(QComboBox* list);

}  // namespace qmx2::manager::ui
