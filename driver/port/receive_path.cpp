// The receive path: the event-servicing routine that fills the ring from the hardware, receive
// flow control, and COM_Read with its time-outs.
#include <algorithm>
#include <cstring>

#include "driver/port/port_device.h"
#include "platform/last_error.h"

namespace qmx2::driver {
namespace {

using platform::DCB;

constexpr uint32_t kDrainChunk = 16;

uint32_t ContiguousRoom(const PortDevice* device) {
    const uint32_t r = device->read_index.load();
    const uint32_t w = device->write_index.load();
    if (w < r) return r - w - 1;
    return device->ring_size - w - (r == 0 ? 1 : 0);
}

// Removes XON and XOFF from the new bytes and applies them to the transmit hold.
uint32_t TakeFlowCharacters(PortDevice* device, const DCB& dcb, uint8_t* bytes, uint32_t count) {
    const auto xon = static_cast<uint8_t>(dcb.XonChar);
    const auto xoff = static_cast<uint8_t>(dcb.XoffChar);
    uint32_t kept = 0;
    for (uint32_t i = 0; i < count; ++i) {
        if (bytes[i] == xoff) {
            device->SetFlags(kTransmitHeld);
        } else if (bytes[i] == xon) {
            device->ClearFlags(kTransmitHeld);
        } else {
            bytes[kept++] = bytes[i];
        }
    }
    return kept;
}

void ApplyFlowOff(PortDevice* device, const DCB& dcb) {
    const uint64_t n = device->Available();
    const uint64_t size = device->ring_size;
    void* ctx = device->hardware_context;
    if (dcb.fDtrControl == platform::DTR_CONTROL_HANDSHAKE && 4 * n > 3 * size &&
        !device->HasFlags(kDtrDropped)) {
        device->ops().ClearDtr(ctx);
        device->SetFlags(kDtrDropped);
    }
    if (dcb.fRtsControl == platform::RTS_CONTROL_HANDSHAKE && 4 * n > 3 * size &&
        !device->HasFlags(kRtsDropped)) {
        device->ops().ClearRts(ctx);
        device->SetFlags(kRtsDropped);
    }
    if (dcb.fInX && size - n <= dcb.XoffLim) {
        std::lock_guard lk(device->flow_lock);
        if (!device->HasFlags(kXoffSent)) {
            device->SetFlags(dcb.fTXContinueOnXoff ? kXoffSent : kXoffSent | kTransmitHeld);
            device->ops().SendImmediate(ctx, static_cast<uint8_t>(dcb.XoffChar));
        }
    }
}

// One receive interrupt; returns the number of bytes that entered the ring.
uint32_t ReceiveChunk(PortDevice* device) {
    const DCB dcb = device->LineSettings();
    void* ctx = device->hardware_context;
    uint32_t count = 0;
    {
        std::lock_guard lk(device->buffer_lock);
        const uint32_t room = ContiguousRoom(device);
        if (room == 0) {
            // A full ring never blocks the interrupt: drain and lose the bytes.
            uint8_t scratch[kDrainChunk];
            uint32_t drained = kDrainChunk;
            device->overruns += device->ops().ReceiveBytes(ctx, scratch, &drained);
            device->dropped += drained;
            return 0;
        }
        const uint32_t w = device->write_index.load();
        uint8_t* destination = device->ring.get() + w;
        count = room;
        device->overruns += device->ops().ReceiveBytes(ctx, destination, &count);
        count = std::min(count, room);
        if (device->HasFlags(kSoftFlowInForce))
            count = TakeFlowCharacters(device, dcb, destination, count);
        device->received += count;
        device->write_index = (w + count) & (device->ring_size - 1);
    }
    ApplyFlowOff(device, dcb);
    return count;
}

PortOpen* HoldAccessHolder(PortDevice* device) {
    std::lock_guard lk(device->list_lock);
    PortOpen* holder = device->access_holder.load();
    if (holder) EnterUse(holder);
    return holder;
}

}  // namespace

bool ServiceEvents(PortDevice* device) {
    if (device->HasFlags(kStopDispatch) || !device->interrupt_event) {
        if (device->thread_exit_event) device->thread_exit_event->Set();
        return false;
    }
    PortOpen* holder = HoldAccessHolder(device);
    const HardwareOps& ops = device->ops();
    void* ctx = device->hardware_context;
    bool data_arrived = false;
    for (uint32_t pending = ops.GetPendingInterrupts(ctx); pending != 0;
         pending = ops.GetPendingInterrupts(ctx)) {
        if (pending & kInterruptReceive) data_arrived |= ReceiveChunk(device) != 0;
        if (pending & kInterruptTransmit) {
            ops.OnTransmitReady(ctx);
            device->transmit_event->Set();
        }
        if (pending & kInterruptModemStatus) ops.OnModemStatus(ctx);
        if (pending & kInterruptLineStatus) ops.OnLineStatus(ctx);
    }
    if (data_arrived) {
        device->receive_event->Set();
        NotifyEvents(device, platform::EV_RXCHAR);
    }
    if (holder) LeaveUse(holder);
    return true;
}

void ServiceEventsCallback(uintptr_t device) {
    ServiceEvents(reinterpret_cast<PortDevice*>(device));
}

void ResumeReceiveFlow(PortDevice* device) {
    const DCB dcb = device->LineSettings();
    void* ctx = device->hardware_context;
    const uint32_t n = device->Available();
    if (dcb.fInX && device->ring_size - n > dcb.XoffLim) {
        std::lock_guard lk(device->flow_lock);
        if (device->HasFlags(kXoffSent)) {
            device->ClearFlags(dcb.fTXContinueOnXoff ? kXoffSent : kXoffSent | kTransmitHeld);
            device->ops().SendImmediate(ctx, static_cast<uint8_t>(dcb.XonChar));
        }
    }
    if (2ull * n < device->ring_size) {
        if (dcb.fRtsControl == platform::RTS_CONTROL_HANDSHAKE && device->HasFlags(kRtsDropped)) {
            device->ClearFlags(kRtsDropped);
            device->ops().SetRts(ctx);
        }
        if (dcb.fDtrControl == platform::DTR_CONTROL_HANDSHAKE && device->HasFlags(kDtrDropped)) {
            device->ClearFlags(kDtrDropped);
            device->ops().SetDtr(ctx);
        }
    }
}

namespace {

// Copies what the ring holds into the caller's buffer; returns the bytes copied.
uint32_t CopyOut(PortDevice* device, uint8_t* buffer, uint32_t length) {
    std::lock_guard lk(device->buffer_lock);
    uint32_t copied = 0;
    while (copied < length) {
        const uint32_t available = device->Available();
        if (available == 0) break;
        const uint32_t r = device->read_index.load();
        const uint32_t piece = std::min({available, device->ring_size - r, length - copied});
        std::memcpy(buffer + copied, device->ring.get() + r, piece);
        device->read_index = (r + piece) & (device->ring_size - 1);
        copied += piece;
    }
    return copied;
}

}  // namespace

bool CheckDataCall(const PortOpen* open, uint32_t access, const void* buffer, uint32_t length) {
    const PortDevice* device = open ? open->device : nullptr;
    if (!device || !device->IsOpen() || open->closing) {
        platform::SetLastError(platform::ERROR_INVALID_HANDLE);
        return false;
    }
    if (!(open->access & access)) {
        platform::SetLastError(platform::ERROR_INVALID_ACCESS);
        return false;
    }
    if (length != 0 && !buffer) {
        platform::SetLastError(platform::ERROR_INVALID_PARAMETER);
        return false;
    }
    return true;
}

int32_t PortRead(PortOpen* open, uint8_t* buffer, uint32_t length) {
    if (!CheckDataCall(open, platform::GENERIC_READ, buffer, length)) return -1;
    PortDevice* device = open->device;
    EnterUse(open);
    platform::Clock& clock = *device->env.clock;
    uint32_t copied = 0;
    const uint32_t aborts = device->read_aborts.load();
    {
        Lock lock(device->receive_lock);
        platform::ReadTimer timer(device->Timeouts(), length);
        while (copied < length) {
            copied += CopyOut(device, buffer + copied, length - copied);
            if (copied == length) break;
            // A read that waits for more than the ring holds must let the peer go on.
            ResumeReceiveFlow(device);
            uint32_t wait = 0;
            if (!timer.NextWait(copied, &wait)) break;
            if (device->read_aborts.load() != aborts) break;
            const uint64_t start = clock.TickMs();
            const bool signalled = device->receive_event->Wait(wait) == platform::WaitResult::kSignaled;
            timer.Waited(clock.TickMs() - start);
            if (!signalled) {
                copied += CopyOut(device, buffer + copied, length - copied);
                break;
            }
            if (device->read_aborts.load() != aborts) break;
            if (!device->IsOpen() || open->closing) {
                platform::SetLastError(platform::ERROR_INVALID_HANDLE);
                break;
            }
        }
        ResumeReceiveFlow(device);
    }
    LeaveUse(open);
    return static_cast<int32_t>(copied);
}

}  // namespace qmx2::driver
