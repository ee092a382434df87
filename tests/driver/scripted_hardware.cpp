// The operations of the scripted hardware layer.
#include "tests/driver/scripted_hardware.h"

#include <algorithm>
#include <cstring>

namespace qmx2::driver::testing {
namespace {

ScriptedHardware* H(void* ctx) { return static_cast<ScriptedHardware*>(ctx); }

void LogLine(void* ctx, bool ScriptedHardware::*line, bool on, const char* name) {
    auto* h = H(ctx);
    std::lock_guard lk(h->mu);
    h->*line = on;
    h->line_log.push_back(std::string(name) + (on ? "+" : "-"));
}

const HardwareOps kOps = {
    .Create = [](const platform::WideChar*, PortDevice* port) -> void* {
        ScriptedHardware* h = next_scripted_hardware;
        if (h) h->port = port;
        return h;
    },
    .Destroy = [](void* ctx) { H(ctx)->destroyed = true; },
    .Open = [](void* ctx) -> int {
        std::lock_guard lk(H(ctx)->mu);
        ++H(ctx)->opens;
        return H(ctx)->open_fails ? 0 : 1;
    },
    .Close = [](void* ctx) -> int {
        std::lock_guard lk(H(ctx)->mu);
        ++H(ctx)->closes;
        return 1;
    },
    .ReceiveBytes = [](void* ctx, uint8_t* destination, uint32_t* count) -> uint32_t {
        auto* h = H(ctx);
        std::lock_guard lk(h->mu);
        const uint32_t n = std::min<uint32_t>(*count, static_cast<uint32_t>(h->rx.size()));
        std::copy_n(h->rx.begin(), n, destination);
        h->rx.erase(h->rx.begin(), h->rx.begin() + n);
        *count = n;
        return std::exchange(h->overruns_to_report, 0);
    },
    .GetInterruptParam = [](void*) -> uint32_t { return 0x55; },
    .GetPendingInterrupts = [](void* ctx) -> uint32_t {
        auto* h = H(ctx);
        std::lock_guard lk(h->mu);
        return (h->rx.empty() ? 0u : kInterruptReceive) | (h->tx_ready ? kInterruptTransmit : 0u);
    },
    .OnModemStatus = [](void*) {},
    .OnLineStatus = [](void*) {},
    .GetReceiveBufferHint = [](void* ctx) -> uint32_t { return H(ctx)->buffer_hint; },
    .OnTransmitReady = [](void* ctx) {
        std::lock_guard lk(H(ctx)->mu);
        H(ctx)->tx_ready = false;
    },
    .TransmitBytes = [](void* ctx, const uint8_t* source, uint32_t count,
                        uint32_t* taken) -> uint32_t {
        auto* h = H(ctx);
        uint32_t hint = 0;
        {
            std::lock_guard lk(h->mu);
            *taken = std::min(count, h->tx_per_call);
            h->tx.append(reinterpret_cast<const char*>(source), *taken);
            if (*taken) h->tx_ready = true;
            hint = h->tx_hint;
        }
        if (*taken) h->RaiseInterrupt();
        return hint;
    },
    .PowerOff = [](void*) -> int { return 1; },
    .PowerOn = [](void*) -> int { return 1; },
    .ClearDtr = [](void* ctx) { LogLine(ctx, &ScriptedHardware::dtr, false, "DTR"); },
    .SetDtr = [](void* ctx) { LogLine(ctx, &ScriptedHardware::dtr, true, "DTR"); },
    .ClearRts = [](void* ctx) { LogLine(ctx, &ScriptedHardware::rts, false, "RTS"); },
    .SetRts = [](void* ctx) { LogLine(ctx, &ScriptedHardware::rts, true, "RTS"); },
    .EnableInfrared = [](void*, uint32_t) -> int { return 0; },
    .DisableInfrared = [](void*) -> int { return 1; },
    .ClearBreak = [](void* ctx) { LogLine(ctx, &ScriptedHardware::brk, false, "BRK"); },
    .SetBreak = [](void* ctx) { LogLine(ctx, &ScriptedHardware::brk, true, "BRK"); },
    .SendImmediate = [](void* ctx, uint8_t c) -> int {
        {
            std::lock_guard lk(H(ctx)->mu);
            H(ctx)->immediate.push_back(c);
        }
        if (H(ctx)->on_immediate) H(ctx)->on_immediate();
        return 1;
    },
    .GetStatus = [](void* ctx, platform::COMSTAT* status) -> uint32_t {
        std::lock_guard lk(H(ctx)->mu);
        if (status) *status = {};
        return std::exchange(H(ctx)->line_errors, 0);
    },
    .ResetStatus = [](void*) {},
    .GetModemStatus = [](void* ctx, uint32_t* status) {
        std::lock_guard lk(H(ctx)->mu);
        *status |= H(ctx)->modem_status;
    },
    .GetProperties = [](void*, platform::COMMPROP* p) { p->dwMaxBaud = 0x20000; },
    .PurgeFifos = [](void* ctx, uint32_t flags) {
        std::lock_guard lk(H(ctx)->mu);
        H(ctx)->purges.push_back(flags);
    },
    .SetLineSettings = [](void* ctx, const platform::DCB* dcb) -> int {
        std::lock_guard lk(H(ctx)->mu);
        H(ctx)->dcb = *dcb;
        ++H(ctx)->line_settings_calls;
        return 0;
    },
    .SetTimeouts = [](void*, const platform::COMMTIMEOUTS*) -> int { return 0; },
    .ExtraControl = [](void* ctx, uint32_t code, const uint8_t*, uint32_t, uint8_t* out,
                       uint32_t out_length, uint32_t* returned) -> int {
        auto* h = H(ctx);
        std::lock_guard lk(h->mu);
        if (code != platform::IOCTL_CARD_IS_POWERED || !h->answers_power_query || out_length < 4)
            return 0;
        const uint32_t p = h->powered ? 1 : 0;
        std::memcpy(out, &p, 4);
        *returned = 4;
        return 1;
    },
    .CardPowerUp = [](void* ctx) -> int {
        std::lock_guard lk(H(ctx)->mu);
        ++H(ctx)->power_ups;
        if (H(ctx)->powered) return 0;
        H(ctx)->powered = true;
        return 1;
    },
    .CardPowerDown = [](void* ctx) -> int {
        std::lock_guard lk(H(ctx)->mu);
        ++H(ctx)->power_downs;
        H(ctx)->powered = false;
        return 1;
    },
};

const HardwareObject kObjects[3] = {
    {kBindThreadForLife, 19, &kOps},
    {0, 0, &kOps},
    {kBindThreadForLife, 25, &kOps},
};
const HardwareObjectTable kTable = {"serqmx2.dll", 3, kObjects};

}  // namespace

const HardwareOps& ScriptedOps() { return kOps; }
const HardwareObjectTable& ScriptedHardwareTable() { return kTable; }

}  // namespace qmx2::driver::testing
