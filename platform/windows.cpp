// WindowSystem: the calls programs make, routed to this program's windows (MessageCore) or to
// other programs' windows (SocketTransport).
#include "platform/windows.h"

#include <mutex>
#include <random>
#include <set>
#include <thread>
#include <vector>

#include "platform/comm_types.h"
#include "platform/last_error.h"
#include "platform/windows_core.h"
#include "platform/windows_socket.h"

namespace qmx2::platform {

using windows_detail::MessageCore;
using windows_detail::SentMessage;
using windows_detail::SocketTransport;

namespace {

// Runs at the end of a thread that owned windows, like the handheld destroying a thread's
// windows when it ends, so that nobody waits for a loop that will never run again.
class ThreadExitHooks {
public:
    ~ThreadExitHooks() {
        for (auto& hook : hooks) hook();
    }
    std::vector<std::function<void()>> hooks;
};
thread_local ThreadExitHooks tl_exit_hooks;

}  // namespace

struct WindowSystem::Impl {
    // What the exit hooks hold: it outlives the Impl and says whether the Impl is still there.
    struct ExitLink {
        std::mutex mu;
        Impl* impl = nullptr;
    };

    explicit Impl(Clock& c) : clock(c), core(c) { exit_link->impl = this; }
    ~Impl() {
        std::lock_guard lk(exit_link->mu);
        exit_link->impl = nullptr;
    }

    void HookThreadExit() {
        const auto me = std::this_thread::get_id();
        {
            std::lock_guard lk(hook_mu);
            if (!hooked.insert(me).second) return;
        }
        tl_exit_hooks.hooks.push_back([link = exit_link, me] {
            std::lock_guard lk(link->mu);
            if (link->impl) link->impl->OnThreadExit(me);
        });
    }

    void OnThreadExit(std::thread::id id) {
        {
            std::lock_guard lk(hook_mu);
            hooked.erase(id);
        }
        for (HWND hwnd : core.ThreadEnded(id))
            if (transport) transport->Unpublish(hwnd);
    }

    // Random, so that HWNDs of programs started at different times never meet; positive, so
    // that one fits an LPARAM unchanged.
    HWND NewHwnd() {
        std::lock_guard lk(random_mu);
        HWND h = 0;
        while (h == 0) h = random() & 0x7FFFFFFFFFFFFFFFull;
        return h;
    }

    Clock& clock;
    MessageCore core;
    std::unique_ptr<SocketTransport> transport;  // null: windows of this process only
    std::mutex random_mu;
    std::mt19937_64 random{std::random_device{}()};
    std::shared_ptr<ExitLink> exit_link = std::make_shared<ExitLink>();
    std::mutex hook_mu;
    std::set<std::thread::id> hooked;  // threads whose exit hook is in place
};

WindowSystem::WindowSystem(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

WindowSystem::~WindowSystem() {
    if (impl_->transport) {
        for (HWND hwnd : impl_->core.AllWindows()) impl_->transport->Unpublish(hwnd);
    }
}

Clock& WindowSystem::clock() { return impl_->clock; }

HWND WindowSystem::RegisterWindow(WideView window_class, WideView title, WindowProc proc) {
    if (window_class.empty() || window_class.size() > wire::kMaxEntryTextUnits ||
        title.size() > wire::kMaxEntryTextUnits || !proc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    for (int attempt = 0; attempt < 8; ++attempt) {
        const HWND hwnd = impl_->NewHwnd();
        if (!impl_->core.AddWindow(hwnd, window_class, title, proc)) continue;
        impl_->HookThreadExit();
        if (!impl_->transport) return hwnd;
        const uint32_t error = impl_->transport->Publish(hwnd, window_class, title);
        if (error == 0) return hwnd;
        impl_->core.RemoveWindow(hwnd);
        if (error != ERROR_ALREADY_EXISTS) {
            SetLastError(error);
            return 0;
        }
    }
    SetLastError(ERROR_ALREADY_EXISTS);
    return 0;
}

bool WindowSystem::DestroyWindow(HWND hwnd) {
    if (!impl_->core.OwnsWindow(hwnd)) {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    // Unpublished first, so no other program finds a window that no longer answers.
    if (impl_->transport) impl_->transport->Unpublish(hwnd);
    return impl_->core.RemoveWindow(hwnd);
}

bool WindowSystem::IsWindow(HWND hwnd) {
    if (hwnd == 0) return false;
    if (impl_->core.HasWindow(hwnd)) return true;
    return impl_->transport && impl_->transport->IsRemoteAlive(hwnd);
}

HWND WindowSystem::FindWindow(WideView window_class, std::optional<WideView> title) {
    const WideString wanted_title = title ? WideString(*title) : WideString();
    const WideString* t = title ? &wanted_title : nullptr;
    if (impl_->transport) return impl_->transport->Find(window_class, t);
    return impl_->core.FindLocal(window_class, t);
}

LRESULT WindowSystem::SendMessage(HWND hwnd, uint32_t msg, WPARAM wparam, LPARAM lparam) {
    LRESULT result = 0;
    return SendMessageTimeout(hwnd, msg, wparam, lparam, kInfinite, &result) ? result : 0;
}

bool WindowSystem::SendMessageTimeout(HWND hwnd, uint32_t msg, WPARAM wparam, LPARAM lparam,
                                      uint32_t timeout_ms, LRESULT* result) {
    std::shared_ptr<SentMessage> sm;
    if (hwnd != 0 && impl_->core.HasWindow(hwnd)) {
        sm = std::make_shared<SentMessage>();
        sm->hwnd = hwnd;
        sm->message = msg;
        sm->wparam = wparam;
        sm->lparam = lparam;
        impl_->core.Deliver(sm);
    } else if (hwnd != 0 && impl_->transport) {
        sm = impl_->transport->StartSend(hwnd, msg, wparam, lparam, std::nullopt);
    } else {
        SetLastError(ERROR_INVALID_WINDOW_HANDLE);
        return false;
    }
    if (!impl_->core.WaitForReplies({sm}, timeout_ms)) {
        if (impl_->transport) impl_->transport->Cancel(sm);
        SetLastError(ERROR_TIMEOUT);
        return false;
    }
    // done was seen under the clock's lock, so the answer written before it is visible here.
    if (sm->error != 0) {
        SetLastError(sm->error);
        return false;
    }
    if (result) *result = sm->result;
    return true;
}

bool WindowSystem::PostMessage(HWND hwnd, uint32_t msg, WPARAM wparam, LPARAM lparam) {
    if (hwnd != 0 && impl_->core.Post(MSG{hwnd, msg, wparam, lparam})) return true;
    if (hwnd != 0 && impl_->transport) {
        if (msg == WM_DEVICECHANGE) {
            SetLastError(ERROR_INVALID_PARAMETER);  // its lParam would be our pointer over there
            return false;
        }
        if (impl_->transport->Post(hwnd, msg, wparam, lparam)) return true;
    }
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return false;
}

int WindowSystem::BroadcastDeviceChange(uint32_t event, WideView device_name,
                                        uint32_t timeout_ms) {
    if (!windows_detail::MakeDeviceBroadcast(device_name)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return -1;
    }
    std::vector<std::shared_ptr<SentMessage>> pending;
    if (impl_->transport) {
        for (HWND hwnd : impl_->transport->RemoteWindows()) {
            pending.push_back(impl_->transport->StartSend(hwnd, WM_DEVICECHANGE, event, 0,
                                                          WideString(device_name)));
        }
    }
    // Own windows last: those of the calling thread run right here, and the other programs
    // should not wait for them.
    for (HWND hwnd : impl_->core.AllWindows()) {
        auto sm = std::make_shared<SentMessage>();
        sm->hwnd = hwnd;
        sm->message = WM_DEVICECHANGE;
        sm->wparam = event;
        sm->device = windows_detail::MakeDeviceBroadcast(device_name);
        pending.push_back(sm);
        impl_->core.Deliver(sm);
    }
    if (!impl_->core.WaitForReplies(pending, timeout_ms) && impl_->transport) {
        for (const auto& sm : pending) impl_->transport->Cancel(sm);
    }
    int answered = 0;
    impl_->clock.Update([&] {
        for (const auto& sm : pending) answered += sm->done && sm->error == 0;
    });
    return answered;
}

bool WindowSystem::GetMessage(MSG* msg) { return impl_->core.GetMessage(msg); }

LRESULT WindowSystem::DispatchMessage(const MSG& msg) { return impl_->core.Dispatch(msg); }

int WindowSystem::RunMessageLoop() {
    MSG msg;
    while (GetMessage(&msg)) DispatchMessage(msg);
    return static_cast<int>(msg.wParam);
}

bool WindowSystem::PumpMessages(FunctionRef<bool()> done, uint32_t timeout_ms) {
    return impl_->core.Pump(done, timeout_ms);
}

void WindowSystem::PostQuitMessage(int exit_code) { impl_->core.PostQuit(exit_code); }

void WindowSystem::SetWakeHook(std::function<void()> hook) {
    impl_->core.SetWakeHook(std::move(hook));
}

std::unique_ptr<WindowSystem> OpenWindowSystem(Clock& clock, const std::string& root,
                                               uint32_t* error) {
    auto impl = std::make_unique<WindowSystem::Impl>(clock);
    impl->transport = SocketTransport::Open(clock, impl->core, root, error);
    if (!impl->transport) return nullptr;
    return std::make_unique<WindowSystem>(std::move(impl));
}

std::unique_ptr<WindowSystem> MakeLocalWindowSystem(Clock& clock) {
    return std::make_unique<WindowSystem>(std::make_unique<WindowSystem::Impl>(clock));
}

}  // namespace qmx2::platform
