// Window messages of one handheld: windows found by class and title, messages sent (waiting for
// the answer) and posted (not waiting) between threads and between programs, and the device
// manager's device-change broadcast.
//
// A window belongs to the thread that registered it; its procedure runs on that thread only,
// from the thread's message loop (RunMessageLoop, GetMessage, PumpMessages) or while that thread
// waits inside SendMessage, which handles messages sent to the waiting thread's own windows so
// that the receiver may send back before it answers (the commander answers the manager's 8025 by
// sending WM_DESTROY to the manager, which is still inside its send).
//
// Two modes with the same calls: OpenWindowSystem(root) lets every program of the handheld reach
// every window through Unix sockets under <root>/run/; MakeLocalWindowSystem() keeps all windows
// in the calling process, for tests that run several programs' logic in one process. Programs
// that talk through the sockets run on the real clock: a virtual clock cannot see a frame that
// is on its way between programs and may jump past it.
//
// wParam and lParam are plain values: no pointer crosses a program. The one exception is
// WM_DEVICECHANGE from BroadcastDeviceChange, whose lParam points to a DEV_BROADCAST_PORT that
// is valid in the receiving program for the duration of the call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/clock.h"
#include "platform/comm_types.h"
#include "platform/function_ref.h"
#include "platform/text.h"

namespace qmx2::platform {

using HWND = uint64_t;  // 0 is no window
using WPARAM = uint64_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;

inline constexpr uint32_t WM_DESTROY = 0x0002;
inline constexpr uint32_t WM_ACTIVATE = 0x0006;
inline constexpr uint32_t WM_CLOSE = 0x0010;
inline constexpr uint32_t WM_QUIT = 0x0012;
inline constexpr uint32_t WM_COMMAND = 0x0111;
inline constexpr uint32_t WM_TIMER = 0x0113;
inline constexpr uint32_t WM_DEVICECHANGE = 0x0219;
inline constexpr uint32_t WM_USER = 0x0400;


inline constexpr uint32_t DBT_DEVTYP_PORT = 3;

// What WM_DEVICECHANGE's lParam points to: the device name of the port that came or went
// ("COM5:"), zero-terminated. wParam is the event (DBT_DEVICEARRIVAL, DBT_DEVICEREMOVECOMPLETE).
inline constexpr size_t kDeviceNameUnits = 64;
struct DEV_BROADCAST_PORT {
    uint32_t dbcp_size;
    uint32_t dbcp_devicetype;  // DBT_DEVTYP_PORT
    uint32_t dbcp_reserved;
    char16_t dbcp_name[kDeviceNameUnits];
};
static_assert(sizeof(DEV_BROADCAST_PORT) == 140);
static_assert(offsetof(DEV_BROADCAST_PORT, dbcp_devicetype) == 4);
static_assert(offsetof(DEV_BROADCAST_PORT, dbcp_name) == 12);

// The window procedure. It runs on the window's thread; it may send, post and register windows.
using WindowProc = std::function<LRESULT(HWND hwnd, uint32_t msg, WPARAM wparam, LPARAM lparam)>;

struct MSG {
    HWND hwnd = 0;
    uint32_t message = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
};

// Destroy a WindowSystem only after the threads that run its windows have ended.
class WindowSystem {
public:
    struct Impl;
    explicit WindowSystem(std::unique_ptr<Impl> impl);
    ~WindowSystem();
    WindowSystem(const WindowSystem&) = delete;
    WindowSystem& operator=(const WindowSystem&) = delete;

    // A window of the calling thread. Returns 0 with the last error set on failure (empty class,
    // the run folder not writable).
    HWND RegisterWindow(WideView window_class, WideView title, WindowProc proc);
    // Removes a window of the calling thread; its procedure is not called again. Messages still
    // queued for it are dropped, senders waiting for it get 0 with ERROR_INVALID_WINDOW_HANDLE.
    bool DestroyWindow(HWND hwnd);
    bool IsWindow(HWND hwnd);

    // The first live window of the class (and title, when given) on the handheld, or 0; an empty
    // class matches windows of every class, as a lookup by title alone. Entries
    // of windows whose program has died are removed on the way.
    HWND FindWindow(WideView window_class, std::optional<WideView> title = std::nullopt);

    // Waits for the procedure's result; meanwhile runs messages sent to the calling thread's own
    // windows. An unknown or dead window gives 0 at once with ERROR_INVALID_WINDOW_HANDLE; a
    // receiver that dies during the call gives 0 with the same error; a program too stalled to
    // take the connection gives 0 with ERROR_TIMEOUT.
    LRESULT SendMessage(HWND hwnd, uint32_t msg, WPARAM wparam, LPARAM lparam);
    // As SendMessage, but gives up after timeout_ms (ERROR_TIMEOUT). Returns false on failure;
    // *result is set on success only.
    bool SendMessageTimeout(HWND hwnd, uint32_t msg, WPARAM wparam, LPARAM lparam,
                            uint32_t timeout_ms, LRESULT* result);
    // Queues the message for the window's thread and returns; false for an unknown window.
    bool PostMessage(HWND hwnd, uint32_t msg, WPARAM wparam, LPARAM lparam);

    // Sends WM_DEVICECHANGE (wParam = event, lParam -> DEV_BROADCAST_PORT) to every window of
    // the handheld, at most timeout_ms for each program, all programs at once. Returns how many
    // windows answered; -1 with ERROR_INVALID_PARAMETER for a name that does not fit.
    int BroadcastDeviceChange(uint32_t event, WideView device_name, uint32_t timeout_ms = 5000);

    // The calling thread's message loop. GetMessage waits for a posted message (running sent
    // ones as they come) and returns false once the quit message is taken.
    bool GetMessage(MSG* msg);
    LRESULT DispatchMessage(const MSG& msg);
    // Runs the loop until the quit message; returns its exit code.
    int RunMessageLoop();
    // Runs messages until done() holds or timeout_ms passes; returns done(). A quit message
    // stops it and stays queued for RunMessageLoop. done() is also checked under the clock's
    // lock, so it must only read state and never block.
    bool PumpMessages(FunctionRef<bool()> done, uint32_t timeout_ms = kInfinite);
    void PostQuitMessage(int exit_code);

    // Called from any thread whenever a message is queued for the calling thread, so that a
    // foreign event loop (the Qt GUI thread) can soon run PumpMessages([] { return false; }, 0),
    // which runs what is queued and returns.
    void SetWakeHook(std::function<void()> hook);

    Clock& clock();

private:
    std::unique_ptr<Impl> impl_;
};

// Windows of every program of the handheld at root, reached through <root>/run/. Returns null
// with *error set when the run folder or the program's socket cannot be made.
std::unique_ptr<WindowSystem> OpenWindowSystem(Clock& clock, const std::string& root,
                                               uint32_t* error = nullptr);
// Windows of this process only.
std::unique_ptr<WindowSystem> MakeLocalWindowSystem(Clock& clock);

}  // namespace qmx2::platform
