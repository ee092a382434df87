// The whole driver stack on the emulated card, on a virtual clock: port layer, PC Card UART
// layer, the PC Card services library with its socket thread, the card's 16550 and a partner
// behind it (an echo, or the emulated phone).
#pragma once

#include <deque>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "devices/pcmcia/pcmcia_host.h"
#include "driver/pccard/card_uart.h"
#include "hardware/pccard/pc_card.h"
#include "platform/platform.h"
#include "tests/driver/memory_registry.h"

namespace qmx2::driver::testing {

inline constexpr char16_t kCardActiveKey[] = u"Drivers\\Active\\12";
inline constexpr char16_t kCardDriverKey[] =
    u"Drivers\\PCMCIA\\Orvan_Mobile_Phones-ORVAN_PELLION-4C2D";

// Sends back every byte it gets, at once.
class EchoPartner : public hardware::LinePartner {
public:
    void Receive(const uint8_t* bytes, size_t count) override {
        std::lock_guard lk(mu_);
        received_.append(reinterpret_cast<const char*>(bytes), count);
        if (echo_) out_.insert(out_.end(), bytes, bytes + count);
    }
    std::optional<uint64_t> NextByteTick() override {
        std::lock_guard lk(mu_);
        if (out_.empty()) return std::nullopt;
        return 0;
    }
    size_t Transmit(uint8_t* out, size_t capacity, uint64_t) override {
        std::lock_guard lk(mu_);
        size_t n = 0;
        while (n < capacity && !out_.empty()) {
            out[n++] = out_.front();
            out_.pop_front();
        }
        return n;
    }
    void SetEcho(bool on) {
        std::lock_guard lk(mu_);
        echo_ = on;
    }
    // Output of the partner's own (poke the socket afterwards).
    void Queue(const std::string& bytes) {
        std::lock_guard lk(mu_);
        out_.insert(out_.end(), bytes.begin(), bytes.end());
    }
    std::string received() {
        std::lock_guard lk(mu_);
        return received_;
    }

private:
    std::mutex mu_;
    std::deque<uint8_t> out_;
    std::string received_;
    bool echo_ = true;
};

// A far side that obeys XON and XOFF. It sends at most `per_ms` bytes a millisecond (11 is
// 115200 bit/s) rather than queueing everything at once, so that XOFF stops it in time.
class XonXoffPartner : public hardware::LinePartner {
public:
    explicit XonXoffPartner(size_t per_ms = 11) : per_ms_(per_ms), budget_(per_ms) {}
    void Receive(const uint8_t* bytes, size_t count) override {
        std::lock_guard lk(mu_);
        for (size_t i = 0; i < count; ++i) {
            if (bytes[i] == 0x13) held_ = true;
            if (bytes[i] == 0x11) held_ = false;
            received_.push_back(static_cast<char>(bytes[i]));
        }
    }
    std::optional<uint64_t> NextByteTick() override {
        std::lock_guard lk(mu_);
        if (held_ || sent_ == out_.size()) return std::nullopt;
        return budget_ > 0 ? tick_ : tick_ + 1;
    }
    size_t Transmit(uint8_t* out, size_t capacity, uint64_t now_ms) override {
        std::lock_guard lk(mu_);
        if (now_ms != tick_) {
            tick_ = now_ms;
            budget_ = per_ms_;
        }
        size_t n = 0;
        while (!held_ && n < capacity && budget_ > 0 && sent_ < out_.size()) {
            out[n++] = out_[sent_++];
            --budget_;
        }
        return n;
    }
    void Queue(std::string bytes) {
        std::lock_guard lk(mu_);
        out_ = std::move(bytes);
        sent_ = 0;
    }
    std::string received() {
        std::lock_guard lk(mu_);
        return received_;
    }

private:
    std::mutex mu_;
    std::string out_;
    size_t sent_ = 0;
    std::string received_;
    bool held_ = false;
    const size_t per_ms_;
    uint64_t tick_ = 0;
    size_t budget_;
};

struct CardStackOptions {
    bool autopowerup = true;
    bool no_scratch_pad = false;
    std::optional<uint32_t> reset_delay_ms;
    hardware::PcCardScenario scenario;
    hardware::LinePartner* partner = nullptr;  // null: the stack's echo partner
};

const HardwareObjectTable& CardHardwareTable();

class CardStack {
public:
    explicit CardStack(CardStackOptions options = {});
    ~CardStack();

    PortOpen* Open(uint32_t access) { return PortOpenContext(device, access, 0); }
    PortOpen* OpenReadWrite();
    int32_t Write(PortOpen* o, const std::string& bytes);
    std::string Read(PortOpen* o, uint32_t length);
    bool Control(PortOpen* o, uint32_t code, const void* in = nullptr, uint32_t in_length = 0,
                 void* out = nullptr, uint32_t out_length = 0, uint32_t* returned = nullptr);
    void SetTimeouts(PortOpen* o, uint32_t interval, uint32_t multiplier, uint32_t constant);
    void SetDcb(PortOpen* o, const platform::DCB& dcb);
    platform::DCB Dcb(PortOpen* o);
    CardUart* uart() { return static_cast<CardUart*>(device->hardware_context); }
    // The divisor the chip holds.
    uint16_t ChipDivisor() {
        return card->WithUart([](hardware::Uart16550& u) { return u.divisor(); });
    }
    void Pull() { pcmcia::RemoveCard(0); }

    std::unique_ptr<platform::VirtualClock> clock;
    MemoryRegistry registry;
    platform::Platform platform;
    EchoPartner echo;
    std::shared_ptr<hardware::PcCard> card;
    DriverEnv env;
    PortDevice* device = nullptr;
};

}  // namespace qmx2::driver::testing
