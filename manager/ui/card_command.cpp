#include "manager/ui/card_command.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>

#include "platform/sync.h"

namespace qmx2::manager::ui {
namespace {

constexpr char kRunningProperty[] = "qmx2CardCommands";

class CloseRefusal : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::Close) return false;
        event->ignore();
        return true;
    }
};

void CountRunning(int change) {
    if (QCoreApplication* app = QCoreApplication::instance())
        app->setProperty(kRunningProperty, CardCommandsRunning() + change);
}

}  // namespace

int CardCommandsRunning() {
    QCoreApplication* app = QCoreApplication::instance();
    return app ? app->property(kRunningProperty).toInt() : 0;
}

void RunCardCommand(QWidget* window, platform::Clock& clock, const std::function<void()>& op) {
    // The whole top-level window: a page's command also keeps the sheet's buttons still.
    const QPointer<QWidget> target(window ? window->window() : nullptr);
    CloseRefusal refusal;
    if (target) {
        target->setEnabled(false);
        target->installEventFilter(&refusal);
    }
    CountRunning(+1);
    QEventLoop loop;
    platform::Thread thread;
    bool started = thread.Start(clock, [&] {
        op();
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    if (started) loop.exec();
    else op();
    thread.Join();
    CountRunning(-1);
    if (target) target->setEnabled(true);
}

}  // namespace qmx2::manager::ui
