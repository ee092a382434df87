// A card in the device host: what serves its port (a StreamDriver) and how it comes and goes.
// `--card tty:/dev/ttyUSB0` and `--card tcp:HOST:PORT` give always-powered cards backed by a
// software serial port; the emulated PC Card with the real driver behind it plugs in here as one
// more kind (MakeCardBackend's "sim" branch).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/clock.h"
#include "platform/stream_driver.h"

namespace qmx2::hardware::card {
class ControlTarget;
}

namespace qmx2::devices {

// How the card shows up in "Drivers\Active".
struct CardIdentity {
    std::u16string pnp_id;
    std::u16string driver_key;
    uint16_t socket = 0;  // socket number in the low byte, function in the high byte
};

class CardBackend {
public:
    virtual ~CardBackend() = default;
    // Brings the card in: opens its line, loads its driver. False with *error on failure.
    virtual bool Insert(std::string* error) = 0;
    // Takes it out again; every open context is closed first. Safe to call twice.
    virtual void Remove() = 0;
    // The driver serving the port while the card is in.
    virtual platform::StreamDriver* Driver() = 0;
    virtual CardIdentity Identity() const = 0;
    // Waits up to timeout_ms for the card to go away by itself (a tty unplugged, the TCP peer
    // gone); true if it did.
    virtual bool WaitGone(uint32_t timeout_ms) = 0;
    // What the person sees in logs: "tty /dev/ttyUSB0".
    virtual std::string Describe() const = 0;
    // The live control of an emulated card (hardware/card/control.h); null for a real line.
    virtual hardware::card::ControlTarget* LiveControl() { return nullptr; }
};

// The identity every card of this system registers with.
CardIdentity PellionIdentity();

// Builds the backend for a --card argument ("tty:PATH", "tcp:HOST:PORT"). nullptr with *error
// for an argument it does not understand.
std::unique_ptr<CardBackend> MakeCardBackend(platform::Clock& clock,
                                             const std::string& card_argument,
                                             std::string* error);

}  // namespace qmx2::devices
