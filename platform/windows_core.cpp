// Window table, per-thread queues and dispatching.
#include "platform/windows_core.h"

#include <algorithm>
#include <optional>

#include "platform/last_error.h"

namespace qmx2::platform::windows_detail {
namespace {

LPARAM EffectiveLparam(const SentMessage& sm) {
    return sm.device ? reinterpret_cast<LPARAM>(sm.device.get()) : sm.lparam;
}

bool HasWork(const ThreadQueue& q) { return !q.sent.empty() || !q.posted.empty() || q.quit; }

// Milliseconds left until deadline (kInfinite stays infinite).
uint32_t Remaining(Clock& clock, uint64_t deadline) {
    if (deadline == UINT64_MAX) return kInfinite;
    const uint64_t now = clock.TickMs();
    return now >= deadline ? 0 : static_cast<uint32_t>(std::min<uint64_t>(deadline - now, kInfinite - 1));
}

uint64_t DeadlineAfter(Clock& clock, uint32_t timeout_ms) {
    return timeout_ms == kInfinite ? UINT64_MAX : clock.TickMs() + timeout_ms;
}

}  // namespace

std::unique_ptr<DEV_BROADCAST_PORT> MakeDeviceBroadcast(WideView name) {
    if (name.size() >= kDeviceNameUnits || name.find(u'\0') != WideView::npos) return nullptr;
    auto b = std::make_unique<DEV_BROADCAST_PORT>();
    *b = DEV_BROADCAST_PORT{};
    b->dbcp_size = sizeof(DEV_BROADCAST_PORT);
    b->dbcp_devicetype = DBT_DEVTYP_PORT;
    std::copy(name.begin(), name.end(), b->dbcp_name);
    return b;
}

std::shared_ptr<ThreadQueue> MessageCore::QueueOfCaller(bool create) {
    const auto me = std::this_thread::get_id();
    std::shared_ptr<ThreadQueue> q;
    clock_.Update([&] {
        auto it = queues_.find(me);
        if (it != queues_.end()) {
            q = it->second;
        } else if (create) {
            q = std::make_shared<ThreadQueue>();
            q->owner = me;
            queues_.emplace(me, q);
        }
    });
    return q;
}

bool MessageCore::AddWindow(HWND hwnd, WideView window_class, WideView title, WindowProc proc) {
    auto q = QueueOfCaller(true);
    bool added = false;
    clock_.Update([&] {
        if (windows_.count(hwnd)) return;
        WindowRecord r;
        r.hwnd = hwnd;
        r.order = next_order_++;
        r.window_class = WideString(window_class);
        r.title = WideString(title);
        r.proc = std::make_shared<WindowProc>(std::move(proc));
        r.queue = q;
        windows_.emplace(hwnd, std::move(r));
        added = true;
    });
    return added;
}

bool MessageCore::RemoveWindow(HWND hwnd) {
    const auto me = std::this_thread::get_id();
    bool removed = false;
    std::vector<std::shared_ptr<SentMessage>> orphans;
    clock_.Update([&] {
        auto it = windows_.find(hwnd);
        if (it == windows_.end() || it->second.queue->owner != me) return;
        ThreadQueue& q = *it->second.queue;
        std::erase_if(q.posted, [&](const MSG& m) { return m.hwnd == hwnd; });
        for (auto& sm : q.sent)
            if (sm->hwnd == hwnd && !sm->abandoned) orphans.push_back(sm);
        std::erase_if(q.sent, [&](const auto& sm) { return sm->hwnd == hwnd; });
        windows_.erase(it);
        removed = true;
    });
    for (auto& sm : orphans) CompleteSent(clock_, sm, 0, ERROR_INVALID_WINDOW_HANDLE);
    return removed;
}

std::vector<HWND> MessageCore::ThreadEnded(std::thread::id id) {
    std::vector<HWND> gone;
    std::vector<std::shared_ptr<SentMessage>> orphans;
    clock_.Update([&] {
        auto qit = queues_.find(id);
        if (qit == queues_.end()) return;
        for (auto it = windows_.begin(); it != windows_.end();) {
            if (it->second.queue != qit->second) {
                ++it;
                continue;
            }
            gone.push_back(it->first);
            it = windows_.erase(it);
        }
        for (auto& sm : qit->second->sent)
            if (!sm->abandoned) orphans.push_back(sm);
        queues_.erase(qit);
    });
    for (auto& sm : orphans) CompleteSent(clock_, sm, 0, ERROR_INVALID_WINDOW_HANDLE);
    return gone;
}

bool MessageCore::HasWindow(HWND hwnd) {
    bool found = false;
    clock_.Update([&] { found = windows_.count(hwnd) != 0; });
    return found;
}

bool MessageCore::OwnsWindow(HWND hwnd) {
    const auto me = std::this_thread::get_id();
    bool owns = false;
    clock_.Update([&] {
        auto it = windows_.find(hwnd);
        owns = it != windows_.end() && it->second.queue->owner == me;
    });
    return owns;
}

HWND MessageCore::FindLocal(WideView window_class, const WideString* title) {
    HWND best = 0;
    uint64_t best_order = UINT64_MAX;
    clock_.Update([&] {
        for (const auto& [hwnd, r] : windows_) {
            if ((!window_class.empty() && r.window_class != window_class) || (title && r.title != *title))
                continue;
            if (r.order < best_order) {
                best = hwnd;
                best_order = r.order;
            }
        }
    });
    return best;
}

std::vector<HWND> MessageCore::AllWindows() {
    std::vector<HWND> all;
    clock_.Update([&] {
        for (const auto& [hwnd, r] : windows_) all.push_back(hwnd);
    });
    return all;
}

void CompleteSent(Clock& clock, const std::shared_ptr<SentMessage>& sm, LRESULT result,
                  uint32_t error) {
    clock.Update([&] {
        sm->result = result;
        sm->error = error;
        sm->done = true;
    });
    if (sm->on_done) sm->on_done(result, error);
}

std::shared_ptr<SentMessage> MessageCore::TakeSent(ThreadQueue& q) {
    while (!q.sent.empty()) {
        auto sm = std::move(q.sent.front());
        q.sent.pop_front();
        if (sm->abandoned) continue;
        sm->taken = true;
        return sm;
    }
    return nullptr;
}

void MessageCore::Deliver(const std::shared_ptr<SentMessage>& sm) {
    const auto me = std::this_thread::get_id();
    std::shared_ptr<WindowProc> direct;
    std::function<void()> hook;
    bool found = false;
    clock_.Update([&] {
        auto it = windows_.find(sm->hwnd);
        if (it == windows_.end()) return;
        found = true;
        if (it->second.queue->owner == me) {
            sm->taken = true;
            direct = it->second.proc;
        } else {
            it->second.queue->sent.push_back(sm);
            hook = it->second.queue->wake_hook;
        }
    });
    if (!found) {
        CompleteSent(clock_, sm, 0, ERROR_INVALID_WINDOW_HANDLE);
    } else if (direct) {
        const LRESULT r = (*direct)(sm->hwnd, sm->message, sm->wparam, EffectiveLparam(*sm));
        CompleteSent(clock_, sm, r, 0);
    } else if (hook) {
        hook();
    }
}

void MessageCore::RunSent(const std::shared_ptr<SentMessage>& sm) {
    std::shared_ptr<WindowProc> proc;
    clock_.Update([&] {
        auto it = windows_.find(sm->hwnd);
        if (it != windows_.end()) proc = it->second.proc;
    });
    if (!proc) {
        CompleteSent(clock_, sm, 0, ERROR_INVALID_WINDOW_HANDLE);
        return;
    }
    const LRESULT r = (*proc)(sm->hwnd, sm->message, sm->wparam, EffectiveLparam(*sm));
    CompleteSent(clock_, sm, r, 0);
}

bool MessageCore::Post(const MSG& msg) {
    bool found = false;
    std::function<void()> hook;
    clock_.Update([&] {
        auto it = windows_.find(msg.hwnd);
        if (it == windows_.end()) return;
        it->second.queue->posted.push_back(msg);
        hook = it->second.queue->wake_hook;
        found = true;
    });
    if (hook) hook();
    return found;
}

bool MessageCore::WaitForReplies(const std::vector<std::shared_ptr<SentMessage>>& pending,
                                 uint32_t timeout_ms) {
    const auto q = QueueOfCaller(false);
    const uint64_t deadline = DeadlineAfter(clock_, timeout_ms);
    for (;;) {
        bool all_done = false;
        const bool woke = clock_.WaitFor(
            [&] {
                all_done = std::all_of(pending.begin(), pending.end(),
                                       [](const auto& sm) { return sm->done; });
                return all_done || (q && !q->sent.empty());
            },
            Remaining(clock_, deadline));
        if (all_done) return true;
        std::shared_ptr<SentMessage> incoming;
        if (q) clock_.Update([&] { incoming = TakeSent(*q); });
        if (incoming) {
            RunSent(incoming);
            continue;
        }
        if (!woke && Remaining(clock_, deadline) == 0) break;
    }
    bool all_done = true;
    clock_.Update([&] {
        for (const auto& sm : pending) {
            if (sm->done) continue;
            all_done = false;
            if (!sm->taken) sm->abandoned = true;
        }
    });
    return all_done;
}

bool MessageCore::GetMessage(MSG* msg) {
    const auto q = QueueOfCaller(true);
    for (;;) {
        clock_.WaitFor([&] { return HasWork(*q); }, kInfinite);
        std::shared_ptr<SentMessage> incoming;
        bool got = false;
        bool quit = false;
        clock_.Update([&] {
            incoming = TakeSent(*q);
            if (incoming) return;
            if (!q->posted.empty()) {
                *msg = q->posted.front();
                q->posted.pop_front();
                got = true;
            } else if (q->quit) {
                q->quit = false;
                *msg = MSG{0, WM_QUIT, static_cast<WPARAM>(q->quit_code), 0};
                quit = true;
            }
        });
        if (incoming) {
            RunSent(incoming);
            continue;
        }
        if (got) return true;
        if (quit) return false;
    }
}

LRESULT MessageCore::Dispatch(const MSG& msg) {
    const auto me = std::this_thread::get_id();
    std::shared_ptr<WindowProc> proc;
    clock_.Update([&] {
        auto it = windows_.find(msg.hwnd);
        if (it != windows_.end() && it->second.queue->owner == me) proc = it->second.proc;
    });
    if (!proc) return 0;
    return (*proc)(msg.hwnd, msg.message, msg.wParam, msg.lParam);
}

bool MessageCore::Pump(FunctionRef<bool()> done, uint32_t timeout_ms) {
    const auto q = QueueOfCaller(true);
    const uint64_t deadline = DeadlineAfter(clock_, timeout_ms);
    for (;;) {
        if (done()) return true;
        const bool woke =
            clock_.WaitFor([&] { return done() || HasWork(*q); }, Remaining(clock_, deadline));
        std::shared_ptr<SentMessage> incoming;
        std::optional<MSG> posted;
        bool quit = false;
        clock_.Update([&] {
            incoming = TakeSent(*q);
            if (incoming) return;
            if (!q->posted.empty()) {
                posted = q->posted.front();
                q->posted.pop_front();
            }
            quit = q->quit;
        });
        if (incoming) {
            RunSent(incoming);
        } else if (posted) {
            Dispatch(*posted);
        } else if (quit || (!woke && Remaining(clock_, deadline) == 0)) {
            return done();
        }
    }
}

void MessageCore::PostQuit(int exit_code) {
    const auto q = QueueOfCaller(true);
    clock_.Update([&] {
        q->quit = true;
        q->quit_code = exit_code;
    });
}

void MessageCore::SetWakeHook(std::function<void()> hook) {
    const auto q = QueueOfCaller(true);
    clock_.Update([&] { q->wake_hook = std::move(hook); });
}

}  // namespace qmx2::platform::windows_detail
