// Pacing of the card's line at its baud rate.
#include "hardware/card/line_pacer.h"

#include <algorithm>

namespace qmx2::hardware::card {

std::optional<uint64_t> LinePacer::NextArrivalUs(const Phone& phone) const {
    const auto tick = phone.NextByteTick();
    if (!tick) return std::nullopt;
    const uint64_t start = std::max(*tick * 1'000'000, rx_free_ns_);
    return (start + ByteNs() + 999) / 1000;
}

size_t LinePacer::Take(Phone& phone, uint64_t now_us, std::span<uint8_t> out) {
    size_t n = 0;
    const uint64_t now_ns = now_us * 1000;
    while (n < out.size()) {
        const auto tick = phone.NextByteTick();
        if (!tick) break;
        const uint64_t start = std::max(*tick * 1'000'000, rx_free_ns_);
        const uint64_t arrival = start + ByteNs();
        if (arrival > now_ns) break;
        if (phone.Transmit(out.subspan(n, 1), *tick) != 1) break;
        rx_free_ns_ = arrival;
        ++n;
    }
    return n;
}

uint64_t LinePacer::ReserveSend(uint64_t now_us, size_t count) {
    const uint64_t start = std::max(now_us * 1000, tx_free_ns_);
    tx_free_ns_ = start + ByteNs() * count;
    return start;
}

}  // namespace qmx2::hardware::card
