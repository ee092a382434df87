// The "Modem" page of the "Settings" sheet (dialog 167): the data-call speed slider with its
// receiving and sending lines, and the connection method. The page stores a changed setting,
// tells the commander and shows its note when it is destroyed (manager/settings/modem_page.h).
#pragma once

#include <QWidget>

#include "manager/core/manager_context.h"
#include "manager/settings/modem_page.h"

class QButtonGroup;
class QLabel;
class QSlider;

namespace qmx2::manager::ui {

class ModemPageWidget : public QWidget {
public:
    explicit ModemPageWidget(ManagerContext& ctx, QWidget* parent = nullptr);
    ~ModemPageWidget() override;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void ShowSpeed();
    void PlaceSpeedLabels();

    ManagerContext& ctx_;
    ModemPage page_;
    QSlider* slider_;
    QWidget* marks_;  // the five speed labels above the slider
    QLabel* receiving_;
    QLabel* sending_;
    QButtonGroup* methods_;
    QLabel* note_;
};

}  // namespace qmx2::manager::ui
