#include "manager/ui/card_command.h"

#include <QEventLoop>
#include <QWidget>

#include "platform/sync.h"

namespace qmx2::manager::ui {

void RunCardCommand(QWidget* window, platform::Clock& clock, const std::function<void()>& op) {
    if (window) window->setEnabled(false);
    QEventLoop loop;
    platform::Thread thread;
    bool started = thread.Start(clock, [&] {
        op();
        QMetaObject::invokeMethod(&loop, [&loop] { loop.quit(); }, Qt::QueuedConnection);
    });
    if (started) loop.exec();
    else op();
    thread.Join();
    if (window) window->setEnabled(true);
}

}  // namespace qmx2::manager::ui
