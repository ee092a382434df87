// Fuzzes the card's control-socket lines: each line of the input runs against a card as the
// control socket would run it; every answer is one line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "hardware/card/control.h"
#include "hardware/card/phone.h"
#include "platform/clock.h"

using namespace qmx2::hardware::card;

namespace {

class CardDouble final : public ControlTarget {
public:
    explicit CardDouble(Phone& phone) : phone_(phone) {}
    void Locked(const std::function<void(Phone&)>& fn) override { fn(phone_); }
    void SetPowered(bool on) override { powered_ = on; }
    bool powered() override { return powered_; }
    void Pull() override { inserted_ = false; }
    void Insert() override { inserted_ = true; }
    bool inserted() override { return inserted_; }

private:
    Phone& phone_;
    bool powered_ = true;
    bool inserted_ = true;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    auto clock = qmx2::platform::MakeVirtualClock();
    CardScenario s = DefaultScenario();
    s.network.search_ms = 0;
    s.network.register_ms = 0;
    s.delays.sms_send_ms = 0;
    Phone phone(*clock, s);
    CardDouble card(phone);
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    uint8_t buffer[512];
    for (std::size_t start = 0; start <= input.size();) {
        std::size_t end = input.find('\n', start);
        if (end == std::string_view::npos) end = input.size();
        const std::string answer = RunControlCommand(card, input.substr(start, end - start));
        if (answer.find('\n') != std::string::npos) std::abort();
        while (phone.Transmit(buffer, UINT64_MAX) > 0) {}
        start = end + 1;
    }
    return 0;
}
