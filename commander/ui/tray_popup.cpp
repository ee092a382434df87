// The tray popup.
#include "commander/ui/tray_popup.h"

#include <QActionGroup>
#include <QMenu>

namespace qmx2::commander::ui {
namespace {

constexpr int kAboveBottom = 25;

// Entries of these submenus are radio choices; the others carry check marks.
bool RadioSubmenu(const MenuItem& submenu) {
    for (const MenuItem& e : submenu.items)
        if (e.command == kCmdAutomatic || e.command == kCmdPhoneLock ||
            (e.command >= kCmdFirstSpeed && e.command <= kCmdLastSpeed))
            return true;
    return false;
}

void Fill(QMenu* top, QMenu* menu, const std::vector<MenuItem>& items,
          const std::function<void(uint32_t)>& command, bool radio) {
    auto* group = radio ? new QActionGroup(menu) : nullptr;
    for (const MenuItem& item : items) {
        if (item.separator()) {
            menu->addSeparator();
            continue;
        }
        const QString label = QString::fromStdString(item.label);
        if (!item.items.empty() || item.command == 0) {
            QMenu* sub = menu->addMenu(label);
            sub->setObjectName(label);
            // A group with its mark (a speed group) shows it on the submenu's own entry.
            sub->menuAction()->setCheckable(item.checked);
            sub->menuAction()->setChecked(item.checked);
            sub->setEnabled(item.enabled);
            Fill(top, sub, item.items, command, RadioSubmenu(item));
            continue;
        }
        QAction* action = menu->addAction(label);
        action->setData(item.command);
        action->setEnabled(item.enabled);
        const bool radio_entry = group && item.command != kCmdChangePin && item.command != kCmdPinRequest;
        action->setCheckable(item.checked || radio_entry || item.command == kCmdPinRequest ||
                             item.command == kCmdPowerUp || item.command == kCmdAutoPowerUp);
        action->setChecked(item.checked);
        if (radio_entry) action->setActionGroup(group);
        const uint32_t number = item.command;
        QObject::connect(action, &QAction::triggered, menu, [top, command, number] {
            top->close();  // the whole popup goes before the command runs
            command(number);
        });
    }
    if (group) group->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
}

}  // namespace

QMenu* BuildTrayPopup(const std::vector<MenuItem>& items, QWidget* parent,
                      const std::function<void(uint32_t)>& command) {
    auto* menu = new QMenu(parent);
    menu->setObjectName("trayPopup");
    Fill(menu, menu, items, command, false);
    return menu;
}

QPoint TrayPopupCorner(const QRect& screen) {
    return {screen.x() + screen.width(), screen.y() + screen.height() - kAboveBottom};
}

}  // namespace qmx2::commander::ui
