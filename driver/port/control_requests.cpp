// COM_IOControl: the serial control codes and the driver's card-power and version codes.
#include <cstring>

#include "driver/port/port_device.h"
#include "platform/last_error.h"

namespace qmx2::driver {
namespace {

using namespace platform;

struct Request {
    PortOpen* open;
    PortDevice* device;
    uint32_t code;
    const uint8_t* in;
    uint32_t in_length;
    uint8_t* out;
    uint32_t out_length;
    uint32_t* returned;

    bool Output(const void* data, uint32_t size) const {
        std::memcpy(out, data, size);
        *returned = size;
        return true;
    }
};

bool InvalidParameter() {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
}

void RecomputeMaskUnion(PortDevice* device) {
    std::lock_guard lk(device->list_lock);
    uint32_t all = 0;
    for (PortOpen* o = device->open_list; o; o = o->next) {
        std::lock_guard ctx_lock(o->lock);
        all |= o->events.mask;
    }
    device->mask_union = all;
}

bool SetWaitMask(const Request& r) {
    uint32_t mask = 0;
    std::memcpy(&mask, r.in, sizeof(mask));
    {
        std::lock_guard lk(r.open->lock);
        r.open->events.SetMask(mask);
    }
    r.open->comm_event.Set();  // a pending wait ends with no events
    RecomputeMaskUnion(r.device);
    return true;
}

bool GetCommStatus(const Request& r) {
    SERIAL_DEV_STATUS status{};
    status.Errors = r.device->ops().GetStatus(r.device->hardware_context, &status.ComStat);
    status.ComStat.cbInQue = r.device->Available();
    status.ComStat.cbOutQue = r.device->still_to_transmit.load();
    status.ComStat.fXoffHold = r.device->HasFlags(kTransmitHeld) ? 1 : 0;
    status.ComStat.fXoffSent = r.device->HasFlags(kXoffSent) ? 1 : 0;
    return r.Output(&status, sizeof(status));
}

bool ModemLineRequest(const Request& r) {
    const DCB dcb = r.device->LineSettings();
    const HardwareOps& ops = r.device->ops();
    void* ctx = r.device->hardware_context;
    if (!ModemLineRequestAllowed(r.code, dcb)) return InvalidParameter();
    switch (r.code) {
        case IOCTL_SERIAL_SET_DTR: ops.SetDtr(ctx); return true;
        case IOCTL_SERIAL_CLR_DTR: ops.ClearDtr(ctx); return true;
        case IOCTL_SERIAL_SET_RTS: ops.SetRts(ctx); return true;
        default: ops.ClearRts(ctx); return true;
    }
}

bool SettingsRequest(const Request& r) {
    PortDevice* d = r.device;
    switch (r.code) {
        case IOCTL_SERIAL_SET_TIMEOUTS: {
            COMMTIMEOUTS t;
            std::memcpy(&t, r.in, sizeof(t));
            {
                std::lock_guard lk(d->settings_lock);
                d->timeouts = t;
            }
            d->ops().SetTimeouts(d->hardware_context, &t);
            return true;
        }
        case IOCTL_SERIAL_GET_TIMEOUTS: {
            const COMMTIMEOUTS t = d->Timeouts();
            return r.Output(&t, sizeof(t));
        }
        case IOCTL_SERIAL_GET_DCB: {
            const DCB dcb = d->LineSettings();
            return r.Output(&dcb, sizeof(dcb));
        }
        default: {  // IOCTL_SERIAL_SET_DCB
            DCB next;
            std::memcpy(&next, r.in, sizeof(DCB));
            if (!PlausibleLineSettings(next)) return InvalidParameter();
            {
                std::lock_guard lk(d->settings_lock);
                d->dcb = next;
            }
            ApplyLineSettings(d, true);
            return true;
        }
    }
}

bool Dispatch(const Request& r) {
    PortDevice* d = r.device;
    const HardwareOps& ops = d->ops();
    void* ctx = d->hardware_context;
    switch (r.code) {
        case IOCTL_SERIAL_SET_BREAK_ON: ops.SetBreak(ctx); return true;
        case IOCTL_SERIAL_SET_BREAK_OFF: ops.ClearBreak(ctx); return true;
        case IOCTL_SERIAL_SET_DTR: case IOCTL_SERIAL_CLR_DTR:
        case IOCTL_SERIAL_SET_RTS: case IOCTL_SERIAL_CLR_RTS:
            return ModemLineRequest(r);
        case IOCTL_SERIAL_SET_XOFF:
            if (d->HasFlags(kSoftFlowInForce)) d->SetFlags(kTransmitHeld | kXoffSent);
            return true;
        case IOCTL_SERIAL_SET_XON:
            if (d->HasFlags(kSoftFlowInForce)) d->ClearFlags(kTransmitHeld | kXoffSent);
            return true;
        case IOCTL_SERIAL_GET_WAIT_MASK: {
            uint32_t mask = 0;
            {
                std::lock_guard lk(r.open->lock);
                mask = r.open->events.mask;
            }
            return r.Output(&mask, 4);
        }
        case IOCTL_SERIAL_SET_WAIT_MASK: return SetWaitMask(r);
        case IOCTL_SERIAL_WAIT_ON_MASK: {
            uint32_t events = 0;
            const bool ok = WaitOnMask(r.open, &events);
            r.Output(&events, 4);
            return ok;
        }
        case IOCTL_SERIAL_GET_COMMSTATUS: return GetCommStatus(r);
        case IOCTL_SERIAL_GET_MODEMSTATUS: {
            uint32_t status = 0;
            ops.GetModemStatus(ctx, &status);
            return r.Output(&status, 4);
        }
        case IOCTL_SERIAL_GET_PROPERTIES: {
            COMMPROP properties{};
            ops.GetProperties(ctx, &properties);
            return r.Output(&properties, sizeof(properties));
        }
        case IOCTL_SERIAL_SET_TIMEOUTS: case IOCTL_SERIAL_GET_TIMEOUTS:
        case IOCTL_SERIAL_GET_DCB: case IOCTL_SERIAL_SET_DCB:
            return SettingsRequest(r);
        case IOCTL_SERIAL_PURGE: {
            uint32_t flags = 0;
            std::memcpy(&flags, r.in, 4);
            Purge(d, flags);
            return true;
        }
        case IOCTL_SERIAL_SET_QUEUE_SIZE: return true;
        case IOCTL_SERIAL_IMMEDIATE_CHAR:
            ops.SendImmediate(ctx, r.in[0]);
            return true;
        case IOCTL_SERIAL_ENABLE_IR: return ops.EnableInfrared(ctx, d->LineSettings().BaudRate) != 0;
        case IOCTL_SERIAL_DISABLE_IR: ops.DisableInfrared(ctx); return true;
        case IOCTL_CARD_POWER_UP: {
            Lock lock(d->open_lock);
            if (ops.CardPowerUp(ctx) == 0) return false;
            // The port may already be open (this request's own handle): a card that came up
            // under it starts with its modem lines off, as at a first open.
            ApplyModemLines(d);
            return true;
        }
        case IOCTL_CARD_POWER_DOWN: {
            Lock lock(d->open_lock);
            return ops.CardPowerDown(ctx) != 0;
        }
        case IOCTL_CARD_IS_POWERED: {
            uint32_t powered = 1;
            uint32_t got = 0;
            ops.ExtraControl(ctx, IOCTL_CARD_IS_POWERED, nullptr, 0,
                             reinterpret_cast<uint8_t*>(&powered), 4, &got);
            powered = powered ? 1 : 0;
            return r.Output(&powered, 4);
        }
        case IOCTL_DRIVER_VERSION:
            return AnswerControlText(kDriverVersionText, r.out, r.out_length, r.returned);
        case kEmptyTextCodeA: case kEmptyTextCodeB:
            return AnswerControlText("", r.out, r.out_length, r.returned);
        default:
            if (ops.ExtraControl(ctx, r.code, r.in, r.in_length, r.out, r.out_length, r.returned))
                return true;
            return InvalidParameter();
    }
}

}  // namespace

bool PortIoControl(PortOpen* open, uint32_t code, const uint8_t* in, uint32_t in_length,
                   uint8_t* out, uint32_t out_length, uint32_t* returned) {
    PortDevice* device = open ? open->device : nullptr;
    if (!device) return false;
    if (!device->IsOpen()) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (!ControlNeedsNoAccess(code) && !WantsAccess(open->access)) {
        SetLastError(ERROR_INVALID_ACCESS);
        return false;
    }
    if (!ControlBuffersFit(code, in, in_length, out, out_length, returned)) return false;
    EnterUse(open);
    const bool result = Dispatch(Request{open, device, code, in, in_length, out, out_length, returned});
    LeaveUse(open);
    return result;
}

}  // namespace qmx2::driver
