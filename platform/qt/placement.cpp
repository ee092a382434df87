// Dialog and popup placement.
#include "platform/qt/placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace qmx2::platform::qt {

QPoint CentredOver(const QRect& parent_client, const QSize& size) {
    int x = parent_client.x() + (parent_client.width() - size.width()) / 2;
    int y = parent_client.y() + (parent_client.height() - size.height()) / 2;
    if (x < 0) x = 0;
    if (y < 0) y = 26;
    return {x, y};
}

void CentreDialog(QWidget* dialog, QWidget* parent) {
    QRect client;
    if (parent && parent->isVisible()) {
        client = QRect(parent->mapToGlobal(QPoint(0, 0)), parent->size());
    } else if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        client = screen->geometry();
    }
    dialog->adjustSize();
    dialog->move(CentredOver(client, dialog->size()));
}

QPoint TopLeftForBottomRight(const QPoint& corner, const QSize& size) {
    return {corner.x() - size.width(), corner.y() - size.height()};
}

}  // namespace qmx2::platform::qt
