#include "hardware/dmauart/bus_port_services.h"

#include <algorithm>

namespace qmx2::hardware {

bool BusPortServices::Bind(uint32_t id, platform::Event* event) {
    std::lock_guard lk(mu_);
    for (int i = 0; i < dmauart::kPortCount; ++i) {
        if (dmauart::kPorts[i].interrupt_id != id) continue;
        events_[i] = event;
        return true;
    }
    return false;
}

bool BusPortServices::InterruptInitialize(uint32_t id, platform::Event* event) {
    if (!event || !Bind(id, event)) return false;
    std::lock_guard lk(mu_);
    if (!watcher_) {
        watcher_ = std::make_unique<platform::Thread>();
        if (!watcher_->Start(clock_, [this] { Watch(); })) {
            watcher_.reset();
            return false;
        }
    }
    return true;
}

// The lines are looked at once a millisecond while anything is under way on them; a line still
// up after its routine has run sets the event again a millisecond later, so a routine that leaves
// work undone gets another turn without spinning. With both lines quiet the watch looks every
// kIdleWatchMs only (a far side that starts to send, or a modem line that changes, is seen that
// much later; the ring holds far more than that), which keeps an idle host from waking a thousand
// times a second.
void BusPortServices::Watch() {
    constexpr uint64_t kIdleWatchMs = 10;
    uint32_t wait_ms = 1;
    for (;;) {
        bool quit = false;
        clock_.WaitFor([&] { return stop_; }, wait_ms);
        clock_.Update([&] { quit = stop_; });
        if (quit) return;
        bool up = false;
        for (int i = 0; i < dmauart::kPortCount; ++i) {
            if (!bus_.InterruptLine(i)) continue;
            up = true;
            std::lock_guard lk(mu_);
            if (events_[i]) events_[i]->Set();
        }
        const uint64_t next = bus_.NextEventTick(), now = clock_.TickMs();
        wait_ms = static_cast<uint32_t>(up || next <= now ? 1 : std::min(next - now, kIdleWatchMs));
    }
}

void BusPortServices::StopInterrupts() {
    std::unique_ptr<platform::Thread> watcher;
    {
        std::lock_guard lk(mu_);
        watcher = std::move(watcher_);
    }
    if (!watcher) return;
    clock_.Update([&] { stop_ = true; });
    watcher->Join();
}

void BusPortServices::RaiseInterruptEvents(const uint32_t* ids, uint32_t count) {
    for (uint32_t n = 0; n < count; ++n) {
        if (raised) raised(ids[n]);
        std::lock_guard lk(mu_);
        for (int i = 0; i < dmauart::kPortCount; ++i)
            if (dmauart::kPorts[i].interrupt_id == ids[n] && events_[i]) events_[i]->Set();
    }
}

void BusPortServices::DebugOutput(const char* line) {
    std::lock_guard lk(mu_);
    debug_lines_.emplace_back(line);
    if (debug) debug(line);
}

std::vector<std::string> BusPortServices::DebugLines() {
    std::lock_guard lk(mu_);
    return debug_lines_;
}

}  // namespace qmx2::hardware
