// The emulated GSM PC Card as its socket sees it: attribute memory with the tuples and the
// configuration option register, and an I/O space that reaches the card's 16550 once the card
// is configured. The phone behind the UART is a LinePartner that sees bytes only.
//
// Thread-safe: one lock serialises register accesses, the servicing of the line and the
// partner. Time is the platform clock's tick; the UART settles everything up to the end of
// the current millisecond when it is touched.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "hardware/pccard/cis.h"
#include "hardware/uart/uart16550.h"

namespace qmx2::hardware {

// The far side of the card's UART: the phone, an echo, a test script.
class LinePartner {
public:
    virtual ~LinePartner() = default;
    virtual void Receive(const uint8_t* bytes, size_t count) = 0;
    // When the next byte may leave the partner (clock ms), if one is queued.
    virtual std::optional<uint64_t> NextByteTick() = 0;
    virtual size_t Transmit(uint8_t* out, size_t capacity, uint64_t now_ms) = 0;
    virtual void SetPowered(bool /*on*/) {}
};

struct PcCardScenario {
    CardIdentity identity;
    std::vector<ConfigTableEntry> config_table = DefaultConfigTable();
    bool scratch_pad_broken = false;
    bool partner_honours_rts = true;
    // The UART stops receiving while a receive interrupt is pending even while the interrupt
    // routine runs, as if it always read the FIFO in time. Off, a slow routine overruns as on
    // a real chip.
    bool pause_receive_while_interrupt_pending = false;
};

// Reads the optional "pc_card" object of a scenario file; missing fields keep their defaults.
// Returns false with *error set on malformed input.
bool ParsePcCardScenario(const std::string& json_text, PcCardScenario* scenario, std::string* error);

class PcCard {
public:
    PcCard(PcCardScenario scenario, LinePartner* partner);
    ~PcCard();
    PcCard(const PcCard&) = delete;
    PcCard& operator=(const PcCard&) = delete;

    const std::vector<uint8_t>& cis() const { return cis_; }
    const PcCardScenario& scenario() const { return scenario_; }

    // Configuration registers in attribute memory; offset 0 is the option register.
    void WriteConfigRegister(uint32_t offset, uint8_t value);
    uint8_t ReadConfigRegister(uint32_t offset);
    void ResetFunction();
    void SetPowered(bool on);

    // I/O space of the configured function; false when the card does not answer.
    bool IoRead(uint32_t offset, uint64_t tick_ms, uint8_t* value);
    bool IoWrite(uint32_t offset, uint8_t value, uint64_t tick_ms);

    // The socket's servicing: settle the line up to the end of tick_ms.
    void Service(uint64_t tick_ms);
    bool InterruptLine();
    // The tick at which something next happens on the line (UINT64_MAX: nothing).
    uint64_t NextEventTick();
    void SetInterruptServiced(bool on);
    // The interrupt routine runs (see Uart16550::SetInterruptServiced).
    void SetRoutineRunning(bool on, uint64_t tick_ms);

    // The card leaves the socket: nothing answers any more.
    void Pull();
    bool present();

    // For tests and the control interface: the UART under the card's lock.
    template <typename F>
    auto WithUart(F&& f) {
        std::lock_guard lk(mu_);
        return f(uart_);
    }

private:
    class UartSide;
    bool Answers() const { return present_ && powered_ && (option_ & 0x3F) != 0; }
    void SettleLocked(uint64_t tick_ms);

    const PcCardScenario scenario_;
    const std::vector<uint8_t> cis_;
    std::mutex mu_;
    Uart16550 uart_;
    std::unique_ptr<UartSide> uart_side_;
    LinePartner* partner_;
    uint8_t option_ = 0;
    uint8_t status_ = 0;
    bool powered_ = false;
    bool present_ = true;
};

}  // namespace qmx2::hardware
