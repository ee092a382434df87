// GuiThreadUi's way onto Qt's GUI thread: the application's thread, and tasks queued to it.
// The program and the widget tests use this one, so the tests run the dispatch the program does.
#pragma once

#include <QApplication>
#include <QThread>

#include <functional>
#include <utility>

#include "manager/core/gui_thread_ui.h"

namespace qmx2::manager::ui {

class QtDispatch : public GuiDispatch {
public:
    bool OnGuiThread() override { return QThread::currentThread() == qApp->thread(); }
    bool Queue(std::function<void()> task) override {
        return QMetaObject::invokeMethod(qApp, std::move(task), Qt::QueuedConnection);
    }
};

}  // namespace qmx2::manager::ui
