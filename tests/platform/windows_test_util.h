// Test helper: a window on a thread of its own that runs the message loop, as a program's window
// thread does. WM_CLOSE ends the loop.
#pragma once

#include <atomic>
#include <functional>
#include <memory>

#include "platform/sync.h"
#include "platform/windows.h"

namespace qmx2::platform::testing {

class WindowThread {
public:
    WindowThread(WindowSystem& ws, std::u16string window_class, std::u16string title,
                 WindowProc proc)
        : ws_(ws), ready_(ws.clock(), true) {
        thread_.Start(ws.clock(), [this, c = std::move(window_class), t = std::move(title),
                                   p = std::move(proc)]() mutable {
            hwnd_ = ws_.RegisterWindow(
                c, t, [this, p = std::move(p)](HWND h, uint32_t m, WPARAM w, LPARAM l) {
                    if (m == WM_CLOSE) {
                        ws_.PostQuitMessage(0);
                        return LRESULT{0};
                    }
                    return p(h, m, w, l);
                });
            ready_.Set();
            if (hwnd_ != 0) {
                ws_.RunMessageLoop();
                ws_.DestroyWindow(hwnd_);
            }
        });
        ready_.Wait();
    }
    ~WindowThread() { Stop(); }

    HWND hwnd() const { return hwnd_; }
    void Stop() {
        if (hwnd_ != 0) ws_.PostMessage(hwnd_, WM_CLOSE, 0, 0);
        thread_.Join();
    }

private:
    WindowSystem& ws_;
    Event ready_;
    std::atomic<HWND> hwnd_{0};
    Thread thread_;
};

}  // namespace qmx2::platform::testing
