// The card's side of the port's control requests: power, modem lines, line speed, properties.
#include "hardware/card/card_port.h"
#include "platform/last_error.h"

namespace qmx2::hardware::card {

using namespace qmx2::platform;

void CardPort::SetPowered(bool on) {
    {
        std::lock_guard lk(mu_);
        if (powered_ == on) return;
        powered_ = on;
        phone_.SetPowered(on);
        pacer_.Reset();
    }
    DropReceived();
    LineChanged();
}

bool CardPort::powered() {
    std::lock_guard lk(mu_);
    return powered_;
}

bool CardPort::LinePowered() { return powered(); }

bool CardPort::LinePower(bool on) {
    if (!inserted()) {
        SetLastError(ERROR_DEVICE_REMOVED);
        return false;
    }
    SetPowered(on);
    return true;
}

uint32_t CardPort::LineModemStatus() {
    return powered() ? (MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON) : 0;
}

bool CardPort::LineApply(const DCB& dcb) {
    {
        std::lock_guard lk(mu_);
        pacer_.SetBaud(options_.paced ? dcb.BaudRate : 0);
    }
    LineChanged();  // arrival times moved
    return true;
}

void CardPort::LineProperties(COMMPROP* p) {
    *p = COMMPROP{};
    p->wPacketLength = sizeof(COMMPROP);
    p->wPacketVersion = 2;
    p->dwServiceMask = 1;  // serial communications
    p->dwMaxTxQueue = 0;
    p->dwMaxRxQueue = 4096;
    p->dwMaxBaud = 0x10000000;  // user-settable
    p->dwProvSubType = 6;       // modem
    p->dwProvCapabilities = 0xFF;
    p->dwSettableParams = 0x7F;
    p->dwSettableBaud = 0x1FFFF;
    p->wSettableData = 0x000F;
    p->wSettableStopParity = 0x1F07;
    p->dwCurrentRxQueue = 4096;
}

}  // namespace qmx2::hardware::card
