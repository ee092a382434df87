// The card's serial line seen from the host: bytes leave the phone one after another, each
// taking 10 bit times (start, 8 data, stop) at the line's baud rate, and never before the tick
// the phone stamped on it. Baud 0 means an unlimited line. Times are in microseconds of the
// clock's tick count, so that a 19200 bit/s byte (520.8 us) adds up exactly over a long reply.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

#include "hardware/card/phone.h"

namespace qmx2::hardware::card {

class LinePacer {
public:
    void SetBaud(uint32_t baud) { baud_ = baud; }
    uint32_t baud() const { return baud_; }

    // When the next byte of `phone` will have arrived completely, or nothing when none is queued.
    std::optional<uint64_t> NextArrivalUs(const Phone& phone) const;
    // Moves the bytes that have arrived by now_us into `out`; returns the count.
    size_t Take(Phone& phone, uint64_t now_us, std::span<uint8_t> out);
    // Books the host-to-card line for `count` bytes written at now_us; returns when the first
    // of them starts (ns). Byte i has fully reached the card at start + (i + 1) * ByteNs().
    uint64_t ReserveSend(uint64_t now_us, size_t count);
    // Time for one byte in nanoseconds; 0 on an unlimited line.
    uint64_t ByteNs() const { return baud_ ? 10'000'000'000ull / baud_ : 0; }
    // Forgets the line's history (after a purge or a power cycle).
    void Reset() { rx_free_ns_ = tx_free_ns_ = 0; }

private:
    uint32_t baud_ = 0;
    uint64_t rx_free_ns_ = 0;  // when the card-to-host line is free again
    uint64_t tx_free_ns_ = 0;  // when the host-to-card line is free again
};

}  // namespace qmx2::hardware::card
