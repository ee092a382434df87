// The serial port rules shared by every port.
#include "platform/serial_port_rules.h"

#include <algorithm>
#include <cstring>

#include "platform/clock.h"
#include "platform/last_error.h"

namespace qmx2::platform {
namespace {

uint32_t Saturate(uint64_t v) { return v >= MAXDWORD ? MAXDWORD - 1 : static_cast<uint32_t>(v); }

bool InvalidParameter() {
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
}

struct BufferNeeds {
    uint32_t in = 0;
    uint32_t out = 0;  // and a `returned` to say how much was written
};

BufferNeeds NeedsOf(uint32_t code) {
    switch (code) {
        case IOCTL_SERIAL_GET_WAIT_MASK: case IOCTL_SERIAL_WAIT_ON_MASK:
        case IOCTL_SERIAL_GET_MODEMSTATUS: case IOCTL_CARD_IS_POWERED:
            return {0, 4};
        case IOCTL_SERIAL_GET_COMMSTATUS: return {0, sizeof(SERIAL_DEV_STATUS)};
        case IOCTL_SERIAL_GET_PROPERTIES: return {0, sizeof(COMMPROP)};
        case IOCTL_SERIAL_GET_TIMEOUTS: return {0, sizeof(COMMTIMEOUTS)};
        case IOCTL_SERIAL_GET_DCB: return {0, sizeof(DCB)};
        case IOCTL_SERIAL_SET_WAIT_MASK: case IOCTL_SERIAL_PURGE: return {4, 0};
        case IOCTL_SERIAL_SET_TIMEOUTS: return {sizeof(COMMTIMEOUTS), 0};
        case IOCTL_SERIAL_SET_DCB: return {sizeof(DCB), 0};
        case IOCTL_SERIAL_SET_QUEUE_SIZE: return {8, 0};
        case IOCTL_SERIAL_IMMEDIATE_CHAR: return {1, 0};
        default: return {};
    }
}

}  // namespace

DCB DefaultLineSettings() {
    DCB d{};
    d.DCBlength = sizeof(DCB);
    d.BaudRate = 9600;
    d.fBinary = 1;
    d.fDtrControl = DTR_CONTROL_ENABLE;
    d.fRtsControl = RTS_CONTROL_ENABLE;
    d.XonLim = 512;
    d.XoffLim = 128;
    d.ByteSize = 8;
    d.Parity = NOPARITY;
    d.StopBits = ONESTOPBIT;
    d.XonChar = 0x11;
    d.XoffChar = 0x13;
    d.ErrorChar = 0x0D;
    d.EofChar = 0x0D;
    d.EvtChar = 0x0D;
    return d;
}

COMMPROP SerialPortProperties(uint32_t max_tx_queue, uint32_t max_rx_queue, uint32_t max_baud) {
    COMMPROP p{};
    p.wPacketLength = 0xFFFF;
    p.wPacketVersion = 0xFFFF;
    p.dwServiceMask = 1;  // serial
    p.dwMaxTxQueue = max_tx_queue;
    p.dwMaxRxQueue = max_rx_queue;
    p.dwMaxBaud = max_baud;
    p.dwProvSubType = 1;  // RS-232
    p.dwProvCapabilities = 0x1FF;
    p.dwSettableParams = 0x7F;
    p.dwSettableBaud = 0x1007FFFB;
    p.wSettableData = 0x000F;
    p.wSettableStopParity = 0x1F05;
    return p;
}

bool PlausibleLineSettings(const DCB& d) {
    return d.BaudRate > 0 && d.ByteSize >= 5 && d.ByteSize <= 8 && d.Parity <= SPACEPARITY &&
           d.StopBits <= TWOSTOPBITS;
}

uint32_t OpenRefusal(uint32_t access, bool access_held, bool powered) {
    if (WantsAccess(access) && (access_held || !powered)) return ERROR_INVALID_ACCESS;
    return 0;
}

bool ControlNeedsNoAccess(uint32_t code) {
    switch (code) {
        case IOCTL_SERIAL_GET_WAIT_MASK: case IOCTL_SERIAL_SET_WAIT_MASK:
        case IOCTL_SERIAL_WAIT_ON_MASK: case IOCTL_SERIAL_GET_MODEMSTATUS:
        case IOCTL_SERIAL_GET_PROPERTIES: case IOCTL_SERIAL_GET_TIMEOUTS:
        case IOCTL_CARD_POWER_UP: case IOCTL_CARD_POWER_DOWN: case IOCTL_CARD_IS_POWERED:
        case IOCTL_DRIVER_VERSION: case kEmptyTextCodeA: case kEmptyTextCodeB:
            return true;
        default:
            return false;
    }
}

bool ControlBuffersFit(uint32_t code, const void* in, uint32_t in_length, const void* out,
                       uint32_t out_length, const uint32_t* returned) {
    const BufferNeeds needs = NeedsOf(code);
    if (needs.in != 0 && (!in || in_length < needs.in)) return InvalidParameter();
    if (needs.out != 0 && (!out || out_length < needs.out || !returned)) return InvalidParameter();
    return true;
}

bool ModemLineRequestAllowed(uint32_t code, const DCB& dcb) {
    if (code == IOCTL_SERIAL_SET_DTR || code == IOCTL_SERIAL_CLR_DTR)
        return dcb.fDtrControl != DTR_CONTROL_HANDSHAKE;
    if (code == IOCTL_SERIAL_SET_RTS || code == IOCTL_SERIAL_CLR_RTS)
        return dcb.fRtsControl != RTS_CONTROL_HANDSHAKE;
    return true;
}

bool AnswerControlText(std::string_view text, void* out, uint32_t out_length, uint32_t* returned) {
    const auto length = static_cast<uint32_t>(text.size());
    if (!out || !returned || out_length < length + 1) return InvalidParameter();
    std::memcpy(out, text.data(), length);
    static_cast<char*>(out)[length] = '\0';
    *returned = length;
    return true;
}

ReadTimer::ReadTimer(const COMMTIMEOUTS& t, uint32_t length)
    : t_(t),
      total_(t.ReadTotalTimeoutMultiplier == MAXDWORD
                 ? t.ReadTotalTimeoutConstant
                 : Saturate(uint64_t{t.ReadTotalTimeoutMultiplier} * length +
                            t.ReadTotalTimeoutConstant)) {}

bool ReadTimer::NextWait(uint32_t copied, uint32_t* wait_ms) const {
    const uint32_t interval = t_.ReadIntervalTimeout;
    if (interval == MAXDWORD && total_ == 0) return false;
    if (total_ != 0) {
        if (elapsed_ >= total_) return false;
        *wait_ms = static_cast<uint32_t>(total_ - elapsed_);
        if (copied > 0) {
            if (t_.ReadTotalTimeoutMultiplier == MAXDWORD && interval == MAXDWORD) return false;
            if (interval != 0 && interval <= *wait_ms) *wait_ms = interval;
        }
        return true;
    }
    *wait_ms = copied > 0 && interval != 0 ? interval : kInfinite;
    return true;
}

uint32_t WriteTotalTimeoutMs(const COMMTIMEOUTS& t, uint32_t length) {
    return Saturate(uint64_t{t.WriteTotalTimeoutMultiplier} * length + t.WriteTotalTimeoutConstant);
}

uint32_t ReceiveRingSize(uint64_t wanted, uint32_t largest) {
    uint32_t size = 2048;
    while (size < wanted && size < largest) size <<= 1;
    return size;
}

}  // namespace qmx2::platform
