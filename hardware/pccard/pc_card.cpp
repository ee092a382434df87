// The PC Card's bus glue around its 16550.
#include "hardware/pccard/pc_card.h"

#include <nlohmann/json.hpp>

namespace qmx2::hardware {
namespace {
constexpr uint64_t kNsPerMs = 1'000'000;
constexpr uint8_t kOptionSoftReset = 0x80;
}  // namespace

class PcCard::UartSide : public SerialPeer {
public:
    explicit UartSide(LinePartner* partner) : partner_(partner) {}
    void OnByteFromUart(uint8_t byte) override {
        if (partner_) partner_->Receive(&byte, 1);
    }

private:
    LinePartner* partner_;
};

PcCard::PcCard(PcCardScenario scenario, LinePartner* partner)
    : scenario_(std::move(scenario)),
      cis_(BuildCis(scenario_.identity, scenario_.config_table)),
      uart_side_(std::make_unique<UartSide>(partner)),
      partner_(partner) {
    uart_.SetPeer(uart_side_.get());
    uart_.SetScratchBroken(scenario_.scratch_pad_broken);
    uart_.SetPeerHonoursRts(scenario_.partner_honours_rts);
    // The phone side keeps its lines up: clear to send, ready, carrier.
    uart_.SetPeerLines(true, true, false, true);
}

PcCard::~PcCard() = default;

void PcCard::WriteConfigRegister(uint32_t offset, uint8_t value) {
    std::lock_guard lk(mu_);
    if (!present_) return;
    if (offset == 0) {
        if (value & kOptionSoftReset) {
            uart_ = Uart16550();
            uart_.SetPeer(uart_side_.get());
            uart_.SetScratchBroken(scenario_.scratch_pad_broken);
            uart_.SetPeerHonoursRts(scenario_.partner_honours_rts);
            uart_.SetPeerLines(true, true, false, true);
            option_ = 0;
            return;
        }
        option_ = value;
    } else if (offset == 2) {
        status_ = value;
    }
}

uint8_t PcCard::ReadConfigRegister(uint32_t offset) {
    std::lock_guard lk(mu_);
    if (!present_) return 0xFF;
    return offset == 0 ? option_ : offset == 2 ? status_ : 0;
}

void PcCard::ResetFunction() { WriteConfigRegister(0, kOptionSoftReset); }

void PcCard::SetPowered(bool on) {
    std::lock_guard lk(mu_);
    if (powered_ == on) return;
    powered_ = on;
    if (partner_) partner_->SetPowered(on);
}

void PcCard::SettleLocked(uint64_t tick_ms) {
    const uint64_t limit = (tick_ms + 1) * kNsPerMs;
    for (int pass = 0; pass < 4; ++pass) {
        uart_.Advance(limit);
        if (!partner_) return;
        // What the partner answered may leave now.
        uint8_t out[64];
        const size_t n = partner_->Transmit(out, sizeof(out), tick_ms);
        if (n == 0) return;
        uart_.SendFromPeer(out, n, tick_ms * kNsPerMs);
    }
}

bool PcCard::IoRead(uint32_t offset, uint64_t tick_ms, uint8_t* value) {
    std::lock_guard lk(mu_);
    if (!Answers()) return false;
    SettleLocked(tick_ms);
    *value = uart_.Read(static_cast<uint8_t>(offset & 7), tick_ms * kNsPerMs);
    return true;
}

bool PcCard::IoWrite(uint32_t offset, uint8_t value, uint64_t tick_ms) {
    std::lock_guard lk(mu_);
    if (!Answers()) return false;
    SettleLocked(tick_ms);
    uart_.Write(static_cast<uint8_t>(offset & 7), value, tick_ms * kNsPerMs);
    return true;
}

void PcCard::Service(uint64_t tick_ms) {
    std::lock_guard lk(mu_);
    if (Answers()) SettleLocked(tick_ms);
}

bool PcCard::InterruptLine() {
    std::lock_guard lk(mu_);
    return Answers() && uart_.InterruptLine();
}

uint64_t PcCard::NextEventTick() {
    std::lock_guard lk(mu_);
    if (!Answers()) return UINT64_MAX;
    uint64_t next = uart_.NextEvent();
    next = next == kNoEvent ? UINT64_MAX : next / kNsPerMs;
    if (partner_) {
        if (auto t = partner_->NextByteTick()) next = std::min(next, *t);
    }
    return next;
}

void PcCard::SetInterruptServiced(bool on) {
    std::lock_guard lk(mu_);
    uart_.SetInterruptServiced(on, scenario_.pause_receive_while_interrupt_pending);
}

void PcCard::SetRoutineRunning(bool on, uint64_t tick_ms) {
    std::lock_guard lk(mu_);
    uart_.SetRoutineRunning(on, (tick_ms + 1) * kNsPerMs);
}

void PcCard::Pull() {
    std::lock_guard lk(mu_);
    present_ = false;
}

bool PcCard::present() {
    std::lock_guard lk(mu_);
    return present_;
}

bool ParsePcCardScenario(const std::string& json_text, PcCardScenario* scenario,
                         std::string* error) {
    const auto doc = nlohmann::json::parse(json_text, nullptr, false);
    if (doc.is_discarded() || !doc.is_object()) {
        *error = "the scenario is not a JSON object";
        return false;
    }
    const auto it = doc.find("pc_card");
    if (it == doc.end()) return true;
    const auto& pc = *it;
    if (!pc.is_object()) {
        *error = "\"pc_card\" is not an object";
        return false;
    }
    if (pc.contains("scratch_pad_broken") && pc["scratch_pad_broken"].is_boolean())
        scenario->scratch_pad_broken = pc["scratch_pad_broken"].get<bool>();
    if (pc.contains("partner_honours_rts") && pc["partner_honours_rts"].is_boolean())
        scenario->partner_honours_rts = pc["partner_honours_rts"].get<bool>();
    if (!pc.contains("config_table")) return true;
    const auto& table = pc["config_table"];
    if (!table.is_array()) {
        *error = "\"config_table\" is not an array";
        return false;
    }
    std::vector<ConfigTableEntry> entries;
    for (const auto& e : table) {
        if (!e.is_object() || !e.contains("index") || !e["index"].is_number_unsigned() ||
            e["index"].get<unsigned>() > 0x3F || !e.contains("io") || !e["io"].is_array() ||
            e["io"].size() > 4) {
            *error = "a configuration entry needs an \"index\" up to 63 and up to four \"io\" ranges";
            return false;
        }
        ConfigTableEntry entry{static_cast<uint8_t>(e["index"].get<unsigned>()), {}};
        for (const auto& r : e["io"]) {
            if (!r.is_array() || r.size() != 2 || !r[0].is_number_unsigned() ||
                !r[1].is_number_unsigned() || r[0].get<unsigned>() > 0xFFFF ||
                r[1].get<unsigned>() < 1 || r[1].get<unsigned>() > 256) {
                *error = "an I/O range is [base up to 65535, length 1 to 256]";
                return false;
            }
            entry.io.push_back({r[0].get<uint32_t>(), r[1].get<uint32_t>()});
        }
        entries.push_back(std::move(entry));
    }
    scenario->config_table = std::move(entries);
    return true;
}

}  // namespace qmx2::hardware
