// The Qt event loop as the window thread of the handheld: messages sent or posted to the thread's
// windows (platform/windows.h) run from Qt's loop, and so also inside modal dialogs and menus.
#pragma once

#include <functional>
#include <memory>

#include "platform/windows.h"

class QTimer;

namespace qmx2::platform::qt {

class MessagePump {
public:
    // Make it on the GUI thread, which registers the windows, with a QApplication alive.
    // `finished` is asked after each pass; when it holds the Qt loop is ended with exit_code().
    // While `hold` holds, the messages wait in their queue (a sender keeps waiting) and the pump
    // looks again every kHoldRetryMs.
    MessagePump(WindowSystem& windows, std::function<bool()> finished, std::function<bool()> hold = {});
    ~MessagePump();
    MessagePump(const MessagePump&) = delete;
    MessagePump& operator=(const MessagePump&) = delete;

    // Runs what is queued now.
    void Pump();

    static constexpr int kHoldRetryMs = 20;

private:
    WindowSystem& windows_;
    std::function<bool()> finished_;
    std::function<bool()> hold_;
    std::unique_ptr<QTimer> retry_;
    bool pumping_ = false;
};

}  // namespace qmx2::platform::qt
