// The menu bars of the manager's tool windows (write, message and contact window), built from
// one table each. An entry's keys are only shown beside it: they act in the window's list, not
// as window-wide shortcuts, so the same keys typed in an edit keep their usual meaning.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <span>
#include <vector>

class QAction;
class QMenuBar;

namespace qmx2::manager::ui {

struct MenuEntry {
    const char* text;
    uint32_t command;
    const char* keys = nullptr;
};

struct Menu {
    const char* title;
    std::vector<MenuEntry> entries;
};

// Fills `bar` (named "menu<id>" for tests) and returns each command's action; an action carries
// its command as data and calls `command` when chosen.
std::map<uint32_t, QAction*> FillMenuBar(QMenuBar* bar, uint32_t menu_id, std::span<const Menu> menus,
                                         const std::function<void(uint32_t)>& command);

}  // namespace qmx2::manager::ui
