// Fuzzes the scenario loader: any text is either refused with a reason or gives a scenario the
// emulated card can run on; a card built from one answers "AT".
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "hardware/card/phone.h"
#include "platform/clock.h"

using namespace qmx2::hardware::card;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const ScenarioResult r = ParseScenario(std::string(reinterpret_cast<const char*>(data), size));
    if (!r.scenario) {
        if (r.error.empty()) std::abort();
        return 0;
    }
    CardScenario s = *r.scenario;
    // Time-outs of the scenario are real only on the clock; nothing here waits for them.
    s.network.search_ms = 0;
    s.network.register_ms = 0;
    s.delays.sms_send_ms = 0;
    s.delays.reply_ms = 0;
    s.delays.ignored_ats = 0;
    s.faults = {};
    auto clock = qmx2::platform::MakeVirtualClock();
    Phone phone(*clock, s);
    const std::string at = "AT\r";
    phone.Receive({reinterpret_cast<const uint8_t*>(at.data()), at.size()});
    std::string out;
    uint8_t buffer[512];
    for (size_t n; (n = phone.Transmit(buffer, UINT64_MAX)) > 0;)
        out.append(reinterpret_cast<const char*>(buffer), n);
    if (out.find("OK") == std::string::npos && out.find("ERROR") == std::string::npos) std::abort();
    return 0;
}
