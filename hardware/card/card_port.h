// The emulated card as a serial port in a handheld's device namespace (register it as "COM3:").
// The port semantics (one open with access at a time, opens without access for the power and
// version requests, time-outs, event masks, purge, status) are the software serial port's; this
// is its line: the phone behind a line whose baud rate paces the bytes on the port's clock
// (10 bits per byte), a power state (opens with access are refused while powered down), and
// card pull and insert. Every test that needs a card uses this on a virtual clock.
//
// Threads: any number of callers; one lock guards the phone, the pacer and the card's state and
// is never held while a caller waits on the clock. Live operations (control interface, tests)
// go through WithPhone or the members below and wake blocked callers.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>

#include "platform/software_serial_port.h"
#include "hardware/card/control.h"
#include "hardware/card/line_pacer.h"
#include "hardware/card/phone.h"
#include "platform/comm_types.h"

namespace qmx2::platform {
class Clock;
}

namespace qmx2::hardware::card {

struct CardPortOptions {
    bool paced = true;            // false: bytes move at once whatever the baud rate
    bool powered_at_start = true;
    size_t receive_buffer = 4096;  // bytes the port holds before it reports an overrun
};

class CardPort : public platform::SoftwareSerialPort, public ControlTarget {
public:
    CardPort(platform::Clock& clock, CardScenario scenario, CardPortOptions options = {});
    ~CardPort() override;

    // Runs fn(phone) under the card's lock, then wakes every waiter so that new output is seen.
    template <class F>
    auto WithPhone(F&& fn) {
        struct Wake {
            CardPort* port;
            ~Wake() { port->LineChanged(); }
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
    // Called (outside the card's lock) after Pull, so the device host can broadcast removal.
    void SetRemovalListener(std::function<void()> listener);

protected:
    int32_t LineTransmit(const uint8_t* data, uint32_t length, uint32_t timeout_ms) override;
    bool LineApply(const platform::DCB& dcb) override;
    uint32_t LineModemStatus() override;
    void LinePoll() override;
    uint64_t LineNextArrivalMs() override;
    bool LinePowered() override;
    bool LinePower(bool on) override;
    bool LineSendImmediate(uint8_t byte) override;
    void LineAbortTransmit() override;
    void LineProperties(platform::COMMPROP* p) override;

private:
    uint64_t NowUs();

    const CardPortOptions options_;
    std::mutex mu_;
    Phone phone_;
    LinePacer pacer_;
    bool powered_ = true;
    bool inserted_ = true;
    bool write_aborted_ = false;
    std::function<void()> removal_listener_;
};

}  // namespace qmx2::hardware::card
