// The tray menu's popup, drawn from the menu's state at the moment it opens, and its place: the
// bottom right corner at the screen's right edge, 25 pixels above the screen's bottom edge.
#pragma once

#include <QPoint>
#include <QRect>
#include <functional>
#include <vector>

#include "commander/tray_menu.h"

class QMenu;
class QWidget;

namespace qmx2::commander::ui {

// A new popup (owned by `parent`) of `items`; choosing an entry calls `command` with its number.
QMenu* BuildTrayPopup(const std::vector<MenuItem>& items, QWidget* parent,
                      const std::function<void(uint32_t)>& command);

// Where the popup's bottom right corner goes on a screen of `screen` geometry.
QPoint TrayPopupCorner(const QRect& screen);

}  // namespace qmx2::commander::ui
