// Register access of the PC Card UART layer, status reads and line programming.
#include "driver/pccard/card_uart.h"

namespace qmx2::driver {

using namespace uart16550;

const DivisorEntry kDefaultDivisors[] = {
    {50, 2307},  {75, 1538},  {110, 1049}, {135, 858},   {150, 769},   {300, 384},
    {600, 192},  {1200, 96},  {1800, 64},  {2000, 58},   {2400, 48},   {3600, 32},
    {4800, 24},  {7200, 16},  {9600, 12},  {12800, 9},   {14400, 8},   {19200, 6},
    {23040, 5},  {28800, 4},  {38400, 3},  {57600, 2},   {115200, 1},  {0, 0},
};

uint16_t LookupDivisor(const DivisorEntry* table, uint32_t baud) {
    for (const DivisorEntry* e = table; e && e->baud != 0; ++e)
        if (e->baud == baud) return e->divisor;
    return 0;
}

uint8_t In(CardUart* u, UartRegister reg) {
    const RegisterAddress& r = u->registers[reg];
    if (uint8_t* memory = r.memory.load()) return *memory;
    const uintptr_t io = r.io.load();
    uint8_t value = 0;
    if (io == 0 || !u->kernel || !u->kernel->read_register8(io, &value)) throw RegisterFault{};
    if (reg == kInterruptId) u->last_interrupt_id = value;
    return value;
}

void Out(CardUart* u, UartRegister reg, uint8_t value) {
    const RegisterAddress& r = u->registers[reg];
    if (uint8_t* memory = r.memory.load()) {
        *memory = value;
        return;
    }
    const uintptr_t io = r.io.load();
    if (io == 0 || !u->kernel || !u->kernel->write_register8(io, value)) throw RegisterFault{};
}

uint8_t ReadLineStatus(CardUart* u) {
    const uint8_t lsr = In(u, kLineStatus);
    u->last_line_status = lsr;
    uint32_t errors = 0;
    if (lsr & kLsrOverrun) {
        ++u->overruns;
        errors |= platform::CE_OVERRUN;
    }
    if (lsr & kLsrParity) errors |= platform::CE_RXPARITY;
    if (lsr & kLsrFraming) errors |= platform::CE_FRAME;
    u->line_errors |= errors;
    uint32_t events = errors ? platform::EV_ERR : 0;
    if (lsr & kLsrBreak) events |= platform::EV_BREAK;
    if (events && u->notify) u->notify(u->notify_argument, events);
    return lsr;
}

uint8_t ReadModemStatus(CardUart* u) {
    const uint8_t msr = In(u, kModemStatus);
    u->last_modem_status = msr;
    uint32_t events = 0;
    if (msr & kMsrDeltaCts) events |= platform::EV_CTS;
    if (msr & kMsrDeltaDsr) events |= platform::EV_DSR;
    if (msr & kMsrRingEnded) events |= platform::EV_RING;
    if (msr & kMsrDeltaDcd) events |= platform::EV_RLSD;
    if (events && u->notify) u->notify(u->notify_argument, events);
    return msr;
}

void ProgramLineSettings(CardUart* u, const platform::DCB& wanted, bool all) {
    platform::DCB old;
    {
        std::lock_guard lk(u->settings_lock);
        old = u->line_settings;
    }
    if (all || wanted.BaudRate != old.BaudRate) {
        // A rate missing from the table leaves the chip at its previous rate.
        if (const uint16_t divisor = LookupDivisor(u->divisors, wanted.BaudRate)) {
            const uint8_t lcr = In(u, kLineControl);
            Out(u, kLineControl, lcr | kLcrDivisorLatch);
            Out(u, kDivisorLow, static_cast<uint8_t>(divisor & 0xFF));
            Out(u, kDivisorHigh, static_cast<uint8_t>(divisor >> 8));
            Out(u, kLineControl, lcr);
        }
    }
    if (all || wanted.ByteSize != old.ByteSize) {
        const uint8_t bits = wanted.ByteSize == 5 ? 0 : wanted.ByteSize == 6 ? 1
                             : wanted.ByteSize == 7 ? 2 : 3;
        const uint8_t lcr = In(u, kLineControl) & ~kLcrWordLengthMask;
        Out(u, kLineControl, static_cast<uint8_t>(lcr | bits));
    }
    if (all || wanted.Parity != old.Parity) {
        static constexpr uint8_t kParityBits[] = {0x00, 0x08, 0x18, 0x28, 0x38};
        const uint8_t bits = wanted.Parity <= platform::SPACEPARITY ? kParityBits[wanted.Parity] : 0;
        Out(u, kLineControl, static_cast<uint8_t>((In(u, kLineControl) & ~kLcrParityMask) | bits));
    }
    if (all || wanted.StopBits != old.StopBits) {
        const uint8_t lcr = In(u, kLineControl) & ~kLcrTwoStopBits;
        Out(u, kLineControl, wanted.StopBits == platform::ONESTOPBIT ? lcr : lcr | kLcrTwoStopBits);
    }
}

}  // namespace qmx2::driver
