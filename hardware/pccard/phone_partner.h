// The emulated phone as the partner behind the card's UART: bytes the UART sends go to the
// phone; what the phone answers leaves at the tick the phone stamped on it.
#pragma once

#include <functional>
#include <memory>

#include "hardware/card/phone.h"
#include "hardware/pccard/pc_card.h"

namespace qmx2::hardware {

class PhonePartner : public LinePartner {
public:
    explicit PhonePartner(card::Phone& phone) : phone_(phone) {}
    void Receive(const uint8_t* bytes, size_t count) override {
        phone_.Receive(std::span<const uint8_t>(bytes, count));
    }
    std::optional<uint64_t> NextByteTick() override { return phone_.NextByteTick(); }
    size_t Transmit(uint8_t* out, size_t capacity, uint64_t now_ms) override {
        return phone_.Transmit(std::span<uint8_t>(out, capacity), now_ms);
    }
    void SetPowered(bool on) override { phone_.SetPowered(on); }

private:
    card::Phone& phone_;
};

}  // namespace qmx2::hardware
