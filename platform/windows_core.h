// The in-process half of the window system: the window table, one message queue per thread that
// owns windows, and the dispatching of sent and posted messages. Everything here is guarded by
// the clock's lock (changed in Update, read in WaitFor predicates), so a waiting window thread
// is seen by a virtual clock as blocked.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "platform/clock.h"
#include "platform/windows.h"

namespace qmx2::platform::windows_detail {

// One message that a sender waits for, queued in the receiving thread or in flight to another
// program. The sender keeps it alive while it waits; the fields below the line are guarded by
// the clock.
struct SentMessage {
    HWND hwnd = 0;
    uint32_t message = 0;
    WPARAM wparam = 0;
    LPARAM lparam = 0;
    std::unique_ptr<DEV_BROADCAST_PORT> device;  // lParam points here for WM_DEVICECHANGE
    // Runs once the answer is known, outside the clock's lock: writes the reply to a program
    // that sent this through a socket.
    std::function<void(LRESULT, uint32_t)> on_done;
    // ---
    bool done = false;
    bool taken = false;      // the receiver has started its procedure
    bool abandoned = false;  // the sender gave up before the receiver took it
    LRESULT result = 0;
    uint32_t error = 0;
};

struct ThreadQueue {
    std::thread::id owner;
    std::deque<std::shared_ptr<SentMessage>> sent;
    std::deque<MSG> posted;
    bool quit = false;
    int quit_code = 0;
    std::function<void()> wake_hook;
};

struct WindowRecord {
    HWND hwnd = 0;
    uint64_t order = 0;
    WideString window_class;
    WideString title;
    std::shared_ptr<WindowProc> proc;
    std::shared_ptr<ThreadQueue> queue;
};

// Null for a name that does not fit or holds a zero unit.
std::unique_ptr<DEV_BROADCAST_PORT> MakeDeviceBroadcast(WideView name);

// Records the answer of sm and lets its sender go on; then runs sm->on_done.
void CompleteSent(Clock& clock, const std::shared_ptr<SentMessage>& sm, LRESULT result,
                  uint32_t error);

class MessageCore {
public:
    explicit MessageCore(Clock& clock) : clock_(clock) {}

    Clock& clock() { return clock_; }

    bool AddWindow(HWND hwnd, WideView window_class, WideView title, WindowProc proc);
    bool RemoveWindow(HWND hwnd);  // caller's own windows only
    // A thread that owned windows has ended: its windows go, their waiting senders fail, and
    // its queue is dropped (a later thread with the same id starts afresh). Returns the windows.
    std::vector<HWND> ThreadEnded(std::thread::id id);
    bool HasWindow(HWND hwnd);
    bool OwnsWindow(HWND hwnd);    // the calling thread's window
    HWND FindLocal(WideView window_class, const WideString* title);
    std::vector<HWND> AllWindows();

    // Queues a sent message for its window's thread, or runs it at once when the calling thread
    // owns the window. Fails (done with an error) for an unknown window.
    void Deliver(const std::shared_ptr<SentMessage>& sm);
    bool Post(const MSG& msg);

    // Waits until every message in pending is done, running messages sent to the calling
    // thread's windows meanwhile. Returns false at the deadline; unfinished ones not yet taken
    // by their receiver are then abandoned.
    bool WaitForReplies(const std::vector<std::shared_ptr<SentMessage>>& pending,
                        uint32_t timeout_ms);

    bool GetMessage(MSG* msg);
    LRESULT Dispatch(const MSG& msg);
    bool Pump(FunctionRef<bool()> done, uint32_t timeout_ms);
    void PostQuit(int exit_code);
    void SetWakeHook(std::function<void()> hook);

private:
    std::shared_ptr<ThreadQueue> QueueOfCaller(bool create);
    void RunSent(const std::shared_ptr<SentMessage>& sm);
    // Takes the next sent message for q, or null. Called under the clock's lock.
    static std::shared_ptr<SentMessage> TakeSent(ThreadQueue& q);

    Clock& clock_;
    std::map<HWND, WindowRecord> windows_;
    std::map<std::thread::id, std::shared_ptr<ThreadQueue>> queues_;
    uint64_t next_order_ = 1;
};

}  // namespace qmx2::platform::windows_detail
