// The "Select Network" dialog: a list of operators, "Select" (enabled only with a selection),
// "Cancel" and "Search Network". The logic drives it one command at a time: each call shows
// the state the logic holds and waits for the person's next command.
#pragma once

#include <QDialog>
#include <optional>

#include "commander/ui.h"

class QEventLoop;
class QListWidget;
class QPushButton;

namespace qmx2::commander::ui {

class NetworkWindow : public QDialog {
public:
    explicit NetworkWindow(QWidget* parent);
    NetworkDialogAction Next(const NetworkDialogView& view);
    // Shows the logic's state without waiting for a command.
    void Show(const NetworkDialogView& view);

protected:
    void reject() override;

private:
    void Take(NetworkDialogAction action);

    QListWidget* list_;
    QPushButton* select_;
    QPushButton* cancel_;
    QPushButton* search_;
    std::optional<NetworkDialogAction> action_;
    QEventLoop* waiting_ = nullptr;
};

}  // namespace qmx2::commander::ui
