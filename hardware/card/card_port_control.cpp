// The card port's control requests: line settings, time-outs, the event mask and its wait,
// status, purge, and the card-power and version requests of the card's driver.
#include <cstring>

#include "hardware/card/card_port.h"
#include "platform/clock.h"
#include "platform/last_error.h"

namespace qmx2::hardware::card {

using namespace qmx2::platform;

namespace {

// The driver's version text, as its version request answers it.
constexpr char kVersion[] = "1.12";

template <class T>
bool Out(void* out, uint32_t out_length, uint32_t* returned, const T& value) {
    if (!out || out_length < sizeof(T) || !returned) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::memcpy(out, &value, sizeof(T));
    *returned = sizeof(T);
    return true;
}

template <class T>
bool In(const void* in, uint32_t in_length, T* value) {
    if (!in || in_length < sizeof(T)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    std::memcpy(value, in, sizeof(T));
    return true;
}

bool NeedsAccess(uint32_t code) {
    switch (code) {
        case IOCTL_SERIAL_GET_WAIT_MASK:
        case IOCTL_SERIAL_SET_WAIT_MASK:
        case IOCTL_SERIAL_WAIT_ON_MASK:
        case IOCTL_SERIAL_GET_MODEMSTATUS:
        case IOCTL_SERIAL_GET_PROPERTIES:
        case IOCTL_SERIAL_GET_TIMEOUTS:
        case IOCTL_CARD_POWER_UP:
        case IOCTL_CARD_POWER_DOWN:
        case IOCTL_CARD_IS_POWERED:
        case IOCTL_DRIVER_VERSION:
            return false;
        default:
            return true;
    }
}

COMMPROP Properties() {
    COMMPROP p{};
    p.wPacketLength = sizeof(COMMPROP);
    p.wPacketVersion = 2;
    p.dwServiceMask = 1;  // serial communications
    p.dwMaxTxQueue = 0;
    p.dwMaxRxQueue = 4096;
    p.dwMaxBaud = 0x10000000;  // user-settable
    p.dwProvSubType = 6;       // modem
    p.dwProvCapabilities = 0xFF;
    p.dwSettableParams = 0x7F;
    p.dwSettableBaud = 0x1FFFF;
    p.wSettableData = 0x000F;
    p.wSettableStopParity = 0x1F07;
    p.dwCurrentRxQueue = 4096;
    return p;
}

}  // namespace

bool CardPort::IoControl(uintptr_t handle, uint32_t code, const void* in, uint32_t in_length,
                         void* out, uint32_t out_length, uint32_t* returned) {
    if (code == IOCTL_SERIAL_WAIT_ON_MASK) {
        uint32_t events = 0;
        if (!out || out_length < 4 || !returned) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        const bool ok = WaitOnMask(handle, &events);
        std::memcpy(out, &events, 4);
        *returned = 4;
        return ok;
    }
    if (code == IOCTL_CARD_POWER_UP || code == IOCTL_CARD_POWER_DOWN) {
        {
            std::lock_guard lk(mu_);
            if (!Find(handle)) {
                SetLastError(ERROR_INVALID_HANDLE);
                return false;
            }
            if (!inserted_) {
                SetLastError(ERROR_DEVICE_REMOVED);
                return false;
            }
        }
        SetPowered(code == IOCTL_CARD_POWER_UP);
        return true;
    }
    bool ok = false;
    {
        std::lock_guard lk(mu_);
        Context* c = Find(handle);
        if (!c) {
            SetLastError(ERROR_INVALID_HANDLE);
            return false;
        }
        if (NeedsAccess(code) && !(c->access & (GENERIC_READ | GENERIC_WRITE))) {
            SetLastError(ERROR_INVALID_ACCESS);
            return false;
        }
        ok = ControlLocked(*c, code, in, in_length, out, out_length, returned);
    }
    Wake();
    return ok;
}

bool CardPort::ControlLocked(Context& c, uint32_t code, const void* in, uint32_t in_length,
                             void* out, uint32_t out_length, uint32_t* returned) {
    switch (code) {
        case IOCTL_SERIAL_SET_BREAK_ON:
        case IOCTL_SERIAL_SET_BREAK_OFF:
        case IOCTL_SERIAL_SET_DTR:
        case IOCTL_SERIAL_CLR_DTR:
        case IOCTL_SERIAL_SET_RTS:
        case IOCTL_SERIAL_CLR_RTS:
        case IOCTL_SERIAL_SET_XOFF:
        case IOCTL_SERIAL_SET_XON:
        case IOCTL_SERIAL_DISABLE_IR:
            return true;
        case IOCTL_SERIAL_GET_WAIT_MASK: return Out(out, out_length, returned, c.mask);
        case IOCTL_SERIAL_SET_WAIT_MASK: {
            uint32_t mask = 0;
            if (!In(in, in_length, &mask)) return false;
            c.mask = mask;
            c.fired = 0;
            ++c.mask_generation;
            return true;
        }
        case IOCTL_SERIAL_GET_COMMSTATUS: {
            Pump(NowUs());
            SERIAL_DEV_STATUS s{};
            s.Errors = errors_;
            s.ComStat.cbInQue = static_cast<uint32_t>(received_.size());
            if (!Out(out, out_length, returned, s)) return false;
            errors_ = 0;
            return true;
        }
        case IOCTL_SERIAL_GET_MODEMSTATUS: {
            const uint32_t lines = powered_ ? (MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON) : 0;
            return Out(out, out_length, returned, lines);
        }
        case IOCTL_SERIAL_GET_PROPERTIES: return Out(out, out_length, returned, Properties());
        case IOCTL_SERIAL_SET_TIMEOUTS: return In(in, in_length, &timeouts_);
        case IOCTL_SERIAL_GET_TIMEOUTS: return Out(out, out_length, returned, timeouts_);
        case IOCTL_SERIAL_PURGE: {
            uint32_t flags = 0;
            if (!In(in, in_length, &flags)) return false;
            if (flags & PURGE_RXCLEAR) {
                Pump(NowUs());
                received_.clear();
            }
            if (flags & PURGE_RXABORT) c.read_aborted = true;
            if (flags & PURGE_TXABORT) c.write_aborted = true;
            return true;
        }
        case IOCTL_SERIAL_SET_QUEUE_SIZE: {
            uint32_t sizes[2];
            return In(in, in_length, &sizes);
        }
        case IOCTL_SERIAL_IMMEDIATE_CHAR: {
            uint8_t b = 0;
            if (!In(in, in_length, &b)) return false;
            if (powered_) phone_.Receive(std::span(&b, 1));
            return true;
        }
        case IOCTL_SERIAL_GET_DCB: return Out(out, out_length, returned, dcb_);
        case IOCTL_SERIAL_SET_DCB: {
            DCB d{};
            if (!In(in, in_length, &d)) return false;
            dcb_ = d;
            pacer_.SetBaud(options_.paced ? d.BaudRate : 0);
            return true;
        }
        case IOCTL_CARD_IS_POWERED: return Out(out, out_length, returned, uint32_t{powered_ ? 1u : 0u});
        case IOCTL_DRIVER_VERSION:
            if (!out || out_length < sizeof(kVersion) || !returned) {
                SetLastError(ERROR_INVALID_PARAMETER);
                return false;
            }
            std::memcpy(out, kVersion, sizeof(kVersion));
            *returned = sizeof(kVersion) - 1;
            return true;
        default:
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
    }
}

bool CardPort::WaitOnMask(uintptr_t handle, uint32_t* events) {
    std::unique_lock lk(mu_);
    Context* c = Find(handle);
    if (!c) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (c->mask == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    ++c->users;
    const uint64_t mask_generation = c->mask_generation;
    while (true) {
        Pump(NowUs());
        if ((c->fired & c->mask) || c->closed || c->mask_generation != mask_generation || !inserted_)
            break;
        const uint64_t now = clock_.TickMs();
        const uint64_t arrival = NextArrivalMs();
        const uint64_t gen = generation_.load();
        lk.unlock();
        clock_.WaitFor([&] { return generation_.load() != gen; },
                       arrival == UINT64_MAX ? kInfinite
                                             : static_cast<uint32_t>(arrival > now ? arrival - now : 0));
        lk.lock();
    }
    *events = c->closed || c->mask_generation != mask_generation ? 0 : c->fired & c->mask;
    c->fired = 0;
    --c->users;
    const bool closed = c->closed;
    if (closed && c->users == 0) contexts_.erase(handle);
    if (!inserted_) {
        *events = 0;
        SetLastError(ERROR_DEVICE_REMOVED);
        return false;
    }
    return true;
}

}  // namespace qmx2::hardware::card
