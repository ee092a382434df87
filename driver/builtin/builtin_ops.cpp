// The HardwareOps of the built-in serial ports.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "driver/builtin/builtin_port.h"
#include "platform/builtin_port_services.h"
#include "platform/clock.h"
#include "platform/run_at_event.h"
#include "platform/serial_port_rules.h"

namespace qmx2::driver {

using namespace dmauart;
using platform::COMMPROP;
using platform::COMSTAT;
using platform::DCB;

namespace {

// Hardware waits: a transmission of a full half area at 9600 bit/s takes 2.2 s; a single
// character well under 2 ms. The waits poll in steps of the platform clock and give up after
// these bounds, so that a controller that never reports back cannot hang a caller.
constexpr uint32_t kDrainBoundMs = 3000;
constexpr uint32_t kCharacterBoundMs = 20;
constexpr uint32_t kCloseStepMs = 10, kDestroyStepMs = 20, kSpinStepMs = 1;
constexpr uint32_t kHalfArea = kTransmitStopBoundary;
constexpr uint32_t kFlowControlledChunk = 16;
constexpr uint32_t kReceiveBufferHint = 2048;

BuiltInPort* P(void* ctx) { return static_cast<BuiltInPort*>(ctx); }

uint16_t Read(BuiltInPort* p, uint32_t reg) {
    uint16_t v = 0;
    if (!p->services->ReadRegister16(reg, &v)) return 0;  // nothing answers: reads as 0
    return v;
}
void Write(BuiltInPort* p, uint32_t reg, uint16_t v) { p->services->WriteRegister16(reg, v); }

void ChangeControl(BuiltInPort* p, uint16_t off, uint16_t on) {
    std::lock_guard lk(p->control_lock);
    Write(p, p->control_reg, static_cast<uint16_t>((Read(p, p->control_reg) & ~off) | on));
}
void ControlOn(BuiltInPort* p, uint16_t bits) { ChangeControl(p, 0, bits); }
void ControlOff(BuiltInPort* p, uint16_t bits) { ChangeControl(p, bits, 0); }

// The status bits in kStWriteOneToClear clear when 1 is written; the others are written back.
void ClearStatus(BuiltInPort* p, uint16_t bits) {
    Write(p, p->status_reg, static_cast<uint16_t>((Read(p, p->status_reg) & kStKeepMask) | bits));
}

void SetAddress(BuiltInPort* p, uint32_t reg, uint32_t phys) {
    Write(p, reg + kAddressHighOffset, static_cast<uint16_t>(phys >> 16));
    Write(p, reg, static_cast<uint16_t>(phys & 0xFFFF));
}

void PointDmaAtAreaStarts(BuiltInPort* p) {
    SetAddress(p, p->receive_dma_reg, p->ring_phys);
    SetAddress(p, p->transmit_dma_reg, p->transmit_phys);
}

// Polls the controller until done() or the bound passes.
template <typename F>
bool WaitHardware(BuiltInPort* p, uint32_t step_ms, uint32_t bound_ms, F&& done) {
    for (uint32_t waited = 0;; waited += step_ms) {
        if (done()) return true;
        if (waited >= bound_ms) return false;
        p->clock->SleepMs(step_ms);
    }
}

uint32_t Waiting(BuiltInPort* p) {
    const uint32_t dma = Read(p, p->receive_dma_reg);
    return ((dma - (p->ring_phys & 0xFFFF)) - p->read_pointer.load()) & (kRingSize - 1);
}

uint16_t ApplyFrame(BuiltInPort* p) {
    std::lock_guard lk(p->settings_lock);
    return FrameBits(p->byte_size, p->parity, p->stop_bits);
}

void ProgramFrame(BuiltInPort* p) {
    ChangeControl(p, kCtlFrameMask | kCtlTwoStopBits, ApplyFrame(p));
}

// Every serial port's properties, with the speeds the controller's baud codes reach and its own
// stop-bit and parity word.
COMMPROP Properties() {
    COMMPROP c = platform::SerialPortProperties(2048, 2048, 0x20000);
    c.dwSettableBaud = 0x67800;  // 9600, 14400, 19200, 38400, 57600, 115200
    c.wSettableStopParity = 0x0105;  // one or two stop bits, no parity
    return c;
}

void Unmap(BuiltInPort* p) {
    if (p->ring) p->services->UnmapMemory(p->ring, kDmaBlockSize);
    p->ring = p->transmit_area = nullptr;
}

void* Create(const platform::WideChar*, PortDevice* port) {
    if (!port || !port->hardware || !port->env.builtin || !port->env.clock) return nullptr;
    int index = -1;
    for (int i = 0; i < kPortCount; ++i)
        if (kPorts[i].interrupt_id == port->hardware->interrupt_id) index = i;
    if (index < 0) return nullptr;
    auto* p = new (std::nothrow) BuiltInPort;
    if (!p) return nullptr;
    const PortAddresses& a = kPorts[index];
    p->index = static_cast<uint32_t>(index);
    p->services = port->env.builtin;
    p->clock = port->env.clock;
    p->last_cable_event_ms = p->clock->TickMs();
    p->ring = p->services->MapMemory(a.dma_memory, kDmaBlockSize);
    uint16_t control = 0;
    if (!p->ring || !p->services->ReadRegister16(a.status + kControlOffset, &control)) {
        Unmap(p);
        delete p;
        return nullptr;
    }
    std::memset(p->ring, 0, kDmaBlockSize);
    p->transmit_area = p->ring + kTransmitAreaOffset;
    p->ring_phys = a.dma_memory;
    p->transmit_phys = a.dma_memory + kTransmitAreaOffset;
    p->status_reg = a.status;
    p->control_reg = a.status + kControlOffset;
    p->receive_dma_reg = a.receive_dma;
    p->transmit_dma_reg = a.transmit_dma;
    if (control & kCtlPortEnabled) {  // someone else drives this port
        Unmap(p);
        delete p;
        return nullptr;
    }
    ChangeControl(p, kCtlTransmitDma | kCtlBaudMask, kCtlPortEnabled | kBaud9600);
    PointDmaAtAreaStarts(p);
    ClearStatus(p, kStWriteOneToClear);
    p->properties = Properties();
    p->port = port;
    const uint16_t st = Read(p, p->status_reg);
    p->last_cts = st & kStCtsOff;
    p->last_dsr = st & kStDsrOff;
    p->last_dcd = st & kStDcdOff;
    p->last_ri = st & kStRiOff;
    ControlOff(p, kCtlDtr | kCtlRts);
    ClearStatus(p, kStModemChange | kStReceiveActivity | kStReceiveIdle);
    ControlOn(p, kCtlReceiverOn | kCtlModemInterrupt | kCtlReceiveInterrupt);
    return p;
}

void Destroy(void* ctx) {
    BuiltInPort* p = P(ctx);
    if (!p) return;
    WaitHardware(p, kDestroyStepMs, kDrainBoundMs, [&] { return p->transmit_busy.load() == 0; });
    ControlOff(p, kCtlTransmitDma | kCtlPortEnabled);
    Unmap(p);
    delete p;
}

int Open(void* ctx) {
    BuiltInPort* p = P(ctx);
    ControlOff(p, kCtlTransmitDma);
    ControlOn(p, kCtlPortEnabled);
    ProgramFrame(p);
    PointDmaAtAreaStarts(p);
    ControlOn(p, kCtlReceiverOn | kCtlModemInterrupt);
    p->read_pointer = 0;
    p->last_waiting = 0;
    ControlOn(p, kCtlReceiveInterrupt);
    p->state.fetch_or(kBuiltInOpen);
    return 1;
}

int Close(void* ctx) {
    BuiltInPort* p = P(ctx);
    WaitHardware(p, kCloseStepMs, kDrainBoundMs, [&] { return p->transmit_busy.load() == 0; });
    ClearStatus(p, kStTransmitDone | kStReceiveIdle | kStReceiveActivity | kStTransmitFetched);
    // The modem-change interrupt stays on: a closed port still has to see the next cable being
    // plugged in (which is why the cable-event time starts again below).
    ControlOff(p, kCtlTransmitDma | kCtlReceiveInterrupt | kCtlReceiverOn | kCtlDtr | kCtlRts);
    std::memset(p->ring, 0, kDmaBlockSize);
    p->transmit_busy = 0;  // a transmission that never finished is over now
    p->state.fetch_and(~kBuiltInOpen);
    p->last_cable_event_ms = p->clock->TickMs();
    return 1;
}

// A rising DCD on a port nobody has open is a desktop cable being plugged in.
void CableEvent(BuiltInPort* p) {
    if (p->state.load() & kBuiltInOpen) return;
    if (!p->services->WindowManagerReady()) return;
    const uint64_t now = p->clock->TickMs();
    const int elapsed = static_cast<int>(std::min<uint64_t>(now - p->last_cable_event_ms, INT32_MAX));
    char line[80];
    if (now - p->last_cable_event_ms < kCableDebounceMs) {
        std::snprintf(line, sizeof(line), kDcdCableIgnoredLine, elapsed);
        p->services->DebugOutput(line);
    } else {
        std::snprintf(line, sizeof(line), kDcdCableEventLine, elapsed);
        p->services->DebugOutput(line);
        p->services->SetNotificationEvent(platform::NOTIFICATION_EVENT_RS232_DETECTED);
    }
    p->last_cable_event_ms = now;
}

uint32_t GetPendingInterrupts(void* ctx) {
    BuiltInPort* p = P(ctx);
    uint16_t st = Read(p, p->status_reg);
    uint32_t events = 0, errors = 0;
    const uint16_t dcd = st & kStDcdOff, ri = st & kStRiOff, cts = st & kStCtsOff,
                   dsr = st & kStDsrOff;
    if (st & kStModemChange) {
        if (cts != p->last_cts) events |= platform::EV_CTS;
        p->last_cts = cts;
        if (dcd != p->last_dcd) {
            events |= platform::EV_DSR;
            if (!dcd) CableEvent(p);
        }
        p->last_dsr = dsr;
    }
    if (!ri) events |= platform::EV_RING;
    if (dcd != p->last_dcd) {
        p->last_dcd = dcd;
        events |= platform::EV_RLSD;
    }
    if (st & kStTransmitDone) events |= platform::EV_TXEMPTY;
    if (p->state.fetch_and(~kBuiltInPowerEventPending) & kBuiltInPowerEventPending)
        events |= platform::EV_POWER;
    if (st & kStFraming) {
        ClearStatus(p, kStFraming);
        errors |= platform::CE_FRAME;
    }
    if (st & kStOverrun) {
        ClearStatus(p, kStOverrun);
        errors |= platform::CE_OVERRUN;
    }
    // The controller knows nothing of the read pointer: when nobody takes the bytes it writes
    // on round the ring, and what it overwrote is lost. That loss counts as an overrun.
    const uint32_t waiting = Waiting(p);
    if (waiting < p->last_waiting.exchange(waiting)) errors |= platform::CE_OVERRUN;
    if (errors) {
        p->line_errors.fetch_or(errors);
        events |= platform::EV_ERR;
    }
    if (events) NotifyEvents(p->port, events);

    uint32_t result = 0;
    if (st & kStReceiveData) {
        ClearStatus(p, kStReceiveData);
        result |= kInterruptReceive;
    }
    if ((st & kStReceiveIdle) && p->idle_reported.exchange(1) == 0) result |= kInterruptReceive;
    if (st & (kStTransmitDone | kStTransmitFetched)) result |= kInterruptTransmit;
    if (st & kStModemChange) {
        ClearStatus(p, kStModemChange);
        result |= kInterruptModemStatus;
    }
    if (dcd != p->last_dcd || ri != p->last_ri) result |= kInterruptModemStatus;
    p->last_dcd = dcd;
    p->last_ri = ri;
    return result;
}

uint32_t ReceiveBytes(void* ctx, uint8_t* destination, uint32_t* count) {
    BuiltInPort* p = P(ctx);
    DCB dcb;
    uint8_t byte_size, mode;
    {
        std::lock_guard lk(p->settings_lock);
        dcb = p->dcb;
        byte_size = p->byte_size;
    }
    mode = p->parity_mode.load();
    const uint32_t room = *count;
    uint32_t stored = 0;
    bool evt_char = false;
    const bool dsr_off = Read(p, p->status_reg) & kStDsrOff;
    for (uint32_t waiting = Waiting(p); waiting != 0; waiting = Waiting(p)) {
        for (; waiting != 0; --waiting) {
            if (stored == room) {
                p->idle_reported = 0;
                p->last_waiting = waiting;
                *count = stored;
                return 0;
            }
            const uint32_t r = p->read_pointer.load();
            const uint8_t raw = p->ring[r];
            p->read_pointer = (r + 1) & (kRingSize - 1);
            if (dcb.fDsrSensitivity && dsr_off) continue;
            if (mode != platform::NOPARITY && !ParityOk(raw, mode, byte_size))
                p->line_errors.fetch_or(platform::CE_RXPARITY);
            const uint8_t value = byte_size < 8 ? static_cast<uint8_t>(raw & ~(1u << byte_size)) : raw;
            if (value == 0 && dcb.fNull) continue;
            destination[stored++] = value;
            if (value == static_cast<uint8_t>(dcb.EvtChar)) evt_char = true;
        }
    }
    *count = stored;
    p->last_waiting = 0;
    ClearStatus(p, kStReceiveActivity);
    if (Read(p, p->status_reg) & kStReceiveIdle) {
        p->idle_reported = 0;
        ClearStatus(p, kStReceiveIdle);
    }
    if (evt_char) NotifyEvents(p->port, platform::EV_RXFLAG);
    return 0;
}

void StartTransmitDma(BuiltInPort* p) {
    // The DMA starts on the bit's rising edge.
    ControlOff(p, kCtlTransmitDma);
    ControlOn(p, kCtlTransmitDma);
}

uint32_t TransmitBytes(void* ctx, const uint8_t* source, uint32_t count, uint32_t* taken) {
    BuiltInPort* p = P(ctx);
    *taken = 0;
    if (p->transmit_busy.load()) return 0;
    DCB dcb;
    uint8_t byte_size;
    {
        std::lock_guard lk(p->settings_lock);
        dcb = p->dcb;
        byte_size = p->byte_size;
    }
    const uint16_t st = Read(p, p->status_reg);
    if ((dcb.fOutxCtsFlow && (st & kStCtsOff)) || (dcb.fOutxDsrFlow && (st & kStDsrOff))) return 10;
    const uint32_t limit = (dcb.fOutxCtsFlow || dcb.fOutxDsrFlow) ? kFlowControlledChunk : kHalfArea;
    const uint32_t n = std::min(count, limit);
    if (n == 0) return 0;
    const uint8_t mode = p->parity_mode.load();
    uint8_t* out = p->transmit_area + kHalfArea - n;
    for (uint32_t i = 0; i < n; ++i) out[i] = AddParity(source[i], mode, byte_size);
    p->transmit_busy = 1;
    Write(p, p->transmit_dma_reg, static_cast<uint16_t>((p->transmit_phys + kHalfArea - n) & 0xFFFF));
    if (p->index == 1) ControlOff(p, kCtlReceiveInterrupt);
    StartTransmitDma(p);
    *taken = n;
    return 0;
}

void OnTransmitReady(void* ctx) {
    BuiltInPort* p = P(ctx);
    ControlOff(p, kCtlTransmitDma);
    if (p->index == 1) ControlOn(p, kCtlReceiveInterrupt);
    // Both done bits: one left set would report the transmitter ready for ever.
    ClearStatus(p, kStTransmitDone | kStTransmitFetched);
    p->transmit_busy = 0;
}

int SendImmediate(void* ctx, uint8_t character) {
    BuiltInPort* p = P(ctx);
    uint8_t byte_size;
    {
        std::lock_guard lk(p->settings_lock);
        byte_size = p->byte_size;
    }
    ControlOff(p, kCtlTransmitDma);
    const uint16_t resume = Read(p, p->transmit_dma_reg);
    const bool was_busy = p->transmit_busy.load() != 0;
    const bool unfinished = was_busy && ((resume - (p->transmit_phys & 0xFFFF)) % kHalfArea) != 0;
    // The done bits of the character below must not be mistaken for an earlier transmission's.
    if (!was_busy || unfinished) ClearStatus(p, kStTransmitDone | kStTransmitFetched);
    p->transmit_area[kTransmitAreaSize - 1] = AddParity(character, p->parity_mode.load(), byte_size);
    Write(p, p->transmit_dma_reg, static_cast<uint16_t>((p->transmit_phys + kTransmitAreaSize - 1) & 0xFFFF));
    p->transmit_busy = 1;
    StartTransmitDma(p);
    WaitHardware(p, kSpinStepMs, kCharacterBoundMs,
                 [&] { return (Read(p, p->status_reg) & kStTransmitDone) != 0; });
    ControlOff(p, kCtlTransmitDma);
    Write(p, p->transmit_dma_reg, resume);
    if (unfinished) {
        // The interrupted transmission goes on where it stopped instead of being lost.
        ClearStatus(p, kStTransmitDone | kStTransmitFetched);
        StartTransmitDma(p);
    }
    // Otherwise the done bits stay and the transmit interrupt ends the busy state.
    return 1;
}

int PowerOff(void* ctx) {
    BuiltInPort* p = P(ctx);
    if (p->transmit_busy.load())
        WaitHardware(p, kSpinStepMs, kCharacterBoundMs,
                     [&] { return (Read(p, p->transmit_dma_reg) & 1) == 0; });
    Write(p, kControllerEnable, static_cast<uint16_t>(Read(p, kControllerEnable) & ~kPorts[p->index].enable_bit));
    ControlOff(p, kCtlReceiverOn);
    return 1;
}

int PowerOn(void* ctx) {
    BuiltInPort* p = P(ctx);
    ControlOff(p, kCtlTransmitDma);
    ControlOn(p, kCtlPortEnabled);
    PointDmaAtAreaStarts(p);
    ProgramFrame(p);
    uint32_t baud;
    bool cts_flow;
    {
        std::lock_guard lk(p->settings_lock);
        baud = p->baud_rate;
        cts_flow = p->dcb.fOutxCtsFlow;
    }
    {
        std::lock_guard lk(p->control_lock);
        const uint16_t c = Read(p, p->control_reg);
        const uint16_t code = BaudCode(baud, c & kCtlBaudMask);
        Write(p, p->control_reg,
              static_cast<uint16_t>((c & ~(kCtlBaudMask | kCtlCtsFlow)) | code | (cts_flow ? kCtlCtsFlow : 0)));
    }
    p->read_pointer = 0;
    p->last_waiting = 0;
    p->idle_reported = 0;
    // A transmission cut by the power-off never reports done; the transmitter is free again.
    p->transmit_busy = 0;
    ControlOn(p, kCtlReceiverOn | kCtlModemInterrupt);
    Write(p, kControllerEnable, static_cast<uint16_t>(Read(p, kControllerEnable) | kPorts[p->index].enable_bit));
    ControlOn(p, kCtlReceiveInterrupt);
    p->state.fetch_or(kBuiltInPowerEventPending);
    const uint32_t ids[] = {kPorts[0].interrupt_id, kPorts[1].interrupt_id};
    p->services->RaiseInterruptEvents(ids, 2);
    return 1;
}

uint32_t GetStatus(void* ctx, COMSTAT* status) {
    BuiltInPort* p = P(ctx);
    const uint32_t errors = p->line_errors.exchange(0);
    DCB dcb;
    {
        std::lock_guard lk(p->settings_lock);
        dcb = p->dcb;
    }
    const uint16_t st = Read(p, p->status_reg);
    COMSTAT s{};
    s.fCtsHold = dcb.fOutxCtsFlow && (st & kStCtsOff);
    s.fDsrHold = dcb.fOutxDsrFlow && (st & kStDsrOff);
    s.cbInQue = Waiting(p);
    s.cbOutQue = 0;
    if (status) *status = s;
    return errors;
}

void GetModemStatus(void* ctx, uint32_t* modem_status) {
    const uint16_t st = Read(P(ctx), P(ctx)->status_reg);
    *modem_status = ((st & kStCtsOff) ? 0 : platform::MS_CTS_ON) |
                    ((st & kStDsrOff) ? 0 : platform::MS_DSR_ON) |
                    ((st & kStRiOff) ? 0 : platform::MS_RING_ON) |
                    ((st & kStDcdOff) ? 0 : platform::MS_RLSD_ON);
}

void PurgeFifos(void* ctx, uint32_t flags) {
    BuiltInPort* p = P(ctx);
    if (flags & platform::PURGE_RXCLEAR) {
        p->read_pointer = (Read(p, p->receive_dma_reg) - (p->ring_phys & 0xFFFF)) & (kRingSize - 1);
        p->last_waiting = 0;
    }
    if (flags & platform::PURGE_TXCLEAR) {
        // The controller sends until its address reaches a half-area boundary; an address short
        // of one with the DMA still running would put stale bytes on the line. So the DMA stops
        // and the address goes to the boundary: nothing is left to send and a running
        // transmission ends without its done bits, so the busy state ends here.
        ControlOff(p, kCtlTransmitDma);
        Write(p, p->transmit_dma_reg, static_cast<uint16_t>((p->transmit_phys + kHalfArea) & 0xFFFF));
        ClearStatus(p, kStTransmitDone | kStTransmitFetched);
        if (p->index == 1) ControlOn(p, kCtlReceiveInterrupt);
        p->transmit_busy = 0;
    }
}

int SetLineSettings(void* ctx, const DCB* settings) {
    BuiltInPort* p = P(ctx);
    {
        std::lock_guard lk(p->settings_lock);
        p->stop_bits = settings->StopBits;
        p->parity = settings->Parity;
        p->byte_size = settings->ByteSize;
        p->baud_rate = settings->BaudRate;
        p->dcb = *settings;
    }
    p->parity_mode = settings->Parity;
    std::lock_guard lk(p->control_lock);
    const uint16_t c = Read(p, p->control_reg);
    const uint16_t code = BaudCode(settings->BaudRate, c & kCtlBaudMask);
    const uint16_t frame = FrameBits(settings->ByteSize, settings->Parity, settings->StopBits);
    Write(p, p->control_reg,
          static_cast<uint16_t>((c & ~(kCtlBaudMask | kCtlFrameMask | kCtlTwoStopBits | kCtlCtsFlow)) |
                                code | frame | (settings->fOutxCtsFlow ? kCtlCtsFlow : 0)));
    return 1;
}

}  // namespace

const HardwareOps kBuiltInOps = {
    .Create = Create,
    .Destroy = Destroy,
    .Open = Open,
    .Close = Close,
    .ReceiveBytes = ReceiveBytes,
    .GetInterruptParam = [](void* ctx) { return P(ctx)->ring_phys; },
    .GetPendingInterrupts = GetPendingInterrupts,
    .OnModemStatus =
        [](void* ctx) {
            BuiltInPort* p = P(ctx);
            ClearStatus(p, kStReceiveIdle | kStReceiveActivity);
            ControlOn(p, kCtlReceiveInterrupt);
            ClearStatus(p, kStModemChange);
        },
    .OnLineStatus = [](void*) {},
    .GetReceiveBufferHint = [](void*) { return kReceiveBufferHint; },
    .OnTransmitReady = OnTransmitReady,
    .TransmitBytes = TransmitBytes,
    .PowerOff = PowerOff,
    .PowerOn = PowerOn,
    .ClearDtr = [](void* ctx) { ControlOff(P(ctx), kCtlDtr); },
    .SetDtr = [](void* ctx) { ControlOn(P(ctx), kCtlDtr); },
    .ClearRts = [](void* ctx) { ControlOff(P(ctx), kCtlRts); },
    .SetRts = [](void* ctx) { ControlOn(P(ctx), kCtlRts); },
    .EnableInfrared = [](void* ctx, uint32_t) { return static_cast<int>(P(ctx)->index); },
    .DisableInfrared = [](void* ctx) { return static_cast<int>(P(ctx)->index); },
    .ClearBreak = [](void*) {},
    .SetBreak = [](void*) {},
    .SendImmediate = SendImmediate,
    .GetStatus = GetStatus,
    .ResetStatus =
        [](void* ctx) {
            P(ctx)->comstat = {};
            ControlOn(P(ctx), kCtlReceiveInterrupt);
        },
    .GetModemStatus = GetModemStatus,
    .GetProperties = [](void* ctx, COMMPROP* c) { *c = P(ctx)->properties; },
    .PurgeFifos = PurgeFifos,
    .SetLineSettings = SetLineSettings,
    .SetTimeouts = [](void*, const platform::COMMTIMEOUTS*) { return 1; },
    .ExtraControl = [](void*, uint32_t, const uint8_t*, uint32_t, uint8_t*, uint32_t,
                       uint32_t*) { return 0; },
    .CardPowerUp = [](void*) { return 1; },
    .CardPowerDown = [](void*) { return 1; },
};

}  // namespace qmx2::driver
