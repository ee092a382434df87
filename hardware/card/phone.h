// The GSM card's phone side as a pure byte stream: bytes from the host go in, the phone's echo,
// prompts, replies and unsolicited result codes come out, each byte stamped with the clock tick
// at which it may leave the phone. The phone knows nothing of UARTs, baud rates or ports; the
// side that carries its bytes (the emulated 16550, the in-process card port, a pseudo-terminal)
// paces them on the line.
//
// Calling contract, for every member: the phone is not thread-safe. One owner serialises all
// calls (the card port and the UART hold their own lock around them). No call blocks, none
// sleeps, none calls back into the owner except the output listener, which runs inside the call
// that queued the output and must not call the phone again.
//
// Time: the phone reads its clock's TickMs() when bytes arrive, to stamp its output (answer
// delays, a stalled card) and to judge the "+++" guard time in a data call. Nothing happens
// between calls: a reply whose answer delay has not passed simply has a later tick.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "hardware/card/scenario.h"

namespace qmx2::platform {
class Clock;
}

namespace qmx2::hardware::card {

class PhoneEngine;

// A short message that the host sent with AT+CMGS: what left the card.
struct SentMessage {
    std::string number;
    int number_type = 129;
    std::string text;  // as received, line breaks as the host sent them
    int reference = 0;  // the message reference the card answered with
    uint64_t tick_ms = 0;
};

class Phone {
public:
    Phone(platform::Clock& clock, CardScenario scenario);
    ~Phone();
    Phone(const Phone&) = delete;
    Phone& operator=(const Phone&) = delete;

    // Host to card: bytes as they arrive from the line. They are handled at once; what the
    // phone answers is queued with the tick at which it may leave.
    void Receive(std::span<const uint8_t> bytes);

    // Card to host: the tick (clock milliseconds) at which the next queued byte may leave, or
    // nothing when no byte is queued. Ticks of queued bytes never decrease.
    std::optional<uint64_t> NextByteTick() const;
    // Moves to `out` the queued bytes whose tick is at most now_ms, in order; returns the count.
    size_t Transmit(std::span<uint8_t> out, uint64_t now_ms);
    // Bytes queued, whatever their tick.
    size_t QueuedBytes() const;
    // Drops every queued byte (the host purged, the card lost power).
    void DropOutput();

    // Called (inside Receive or a live operation) whenever bytes were queued.
    void SetOutputListener(std::function<void()> listener);

    // Power. Switching off drops the queued output and everything the SIM was told since power
    // on (entered codes, selected memories, modes); the SIM's content stays. Switching on starts
    // the slow power-up of the scenario again.
    void SetPowered(bool on);
    bool powered() const;

    // Live operations (the control interface and tests). Each returns false when it could not
    // be done (no free slot, unknown operator) and queues what a real phone would say.
    bool DeliverMessage(const std::string& number, const std::string& text);
    void SetSignal(int rssi);
    bool SetOperator(const std::string& code);  // register with an operator in reach
    int FillMemory();                           // fills every free message slot; returns how many
    void RemoteHangUp();                        // the other end of a data call hangs up

    // What tests look at.
    const std::vector<SentMessage>& sent_messages() const;
    const SimState& sim() const;
    SimState& sim();
    const CardScenario& scenario() const;
    // Command lines handled since power on (the "AT"s a slow power-up ignores not counted).
    uint64_t commands_handled() const;

private:
    std::unique_ptr<PhoneEngine> engine_;
};

}  // namespace qmx2::hardware::card
