// One emulated PC Card socket: the card in it, the interrupt routine a client requested, and
// the servicing thread that settles the card's line on the platform clock and calls that
// routine whenever the card raises its interrupt.
#pragma once

#include <cstdint>
#include <memory>
#include <thread>

#include "platform/card_services.h"
#include "platform/clock.h"
#include "platform/sync.h"

namespace qmx2::hardware {
class PcCard;
}

namespace qmx2::pcmcia {

class Socket {
public:
    Socket(platform::Clock& clock, std::shared_ptr<hardware::PcCard> card);
    ~Socket();
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;

    hardware::PcCard& card() { return *card_; }
    std::shared_ptr<hardware::PcCard> shared_card() { return card_; }
    platform::Clock& clock() { return clock_; }

    void SetInterruptRoutine(platform::CARD_ISR isr, uintptr_t argument);
    // After it returns the routine is not running and will not be called again (unless it is
    // the routine's own thread that asks).
    void ClearInterruptRoutine();
    // A register access or new output may have changed what is due: look again.
    void Wake();
    void StopServicing();

private:
    void Run();

    platform::Clock& clock_;
    std::shared_ptr<hardware::PcCard> card_;
    // Guarded by the clock's lock.
    bool wake_ = false;
    bool stop_ = false;
    bool in_routine_ = false;
    platform::CARD_ISR isr_ = nullptr;
    uintptr_t argument_ = 0;
    std::thread::id servicing_thread_id_;
    std::unique_ptr<platform::Thread> thread_;
};

}  // namespace qmx2::pcmcia
