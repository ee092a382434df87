// The software serial port's device-control requests: the serial class codes, and the card
// power and version codes (the power ones answered by the line).
#include <algorithm>
#include <cstring>

#include "platform/software_serial_port.h"
#include "platform/last_error.h"

namespace qmx2::platform {

bool SoftwareSerialPort::ApplyLineSettings(const DCB& d, bool with_lines) {
    if (!LineApply(d)) return false;
    if (!with_lines) return true;
    LineSetDtr(d.fDtrControl != DTR_CONTROL_DISABLE);
    if (d.fRtsControl != RTS_CONTROL_TOGGLE) LineSetRts(d.fRtsControl != RTS_CONTROL_DISABLE);
    return true;
}

void SoftwareSerialPort::Purge(uint32_t flags) {
    LinePurge(flags);
    if (flags & PURGE_TXABORT) LineAbortTransmit();
    clock_.Update([&] {
        if (flags & PURGE_RXCLEAR) {
            read_ = write_;
            std::fill(ring_.begin(), ring_.end(), 0);
        }
        if (flags & PURGE_RXABORT) ++rx_abort_generation_;
    });
}

void SoftwareSerialPort::FillStatus(SERIAL_DEV_STATUS* s) {
    std::memset(s, 0, sizeof(*s));
    clock_.Update([&] {
        s->Errors = errors_;
        errors_ = 0;
        s->ComStat.cbInQue = Available();
    });
}

void SoftwareSerialPort::LineProperties(COMMPROP* p) {
    // No transmit queue: writes go straight to the line; any speed the line takes.
    *p = SerialPortProperties(0, static_cast<uint32_t>(ring_.size()), 0x10000000);
    p->dwCurrentRxQueue = static_cast<uint32_t>(ring_.size());
}

bool SoftwareSerialPort::IoControl(uintptr_t handle, uint32_t code, const void* in,
                                   uint32_t in_length, void* out, uint32_t out_length,
                                   uint32_t* returned) {
    auto c = Find(handle);
    if (!c) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    if (!ControlNeedsNoAccess(code) && !WantsAccess(c->access)) {
        SetLastError(ERROR_INVALID_ACCESS);
        return false;
    }
    return Dispatch(*c, c, code, in, in_length, out, out_length, returned);
}

bool SoftwareSerialPort::Dispatch(Context& c, const std::shared_ptr<Context>& ref, uint32_t code,
                                  const void* in, uint32_t in_length, void* out,
                                  uint32_t out_length, uint32_t* returned) {
    if (!ControlBuffersFit(code, in, in_length, out, out_length, returned)) return false;
    auto bad = [] {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    };
    auto give = [&](const void* src, uint32_t n) {
        std::memcpy(out, src, n);
        *returned = n;
        return true;
    };
    DCB dcb;
    clock_.Update([&] { dcb = dcb_; });
    switch (code) {
        case IOCTL_SERIAL_SET_BREAK_ON: LineSetBreak(true); return true;
        case IOCTL_SERIAL_SET_BREAK_OFF: LineSetBreak(false); return true;
        case IOCTL_SERIAL_SET_DTR:
        case IOCTL_SERIAL_CLR_DTR:
            if (!ModemLineRequestAllowed(code, dcb)) return bad();
            LineSetDtr(code == IOCTL_SERIAL_SET_DTR);
            return true;
        case IOCTL_SERIAL_SET_RTS:
        case IOCTL_SERIAL_CLR_RTS:
            if (!ModemLineRequestAllowed(code, dcb)) return bad();
            LineSetRts(code == IOCTL_SERIAL_SET_RTS);
            return true;
        case IOCTL_SERIAL_SET_XOFF:
        case IOCTL_SERIAL_SET_XON: return true;  // the kernel or the peer does flow control
        case IOCTL_SERIAL_GET_WAIT_MASK: {
            uint32_t mask = 0;
            clock_.Update([&] { mask = c.events.mask; });
            return give(&mask, 4);
        }
        case IOCTL_SERIAL_SET_WAIT_MASK: {
            uint32_t mask;
            std::memcpy(&mask, in, 4);
            clock_.Update([&] { c.events.SetMask(mask); });
            return true;
        }
        case IOCTL_SERIAL_WAIT_ON_MASK: {
            uint32_t events = 0;
            const bool ok = WaitEvents(ref, &events);
            std::memcpy(out, &events, 4);
            *returned = 4;
            return ok;
        }
        case IOCTL_SERIAL_GET_COMMSTATUS: {
            LinePoll();
            SERIAL_DEV_STATUS s;
            FillStatus(&s);
            return give(&s, sizeof(s));
        }
        case IOCTL_SERIAL_GET_MODEMSTATUS: {
            const uint32_t status = LineModemStatus();
            return give(&status, 4);
        }
        case IOCTL_SERIAL_GET_PROPERTIES: {
            COMMPROP p;
            LineProperties(&p);
            return give(&p, sizeof(p));
        }
        case IOCTL_SERIAL_SET_TIMEOUTS: {
            COMMTIMEOUTS t;
            std::memcpy(&t, in, sizeof(t));
            clock_.Update([&] { timeouts_ = t; });
            return true;
        }
        case IOCTL_SERIAL_GET_TIMEOUTS: {
            COMMTIMEOUTS t;
            clock_.Update([&] { t = timeouts_; });
            return give(&t, sizeof(t));
        }
        case IOCTL_SERIAL_PURGE: {
            uint32_t flags;
            std::memcpy(&flags, in, 4);
            if (flags & PURGE_RXCLEAR) LinePoll();  // what has arrived by now goes too
            Purge(flags);
            return true;
        }
        case IOCTL_SERIAL_SET_QUEUE_SIZE: return true;
        case IOCTL_SERIAL_IMMEDIATE_CHAR: return LineSendImmediate(*static_cast<const uint8_t*>(in));
        case IOCTL_SERIAL_GET_DCB: return give(&dcb, sizeof(DCB));
        case IOCTL_SERIAL_SET_DCB: {
            DCB next;
            std::memcpy(&next, in, sizeof(DCB));
            // A line that cannot take the settings keeps the old ones and says so, so that a
            // caller never believes a speed is set that the line does not run at.
            if (!PlausibleLineSettings(next) || !ApplyLineSettings(next, true)) return bad();
            clock_.Update([&] { dcb_ = next; });
            return true;
        }
        case IOCTL_SERIAL_ENABLE_IR: return false;
        case IOCTL_SERIAL_DISABLE_IR: return true;
        case IOCTL_CARD_POWER_UP:
        case IOCTL_CARD_POWER_DOWN: return LinePower(code == IOCTL_CARD_POWER_UP);
        case IOCTL_CARD_IS_POWERED: {
            const uint32_t powered = LinePowered() ? 1 : 0;
            return give(&powered, 4);
        }
        case IOCTL_DRIVER_VERSION:
            return AnswerControlText(kDriverVersionText, out, out_length, returned);
        case kEmptyTextCodeA:
        case kEmptyTextCodeB: return AnswerControlText("", out, out_length, returned);
        default: return bad();
    }
}

}  // namespace qmx2::platform
