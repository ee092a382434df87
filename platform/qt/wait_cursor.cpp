// The wait cursor as Qt's override cursor, set at most once.
#include "platform/qt/wait_cursor.h"

#include <QApplication>
#include <QCursor>

namespace qmx2::platform::qt {
namespace {
bool shown_now = false;  // the GUI thread's only
}

void SetWaitCursor(bool shown) {
    if (shown == shown_now) return;
    shown_now = shown;
    if (shown)
        QApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    else
        QApplication::restoreOverrideCursor();
}

bool WaitCursorShown() { return shown_now; }

}  // namespace qmx2::platform::qt
