// The socket's servicing thread.
#include "devices/pcmcia/socket.h"

#include "hardware/pccard/pc_card.h"

namespace qmx2::pcmcia {
namespace {
// A routine that leaves the interrupt raised is called again at most this often per tick.
constexpr int kMaxCallsPerTick = 64;
}  // namespace

Socket::Socket(platform::Clock& clock, std::shared_ptr<hardware::PcCard> card)
    : clock_(clock), card_(std::move(card)) {
    thread_ = std::make_unique<platform::Thread>(clock_, [this] { Run(); });
}

Socket::~Socket() { StopServicing(); }

void Socket::StopServicing() {
    if (!thread_) return;
    clock_.Update([&] { stop_ = true; });
    thread_->Join();
    thread_.reset();
}

void Socket::Wake() {
    clock_.Update([&] { wake_ = true; });
}

void Socket::SetInterruptRoutine(platform::CARD_ISR isr, uintptr_t argument) {
    clock_.Update([&] {
        isr_ = isr;
        argument_ = argument;
        wake_ = true;
    });
    card_->SetInterruptServiced(isr != nullptr);
}

void Socket::ClearInterruptRoutine() {
    card_->SetInterruptServiced(false);
    const auto me = std::this_thread::get_id();
    bool own_thread = false;
    clock_.Update([&] {
        isr_ = nullptr;
        own_thread = servicing_thread_id_ == me;
    });
    if (!own_thread) clock_.WaitFor([&] { return !in_routine_; }, platform::kInfinite);
}

void Socket::Run() {
    clock_.Update([&] { servicing_thread_id_ = std::this_thread::get_id(); });
    int calls_this_tick = 0;
    int zero_waits = 0;
    uint64_t last_tick = UINT64_MAX;
    for (;;) {
        const uint64_t now = clock_.TickMs();
        if (now != last_tick) calls_this_tick = 0;
        last_tick = now;
        card_->Service(now);
        const bool raised = card_->InterruptLine();
        platform::CARD_ISR isr = nullptr;
        uintptr_t argument = 0;
        bool quit = false;
        bool has_isr = false;
        clock_.Update([&] {
            quit = stop_;
            has_isr = isr_ != nullptr;
            wake_ = false;
            if (raised && isr_ && !stop_ && calls_this_tick < kMaxCallsPerTick) {
                isr = isr_;
                argument = argument_;
                in_routine_ = true;
            }
        });
        if (quit) return;
        if (isr) {
            ++calls_this_tick;
            card_->SetRoutineRunning(true, now);
            isr(argument);
            card_->SetRoutineRunning(false, now);
            clock_.Update([&] { in_routine_ = false; });
            continue;
        }
        const uint64_t next = card_->NextEventTick();
        uint32_t wait = platform::kInfinite;
        if (next != UINT64_MAX) wait = next <= now ? 0 : static_cast<uint32_t>(next - now);
        // Something due now again and again without progress: let the clock move on.
        zero_waits = wait == 0 ? zero_waits + 1 : 0;
        if (wait == 0 && (zero_waits > 16 || (raised && has_isr))) wait = 1;
        if (wait == 0) continue;
        clock_.WaitFor([&] { return wake_ || stop_; }, wait);
    }
}

}  // namespace qmx2::pcmcia
