#include "manager/ui/card_command.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QWidget>

#include "platform/clock.h"
#include "platform/sync.h"

namespace qmx2::manager::ui {
namespace {

constexpr char kRunningProperty[] = "qmx2CardCommands";
constexpr char kGateName[] = "qmx2CardCommandGate";

class CloseRefusal : public QObject {
protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::Close) return false;
        event->ignore();
        return true;
    }
};

// One card command at a time: the pause protocol has a single window side and the commands share
// the card channel, but two windows can each start one (the second from inside the first's
// loop). The second command's thread waits here, on the clock, until the first is done; Qt's
// loop goes on meanwhile. The flag is kept on the QApplication and read under the clock's lock.
class CommandGate : public QObject {
public:
    bool busy = false;
};

CommandGate* Gate() {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app) return nullptr;
    // Found by name: the class has no meta-object of its own for findChild to tell it by.
    if (QObject* found = app->findChild<QObject*>(kGateName, Qt::FindDirectChildrenOnly))
        return static_cast<CommandGate*>(found);
    auto* gate = new CommandGate;
    gate->setObjectName(kGateName);
    gate->setParent(app);
    return gate;
}

void GatedRun(CommandGate* gate, platform::Clock& clock, const std::function<void()>& op) {
    if (gate) {
        clock.WaitFor(
            [gate] {
                if (gate->busy) return false;
                gate->busy = true;
                return true;
            },
            platform::kInfinite);
    }
    op();
    if (gate) clock.Update([gate] { gate->busy = false; });
}

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
    CommandGate* gate = Gate();
    QEventLoop loop;
    platform::Thread thread;
    bool started = thread.Start(clock, [&] {
        GatedRun(gate, clock, op);
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    if (started) loop.exec();
    else GatedRun(gate, clock, op);
    thread.Join();
    CountRunning(-1);
    if (target) target->setEnabled(true);
}

}  // namespace qmx2::manager::ui
