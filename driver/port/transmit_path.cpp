// The transmit path (COM_Write), the notification of communications events and the wait on
// the event mask.
#include <algorithm>

#include "driver/port/port_device.h"
#include "platform/last_error.h"

namespace qmx2::driver {

namespace {
constexpr uint32_t kHeldRetryMs = 10;
}

int32_t PortWrite(PortOpen* open, const uint8_t* buffer, uint32_t length) {
    if (!CheckDataCall(open, platform::GENERIC_WRITE, buffer, length)) return -1;
    PortDevice* device = open->device;
    EnterUse(open);
    device->ClearFlags(kWriteAborted);
    device->transmit_event->Wait(0);
    platform::Clock& clock = *device->env.clock;
    const HardwareOps& ops = device->ops();
    void* ctx = device->hardware_context;
    const bool toggle = device->LineSettings().fRtsControl == platform::RTS_CONTROL_TOGGLE;
    uint32_t written = 0;
    {
        Lock lock(device->transmit_lock);
        device->still_to_transmit = length;
        const platform::COMMTIMEOUTS t = device->Timeouts();
        const uint32_t total = platform::WriteTotalTimeoutMs(t, length);
        uint32_t elapsed = 0;
        while (device->IsOpen() && written < length) {
            if (toggle) ops.SetRts(ctx);
            uint32_t taken = 0;
            uint32_t hint = kHeldRetryMs;
            if (!device->HasFlags(kTransmitHeld))
                hint = ops.TransmitBytes(ctx, buffer + written, length - written, &taken);
            taken = std::min(taken, length - written);
            device->transmitted += taken;
            written += taken;
            if (written < length) {
                uint32_t wait = platform::kInfinite;
                if (total != 0) {
                    if (elapsed >= total) break;
                    wait = total - elapsed;
                }
                if (hint != 0 && hint < wait) wait = hint;
                const uint64_t start = clock.TickMs();
                const bool timed_out = device->transmit_event->Wait(wait) == platform::WaitResult::kTimeout;
                elapsed += static_cast<uint32_t>(clock.TickMs() - start);
                if (device->HasFlags(kWriteAborted)) break;
                if (!device->IsOpen() || open->closing) {
                    platform::SetLastError(platform::ERROR_INVALID_HANDLE);
                    break;
                }
                if (timed_out && hint == 0) break;
            }
            device->still_to_transmit = length - written;
        }
        device->still_to_transmit = 0;
    }
    NotifyEvents(device, platform::EV_TXEMPTY);
    if (toggle) ops.ClearRts(ctx);
    LeaveUse(open);
    return static_cast<int32_t>(written);
}

void NotifyEvents(PortDevice* device, uint32_t events) {
    if (!device->IsOpen()) {
        platform::SetLastError(platform::ERROR_INVALID_HANDLE);
        return;
    }
    if ((device->mask_union.load() & events) == 0) return;
    std::lock_guard lk(device->list_lock);
    for (PortOpen* open = device->open_list; open; open = open->next) {
        std::lock_guard ctx_lock(open->lock);
        if (open->events.Fire(events)) open->comm_event.Set();
    }
}

bool WaitOnMask(PortOpen* open, uint32_t* events) {
    PortDevice* device = open ? open->device : nullptr;
    *events = 0;
    if (!device || !device->IsOpen() || open->closing) {
        platform::SetLastError(platform::ERROR_INVALID_HANDLE);
        return false;
    }
    uint64_t since = 0;
    {
        std::lock_guard lk(open->lock);
        if (open->events.mask == 0) {
            platform::SetLastError(platform::ERROR_INVALID_PARAMETER);
            return false;
        }
        since = open->events.generation;
    }
    EnterUse(open);
    // The event is set by every change that may end the wait; one left over from an earlier
    // wait only costs another look.
    for (;;) {
        {
            std::lock_guard lk(open->lock);
            if (open->events.WaitOver(since)) break;
        }
        if (open->closing || !device->IsOpen()) break;
        open->comm_event.Wait();
    }
    {
        std::lock_guard lk(open->lock);
        *events = open->events.Take(since);
    }
    const bool closing = open->closing;
    LeaveUse(open);  // may free a closed context
    if (device->IsOpen() && !closing) return true;
    *events = 0;
    platform::SetLastError(platform::ERROR_INVALID_HANDLE);
    return false;
}

}  // namespace qmx2::driver
