// The emulated card as a serial port in a handheld's device namespace (register it as "COM3:"),
// with the handheld's port semantics: one open with read or write access at a time (a second
// one, or one while the card is powered down, fails with ERROR_INVALID_ACCESS), opens without
// access for the power and version requests, COMMTIMEOUTS read rules, line settings whose baud
// rate paces the bytes on the port's clock (10 bits per byte), the event mask and its wait,
// purge, and the card-power requests. Every test that needs a card uses this on a virtual clock.
//
// Threads: any number of callers; one lock guards the phone and the port's state and is never
// held while a caller waits on the clock. Live operations (control interface, tests) go through
// WithPhone or the members below and wake blocked readers.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <atomic>

#include "hardware/card/control.h"
#include "hardware/card/line_pacer.h"
#include "hardware/card/phone.h"
#include "platform/comm_types.h"
#include "platform/stream_driver.h"

namespace qmx2::platform {
class Clock;
}

namespace qmx2::hardware::card {

struct CardPortOptions {
    bool paced = true;            // false: bytes move at once whatever the baud rate
    bool powered_at_start = true;
    size_t receive_buffer = 4096;  // bytes the port holds before it reports an overrun
};

class CardPort : public platform::StreamDriver, public ControlTarget {
public:
    CardPort(platform::Clock& clock, CardScenario scenario, CardPortOptions options = {});
    ~CardPort() override;

    uintptr_t Open(uint32_t access, uint32_t share) override;
    bool Close(uintptr_t open_context) override;
    int32_t Read(uintptr_t open_context, void* buffer, uint32_t length) override;
    int32_t Write(uintptr_t open_context, const void* buffer, uint32_t length) override;
    bool IoControl(uintptr_t open_context, uint32_t code, const void* in, uint32_t in_length,
                   void* out, uint32_t out_length, uint32_t* returned) override;

    // Runs fn(phone) under the port's lock, then wakes every waiter so that new output is seen.
    template <class F>
    auto WithPhone(F&& fn) {
        struct Wake {
            CardPort* port;
            ~Wake() { port->Wake(); }
        } wake{this};
        std::lock_guard lk(mu_);
        return fn(phone_);
    }

    void Locked(const std::function<void(Phone&)>& fn) override { WithPhone(fn); }
    void SetPowered(bool on) override;
    bool powered() override;
    // The card leaves the slot: every open fails and every handle stops working until Insert.
    void Pull() override;
    void Insert() override;
    bool inserted() override;
    // Called (outside the port's lock) after Pull, so the device host can broadcast removal.
    void SetRemovalListener(std::function<void()> listener);

private:
    struct Context {
        uint32_t access = 0;
        uint32_t share = 0;
        uint32_t mask = 0;
        uint32_t fired = 0;
        uint64_t mask_generation = 0;  // a mask change releases a pending wait with no events
        bool read_aborted = false;
        bool write_aborted = false;
        int users = 0;  // callers inside the port with this handle; a close waits for none
        bool closed = false;
    };
    Context* Find(uintptr_t handle);
    void Wake();
    void Pump(uint64_t now_us);
    uint64_t NowUs();
    uint64_t NextArrivalMs();
    bool ControlLocked(Context& c, uint32_t code, const void* in, uint32_t in_length, void* out,
                       uint32_t out_length, uint32_t* returned);
    bool WaitOnMask(uintptr_t handle, uint32_t* events);
    void Fire(uint32_t events);
    void ResetLineSettings();

    platform::Clock& clock_;
    const CardPortOptions options_;
    std::mutex mu_;
    Phone phone_;
    LinePacer pacer_;
    std::deque<uint8_t> received_;
    uint32_t errors_ = 0;
    platform::DCB dcb_{};
    platform::COMMTIMEOUTS timeouts_{};
    std::map<uintptr_t, std::unique_ptr<Context>> contexts_;
    uintptr_t next_handle_ = 1;
    uintptr_t access_holder_ = 0;
    bool powered_ = true;
    bool inserted_ = true;
    std::function<void()> removal_listener_;
    // Bumped on every change that a blocked caller must look at; read by clock predicates.
    std::atomic<uint64_t> generation_{0};
};

}  // namespace qmx2::hardware::card
