// What the manager's widget tests share: the offscreen application, the GUI-thread dispatch the
// program uses, and a watcher that acts on the next modal window.
#pragma once

#include <QApplication>
#include <QTimer>

#include <functional>
#include <memory>

#include "manager/ui/qt_dispatch.h"

namespace qmx2::manager::testing {

inline QApplication& OffscreenApp() {
    static int argc = 1;
    static char name[] = "manager_widget_test";
    static char* argv[] = {name, nullptr};
    static QApplication* app = [] {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return new QApplication(argc, argv);
    }();
    return *app;
}

using ui::QtDispatch;

// Runs `act` on the next modal window once it shows (a message box or a dialog), while the
// returned watcher lives.
inline std::unique_ptr<QTimer> OnNextModal(std::function<void(QWidget*)> act) {
    auto timer = std::make_unique<QTimer>();
    timer->setInterval(1);
    QTimer* t = timer.get();
    QObject::connect(t, &QTimer::timeout, [t, act] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w || !w->isVisible()) return;
        t->stop();
        act(w);
    });
    t->start();
    return timer;
}

}  // namespace qmx2::manager::testing
