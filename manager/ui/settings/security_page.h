// The "Security" page of the "Settings" sheet (dialog 166): the card's phone lock ("security
// level") and PIN request, read when the page is first shown, with their change dialogs and
// "Change access codes".
#pragma once

#include <QWidget>

#include "manager/core/manager_context.h"

class QLineEdit;
class QPushButton;

namespace qmx2::platform {
class HelpViewer;
}

namespace qmx2::manager::ui {

class SecurityPageWidget : public QWidget {
public:
    SecurityPageWidget(ManagerContext& ctx, platform::HelpViewer& help, QWidget* parent = nullptr);

    // Both locks from the card, into the two fields.
    void ReadStates();
    void ChangeLevel();
    void ChangePinRequest();
    void ChangeAccessCodes();

    QLineEdit* level() const { return level_; }
    QLineEdit* pin_request() const { return pin_request_; }
    QPushButton* button(int i) const { return buttons_[i]; }  // level, PIN request, access codes

protected:
    void showEvent(QShowEvent* event) override;

private:
    ManagerContext& ctx_;
    platform::HelpViewer& help_;
    bool read_ = false;
    QLineEdit* level_;
    QLineEdit* pin_request_;
    QPushButton* buttons_[3];
};

}  // namespace qmx2::manager::ui
