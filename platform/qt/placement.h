// Where the handheld's dialogs and menus go: a dialog centred over its parent's client area, and a
// popup menu placed by one of its corners.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

namespace qmx2::platform::qt {

// The top left corner of a dialog of `size` centred over `parent_client` (screen coordinates).
// A left edge that would be negative becomes 0, a top edge that would be negative becomes 26,
// below the handheld's task bar.
QPoint CentredOver(const QRect& parent_client, const QSize& size);

// Moves `dialog` to its centred place over `parent`'s client area (the screen without a parent).
void CentreDialog(QWidget* dialog, QWidget* parent);

// The top left corner of a popup of `size` whose bottom right corner is at `corner`.
QPoint TopLeftForBottomRight(const QPoint& corner, const QSize& size);

}  // namespace qmx2::platform::qt
