// A phone on a virtual clock for tests: send bytes, collect everything the phone says until it
// is quiet, letting the clock run through answer delays.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "hardware/card/phone.h"
#include "platform/clock.h"

namespace qmx2::hardware::card {

class PhoneRig {
public:
    explicit PhoneRig(CardScenario s = DefaultScenario())
        : clock(platform::MakeVirtualClock()), phone(*clock, std::move(s)) {}

    // Bytes as they are, and everything the phone answers to them.
    std::string Send(std::string_view bytes) {
        phone.Receive({reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()});
        return Drain();
    }
    // A command line ended by CR.
    std::string At(std::string_view line) { return Send(std::string(line) + "\r"); }
    // The reply without the echo of the command line.
    std::string Reply(std::string_view line) {
        const std::string all = At(line);
        const std::string echo = std::string(line) + "\r";
        return all.rfind(echo, 0) == 0 ? all.substr(echo.size()) : all;
    }
    std::string Drain() {
        std::string out;
        while (auto tick = phone.NextByteTick()) {
            const uint64_t now = clock->TickMs();
            if (*tick > now) clock->Advance(static_cast<uint32_t>(*tick - now));
            uint8_t buf[512];
            const size_t n = phone.Transmit(buf, clock->TickMs());
            out.append(reinterpret_cast<const char*>(buf), n);
        }
        return out;
    }
    // Enters the PIN of the default scenario when the SIM asks for it.
    void Unlock() { At("AT+CPIN=\"1234\""); }

    std::unique_ptr<platform::VirtualClock> clock;
    Phone phone;
};

inline CardScenario PinScenario() {
    CardScenario s = DefaultScenario();
    s.sim.locks[static_cast<int>(LockKind::kSim)].enabled = true;
    return s;
}

}  // namespace qmx2::hardware::card
