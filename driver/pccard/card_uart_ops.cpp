// The UART operations of the PC Card layer: open and close, interrupts, receive, transmit,
// line controls, status and settings, each under the register guard.
#include <algorithm>
#include <cstring>

#include "driver/pccard/card_uart.h"

namespace qmx2::driver {
namespace {

using namespace platform;
using namespace uart16550;

constexpr uint32_t kMaxBytesPerReceive = 256;
constexpr int kOpenDrainRounds = 32;

CardUart* U(void* ctx) { return static_cast<CardUart*>(ctx); }

DCB Settings(CardUart* u) {
    std::lock_guard lk(u->settings_lock);
    return u->line_settings;
}

void UartOpen(CardUart* u) {
    u->fifo_shadow = 0;
    u->last_line_status = 0;
    u->last_modem_status = 0;
    u->last_interrupt_id = 0;
    u->overruns = 0;
    u->waiting_for_cts = 0;
    u->waiting_for_dsr = 0;
    u->line_errors = 0;
    u->pending_immediate = -1;
    Out(u, kInterruptEnable, kIerAllButTransmit);
    Out(u, kModemControl, kMcrOut2);  // DTR and RTS wait for the line settings
    Out(u, kLineControl, kLcrEightBits);
    ProgramLineSettings(u, Settings(u), true);
    if (u->use_fifo) {
        u->fifo_shadow = kFcrTrigger8 | kFcrEnable;
        Out(u, kFifoControl, kFcrTrigger8 | kFcrEnable | kFcrClearReceive | kFcrClearTransmit);
    }
    for (int i = 0; i < kOpenDrainRounds && !(In(u, kInterruptId) & kIirNonePending); ++i) {
        ReadLineStatus(u);
        Out(u, kFifoControl, u->fifo_shadow | kFcrClearReceive);
        ReadModemStatus(u);
    }
}

}  // namespace

void OpenUartRegisters(CardUart* u) { Locked(u, [&] { UartOpen(u); }); }

namespace {

// Puts the pending immediate character into an empty holding register; register lock held.
// Returns whether the register was free for more.
bool PutPendingImmediate(CardUart* u, uint8_t lsr) {
    if (!(lsr & kLsrThrEmpty)) return false;
    const int c = u->pending_immediate.exchange(-1);
    if (c < 0) return true;
    Out(u, kData, static_cast<uint8_t>(c));
    return false;
}

}  // namespace

namespace {

int Open(void* ctx) {
    CardUart* u = U(ctx);
    u->use_fifo = 1;
    // Every Open is matched by one CardUartClose; only the outermost pair touches the chip.
    if (u->layer_open_count++ != 0) return 1;
    u->uart_open_count = 1;
    Locked(u, [&] { UartOpen(u); });
    if (u->powered_up)
        u->services.CardRequestIRQ(u->client, u->socket, &ServiceEventsCallback,
                                   reinterpret_cast<uintptr_t>(u->port));
    return 1;
}

uint32_t GetPendingInterrupts(void* ctx) {
    CardUart* u = U(ctx);
    uint32_t pending = 0;
    Locked(u, [&] {
        const uint8_t iir = In(u, kInterruptId);
        if (iir & kIirNonePending) return;
        switch (iir & kIirIdMask) {
            case kIirModemStatus: pending = kInterruptModemStatus; break;
            case kIirTransmitEmpty: pending = kInterruptTransmit; break;
            case kIirReceiveData: case kIirReceiveTimeout: case 0x0E:
                pending = kInterruptReceive;
                break;
            case kIirLineStatus: pending = kInterruptLineStatus; break;
            default: break;
        }
    });
    if (u->transmit_kick.exchange(0)) pending |= kInterruptTransmit;
    return pending;
}

uint32_t ReceiveBytes(void* ctx, uint8_t* destination, uint32_t* count) {
    CardUart* u = U(ctx);
    const DCB dcb = Settings(u);
    const bool replace_errors = dcb.fErrorChar && dcb.fParity;
    const uint32_t room = *count;
    uint32_t stored = 0;
    bool event_char = false;
    Locked(u, [&] {
        for (uint32_t reads = 0; stored < room && reads < kMaxBytesPerReceive; ++reads) {
            const uint8_t lsr = ReadLineStatus(u);
            if (!(lsr & kLsrDataReady)) break;
            const uint8_t byte = In(u, kData);
            if (dcb.fDsrSensitivity && !(u->last_modem_status & kMsrDsr)) continue;
            if (byte == 0 && dcb.fNull) continue;
            if (replace_errors && (lsr & kLsrParity)) {
                destination[stored++] = static_cast<uint8_t>(dcb.ErrorChar);
            } else {
                destination[stored++] = byte;
                event_char |= byte == static_cast<uint8_t>(dcb.EvtChar);
            }
        }
    });
    *count = stored;
    if (event_char && u->notify) u->notify(u->notify_argument, EV_RXFLAG);
    return u->overruns.exchange(0);
}

uint32_t TransmitBytes(void* ctx, const uint8_t* source, uint32_t count, uint32_t* taken) {
    CardUart* u = U(ctx);
    const DCB dcb = Settings(u);
    *taken = 0;
    if (dcb.fOutxCtsFlow && !(u->last_modem_status & kMsrCts)) {
        u->waiting_for_cts = 1;
        Locked(u, [&] { Out(u, kInterruptEnable, In(u, kInterruptEnable) & ~kIerTransmit); });
        return 0;
    }
    if (dcb.fOutxDsrFlow && !(u->last_modem_status & kMsrDsr)) {
        u->waiting_for_dsr = 1;
        Locked(u, [&] { Out(u, kInterruptEnable, kIerAllButTransmit); });
        return 0;
    }
    Locked(u, [&] {
        const uint8_t lsr = ReadLineStatus(u);
        if (lsr & kLsrThrEmpty) {
            uint32_t load = (u->last_interrupt_id & kIirFifosOn) ? 16 : 1;
            if (u->pending_immediate.load() >= 0) {
                PutPendingImmediate(u, lsr);
                --load;
            }
            const uint32_t n = std::min(count, load);
            for (uint32_t i = 0; i < n; ++i) {
                Out(u, kData, source[i]);
                *taken = i + 1;
            }
        }
        Out(u, kInterruptEnable, kIerAll);
    });
    return 0;
}

void OnTransmitReady(void* ctx) {
    CardUart* u = U(ctx);
    Locked(u, [&] {
        // A waiting flow character goes out now; the writer finds the register busy and
        // waits for the next transmit interrupt.
        if (u->pending_immediate.load() >= 0 && !PutPendingImmediate(u, ReadLineStatus(u))) {
            Out(u, kInterruptEnable, kIerAll);
            return;
        }
        Out(u, kInterruptEnable, kIerAllButTransmit);
    });
}

void OnModemStatus(void* ctx) {
    CardUart* u = U(ctx);
    Locked(u, [&] {
        const uint8_t msr = ReadModemStatus(u);
        if (u->waiting_for_dsr && (msr & kMsrDsr)) {
            u->waiting_for_dsr = 0;
            Out(u, kInterruptEnable, kIerAll);
            u->transmit_kick = 1;
        }
        if (u->waiting_for_cts && (msr & kMsrCts)) {
            u->waiting_for_cts = 0;
            Out(u, kInterruptEnable, kIerAll);
            u->transmit_kick = 1;
        }
    });
}

void OnLineStatus(void* ctx) {
    CardUart* u = U(ctx);
    Locked(u, [&] { ReadLineStatus(u); });
}

// Called from the interrupt routine for XON and XOFF, so it never waits: a busy holding
// register leaves the character pending for the next transmit interrupt.
int SendImmediate(void* ctx, uint8_t character) {
    CardUart* u = U(ctx);
    u->pending_immediate = character;
    Locked(u, [&] {
        if (PutPendingImmediate(u, ReadLineStatus(u)) || u->pending_immediate.load() >= 0)
            Out(u, kInterruptEnable, kIerAll);
    });
    return 1;
}

void ModemControlBit(void* ctx, uint8_t bit, bool on) {
    CardUart* u = U(ctx);
    Locked(u, [&] {
        const uint8_t mcr = In(u, kModemControl);
        Out(u, kModemControl, on ? (mcr | bit) : (mcr & ~bit));
    });
}

void LineControlBreak(void* ctx, bool on) {
    CardUart* u = U(ctx);
    Locked(u, [&] {
        const uint8_t lcr = In(u, kLineControl);
        Out(u, kLineControl, on ? (lcr | kLcrBreak) : (lcr & ~kLcrBreak));
    });
}

uint32_t GetStatus(void* ctx, COMSTAT* status) {
    CardUart* u = U(ctx);
    const uint32_t errors = u->line_errors.exchange(0);
    if (!status) return 0xFFFFFFFFu;
    COMSTAT s{};
    s.fCtsHold = u->waiting_for_cts ? 1 : 0;
    s.fDsrHold = u->waiting_for_dsr ? 1 : 0;
    *status = s;
    return errors;
}

void ResetStatus(void* ctx) {
    CardUart* u = U(ctx);
    u->status = {};
    u->line_errors = 0;
    Locked(u, [&] { Out(u, kInterruptEnable, kIerAllButTransmit); });
}

void GetModemStatus(void* ctx, uint32_t* word) {
    CardUart* u = U(ctx);
    Locked(u, [&] {
        const uint8_t msr = ReadModemStatus(u);
        if (msr & kMsrCts) *word |= MS_CTS_ON;
        if (msr & kMsrDsr) *word |= MS_DSR_ON;
        if (msr & kMsrRing) *word |= MS_RING_ON;
        if (msr & kMsrDcd) *word |= MS_RLSD_ON;
    });
}

void PurgeFifos(void* ctx, uint32_t flags) {
    CardUart* u = U(ctx);
    Locked(u, [&] {
        if (flags & PURGE_TXCLEAR) Out(u, kFifoControl, u->fifo_shadow | kFcrClearTransmit);
        if (flags & PURGE_RXCLEAR) Out(u, kFifoControl, u->fifo_shadow | kFcrClearReceive);
    });
}

int SetLineSettings(void* ctx, const DCB* settings) {
    CardUart* u = U(ctx);
    if (u->uart_open_count) Locked(u, [&] { ProgramLineSettings(u, *settings, false); });
    std::lock_guard lk(u->settings_lock);
    u->line_settings = *settings;
    return 0;
}

int SetTimeouts(void* ctx, const COMMTIMEOUTS* timeouts) {
    CardUart* u = U(ctx);
    std::lock_guard lk(u->settings_lock);
    u->timeouts = *timeouts;
    return 0;
}

// The port layer asks here whether the card is powered up; no other code is handled.
int ExtraControl(void* ctx, uint32_t code, const uint8_t*, uint32_t, uint8_t* out,
                 uint32_t out_length, uint32_t* returned) {
    if (code != IOCTL_CARD_IS_POWERED || !out || out_length < 4 || !returned) return 0;
    const uint32_t powered = U(ctx)->powered_up ? 1 : 0;
    std::memcpy(out, &powered, 4);
    *returned = 4;
    return 1;
}

}  // namespace

int CardUartClose(void* ctx) {
    CardUart* u = U(ctx);
    if (u->layer_open_count == 0) return -1;
    if (--u->layer_open_count == 0) {
        for (int pause = 0; pause < 100; ++pause) {
            bool drained = true;
            Locked(u, [&] {
                drained = !(In(u, kInterruptEnable) & kIerTransmit) ||
                          (ReadLineStatus(u) & kLsrTransmitterEmpty);
            });
            if (drained) break;
            u->clock->SleepMs(10);
        }
        u->uart_open_count = 0;
        Locked(u, [&] {
            Out(u, kInterruptEnable, 0);
            Out(u, kModemControl, 0);
            In(u, kInterruptId);
        });
        if (u->powered_up) u->services.CardReleaseIRQ(u->client, u->socket);
    }
    return 0;
}

const HardwareOps kCardUartOps = {
    .Create = &CardUartCreate,
    .Destroy = &CardUartDestroy,
    .Open = &Open,
    .Close = &CardUartClose,
    .ReceiveBytes = &ReceiveBytes,
    .GetInterruptParam = [](void*) -> uint32_t { return 0; },
    .GetPendingInterrupts = &GetPendingInterrupts,
    .OnModemStatus = &OnModemStatus,
    .OnLineStatus = &OnLineStatus,
    .GetReceiveBufferHint = [](void*) -> uint32_t { return 0; },
    .OnTransmitReady = &OnTransmitReady,
    .TransmitBytes = &TransmitBytes,
    .PowerOff = [](void*) -> int { return 1; },
    .PowerOn = [](void*) -> int { return 1; },
    .ClearDtr = [](void* ctx) { ModemControlBit(ctx, kMcrDtr, false); },
    .SetDtr = [](void* ctx) { ModemControlBit(ctx, kMcrDtr, true); },
    .ClearRts = [](void* ctx) { ModemControlBit(ctx, kMcrRts, false); },
    .SetRts = [](void* ctx) { ModemControlBit(ctx, kMcrRts, true); },
    .EnableInfrared = [](void*, uint32_t) -> int { return 0; },
    .DisableInfrared = [](void*) -> int { return 1; },
    .ClearBreak = [](void* ctx) { LineControlBreak(ctx, false); },
    .SetBreak = [](void* ctx) { LineControlBreak(ctx, true); },
    .SendImmediate = &SendImmediate,
    .GetStatus = &GetStatus,
    .ResetStatus = &ResetStatus,
    .GetModemStatus = &GetModemStatus,
    .GetProperties = [](void* ctx, COMMPROP* p) { *p = U(ctx)->properties; },
    .PurgeFifos = &PurgeFifos,
    .SetLineSettings = &SetLineSettings,
    .SetTimeouts = &SetTimeouts,
    .ExtraControl = &ExtraControl,
    .CardPowerUp = &CardUartPowerUp,
    .CardPowerDown = &CardUartPowerDown,
};

}  // namespace qmx2::driver
