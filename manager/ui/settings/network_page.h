// The "Network" page of the "Settings" sheet (dialog 191): the current network, automatic or
// manual selection, the search list and the request. What the controls do is the page logic of
// manager/settings/network_page.h; every command that may talk to the card runs through
// RunCardCommand, so the sheet stays painted through a search of a minute.
#pragma once

#include <QWidget>

#include "manager/core/manager_context.h"
#include "manager/settings/network_page.h"

class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;

namespace qmx2::manager::ui {

class NetworkPageWidget : public QWidget {
public:
    explicit NetworkPageWidget(ManagerContext& ctx, QWidget* parent = nullptr);

    // True once the page has asked the card for its selection mode (on its first showing).
    bool opened() const { return opened_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void Open();
    void Run(NetworkCommand command);
    void ShowPage();

    ManagerContext& ctx_;
    NetworkPage page_;
    bool opened_ = false;
    bool open_asked_ = false;
    bool busy_ = false;  // a card command runs on its own thread and uses page_
    QLineEdit* current_;
    QRadioButton* automatic_;
    QRadioButton* from_list_;
    QListWidget* list_;
    QPushButton* search_;
    QPushButton* request_;
};

}  // namespace qmx2::manager::ui
