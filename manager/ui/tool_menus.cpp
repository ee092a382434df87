#include "manager/ui/tool_menus.h"

#include <QAction>
#include <QMenuBar>

namespace qmx2::manager::ui {

std::map<uint32_t, QAction*> FillMenuBar(QMenuBar* bar, uint32_t menu_id, std::span<const Menu> menus,
                                         const std::function<void(uint32_t)>& command) {
    std::map<uint32_t, QAction*> actions;
    bar->setObjectName("menu" + QString::number(menu_id));
    for (const Menu& m : menus) {
        QMenu* menu = bar->addMenu(m.title);
        for (const MenuEntry& e : m.entries) {
            QAction* action = menu->addAction(e.text);
            if (e.keys) {
                action->setShortcut(QKeySequence(e.keys));
                action->setShortcutContext(Qt::WidgetShortcut);
            }
            action->setData(e.command);
            const uint32_t id = e.command;
            QObject::connect(action, &QAction::triggered, bar, [command, id] { command(id); });
            actions[id] = action;
        }
    }
    return actions;
}

}  // namespace qmx2::manager::ui
