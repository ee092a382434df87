// The card's command-line parser and engine against arbitrary bytes from the host: never a
// crash, never unbounded memory, and the card still answers "AT" afterwards. The first byte
// picks the dialect and whether the SIM asks for its PIN, so both paths are covered.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "hardware/card/phone.h"
#include "platform/clock.h"

using namespace qmx2::hardware::card;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    auto clock = qmx2::platform::MakeVirtualClock();
    CardScenario s = DefaultScenario();
    s.dialect = (data[0] & 1) ? Dialect::kStandard : Dialect::kPellion;
    s.sim.locks[static_cast<int>(LockKind::kSim)].enabled = (data[0] & 2) != 0;
    s.network.search_ms = 0;
    s.network.register_ms = 0;
    s.delays.sms_send_ms = 0;
    Phone phone(*clock, s);
    uint8_t out[4096];
    // Bytes arrive in pieces whose sizes come from the input too.
    size_t i = 1;
    while (i < size) {
        const size_t piece = 1 + data[i] % 64;
        const size_t n = std::min(piece, size - i);
        phone.Receive({data + i, n});
        i += n;
        while (phone.Transmit(out, UINT64_MAX) > 0) {}
        if (phone.QueuedBytes() > 0) std::abort();
    }
    // Leave text entry or a data call and reset the settings; then the card must answer.
    phone.RemoteHangUp();
    const std::string reset = "\x1b\rATZ\r";
    phone.Receive({reinterpret_cast<const uint8_t*>(reset.data()), reset.size()});
    while (phone.Transmit(out, UINT64_MAX) > 0) {}
    const std::string at = "AT\r";
    phone.Receive({reinterpret_cast<const uint8_t*>(at.data()), at.size()});
    std::string reply;
    size_t n;
    while ((n = phone.Transmit(out, UINT64_MAX)) > 0) reply.append(reinterpret_cast<char*>(out), n);
    if (reply != "AT\r\r\nOK\r\n") std::abort();
    return 0;
}
