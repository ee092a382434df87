// The "Messages" page of the "Settings" sheet (dialog 188): the setting groups (message-centre
// profiles) with "New...", "Edit", "Delete", "Select" and "Use SIM default". The page stores its
// values and sets the card's centre when it is destroyed, whichever button closed the sheet.
#pragma once

#include <QWidget>

#include <array>

#include "manager/core/manager_context.h"
#include "manager/settings/centre_dialogs.h"

class QCheckBox;
class QPushButton;
class QTreeWidget;

namespace qmx2::platform {
class HelpViewer;
}

namespace qmx2::manager::ui {

class MessagesPageWidget : public QWidget {
public:
    MessagesPageWidget(ManagerContext& ctx, platform::HelpViewer& help, QWidget* parent = nullptr);
    ~MessagesPageWidget() override;

    void New();
    void Edit();
    void Delete();
    void Select();
    // The page's close: the option bytes, the flag, "useDefSMSCenter" and the card's centre.
    void Store();

    QTreeWidget* list() const { return list_; }
    QCheckBox* use_sim_default() const { return use_sim_default_; }
    QPushButton* button(int i) const { return buttons_[size_t(i)]; }  // New, Edit, Delete, Select

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Rebuild();
    // Runs "Edit Setting Group" on `p`; true on OK.
    bool EditGroup(MessageCentreProfile& p);

    ManagerContext& ctx_;
    platform::HelpViewer& help_;
    MessagesPage page_;
    bool stored_ = false;
    QTreeWidget* list_;
    QCheckBox* use_sim_default_;
    std::array<QPushButton*, 4> buttons_{};
    std::array<QCheckBox*, 4> hidden_{};
};

}  // namespace qmx2::manager::ui
