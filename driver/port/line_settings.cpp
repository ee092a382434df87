// Applying line settings to the hardware and the modem lines, and purging.
#include <algorithm>

#include "driver/port/port_device.h"

namespace qmx2::driver {

void ApplyModemLines(PortDevice* device) {
    const platform::DCB dcb = device->LineSettings();
    const HardwareOps& ops = device->ops();
    void* ctx = device->hardware_context;
    if (dcb.fDtrControl == platform::DTR_CONTROL_DISABLE) ops.ClearDtr(ctx);
    if (dcb.fDtrControl == platform::DTR_CONTROL_ENABLE) ops.SetDtr(ctx);
    if (dcb.fRtsControl == platform::RTS_CONTROL_DISABLE) ops.ClearRts(ctx);
    if (dcb.fRtsControl == platform::RTS_CONTROL_ENABLE) ops.SetRts(ctx);
    const bool above = 4ull * device->Available() > 3ull * device->ring_size;
    if (dcb.fDtrControl == platform::DTR_CONTROL_HANDSHAKE) {
        if (device->HasFlags(kDtrDropped)) {
            device->ClearFlags(kDtrDropped);
            ops.SetDtr(ctx);
        } else if (above) {
            device->SetFlags(kDtrDropped);
            ops.ClearDtr(ctx);
        } else {
            ops.SetDtr(ctx);
        }
    }
    if (dcb.fRtsControl == platform::RTS_CONTROL_HANDSHAKE) {
        if (!device->HasFlags(kRtsDropped)) {
            ops.SetRts(ctx);
        } else if (above) {
            ops.ClearRts(ctx);
        } else {
            device->ClearFlags(kRtsDropped);
            ops.SetRts(ctx);
        }
    }
}

void ApplyLineSettings(PortDevice* device, bool with_line_changes) {
    const platform::DCB dcb = device->LineSettings();
    device->ops().SetLineSettings(device->hardware_context, &dcb);
    if (with_line_changes) ApplyModemLines(device);
    if (dcb.fOutX || dcb.fInX) device->SetFlags(kSoftFlowInForce);
    else device->ClearFlags(kSoftFlowInForce);
}

void Purge(PortDevice* device, uint32_t flags) {
    device->ops().PurgeFifos(device->hardware_context, flags);
    if (flags & platform::PURGE_RXCLEAR) {
        {
            std::lock_guard lk(device->buffer_lock);
            device->read_index = device->write_index.load();
            std::fill_n(device->ring.get(), device->ring_size, uint8_t{0});
        }
        ResumeReceiveFlow(device);
    }
    if (flags & platform::PURGE_RXABORT) {
        ++device->read_aborts;
        // Set rather than pulse: a reader between its abort check and its wait still sees it.
        device->receive_event->Set();
    }
    if (flags & platform::PURGE_TXABORT) {
        device->SetFlags(kWriteAborted);
        device->transmit_event->Set();
    }
}

}  // namespace qmx2::driver
