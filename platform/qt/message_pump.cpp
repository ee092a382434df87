// Window messages from the Qt loop.
#include "platform/qt/message_pump.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QTimer>

namespace qmx2::platform::qt {

MessagePump::MessagePump(WindowSystem& windows, std::function<bool()> finished, std::function<bool()> hold)
    : windows_(windows), finished_(std::move(finished)), hold_(std::move(hold)), retry_(std::make_unique<QTimer>()) {
    retry_->setSingleShot(true);
    retry_->setInterval(kHoldRetryMs);
    QObject::connect(retry_.get(), &QTimer::timeout, [this] { Pump(); });
    // The hook runs on whatever thread queued the message; the pass runs on the GUI thread.
    windows_.SetWakeHook([this] {
        QMetaObject::invokeMethod(QCoreApplication::instance(), [this] { Pump(); }, Qt::QueuedConnection);
    });
    QMetaObject::invokeMethod(QCoreApplication::instance(), [this] { Pump(); }, Qt::QueuedConnection);
}

MessagePump::~MessagePump() { windows_.SetWakeHook({}); }

void MessagePump::Pump() {
    if (hold_ && hold_()) {
        if (!retry_->isActive()) retry_->start();
        return;
    }
    // A message whose handling opens a dialog runs Qt's loop again; the messages that arrive
    // meanwhile are run by the inner pass, so a nested call only has to return.
    if (pumping_) {
        windows_.PumpMessages([] { return false; }, 0);
    } else {
        pumping_ = true;
        windows_.PumpMessages([] { return false; }, 0);
        pumping_ = false;
    }
    if (finished_ && finished_()) QCoreApplication::exit(0);
}

}  // namespace qmx2::platform::qt
