#include "hardware/dmauart/dma_uart.h"

#include <algorithm>

namespace qmx2::hardware {

using namespace dmauart;

namespace {

constexpr uint64_t kNsPerSecond = 1'000'000'000;
// The line counts as idle after this many character times without a byte.
constexpr uint64_t kIdleCharacters = 3;

uint32_t Low(uint32_t a) { return a & 0xFFFF; }
uint32_t WithLow(uint32_t a, uint16_t v) { return (a & 0xFFFF0000u) | v; }
uint32_t WithHigh(uint32_t a, uint16_t v) { return (a & 0xFFFFu) | uint32_t{v} << 16; }

// Data bits per character as the control register's frame-length bits set them.
uint32_t DataBits(uint16_t control) { return (control & kCtlFrame6) ? 6 : (control & kCtlFrame7) ? 7 : 8; }
uint8_t DataMask(uint16_t control) { return static_cast<uint8_t>((1u << DataBits(control)) - 1); }

}  // namespace

DmaUartController::DmaUartController() {
    // The boot firmware leaves both ports enabled in the shared register and the lines off.
    enable_ = kPorts[0].enable_bit | kPorts[1].enable_bit;
    for (auto& p : ports_) p.status = LineBits(p.lines);
}

uint16_t DmaUartController::LineBits(const PeerLines& l) const {
    return static_cast<uint16_t>((l.dcd ? 0 : kStDcdOff) | (l.cts ? 0 : kStCtsOff) |
                                 (l.dsr ? 0 : kStDsrOff) | (l.ri ? 0 : kStRiOff));
}

bool DmaUartController::Running(int port) const {
    return (ports_[port].control & kCtlPortEnabled) && (enable_ & kPorts[port].enable_bit);
}

uint64_t DmaUartController::CharacterTime(int port) const {
    const uint16_t c = ports_[port].control;
    const uint64_t bits = 1 + DataBits(c) + ((c & kCtlTwoStopBits) ? 2 : 1);
    return bits * kNsPerSecond / RateOfCode(c);
}

bool DmaUartController::ReadRegister(uint32_t phys, uint16_t* value, uint64_t now) {
    Advance(now);
    if (phys == kControllerEnable) {
        *value = enable_;
        return true;
    }
    for (int i = 0; i < kPortCount; ++i) {
        const PortAddresses& a = kPorts[i];
        const Port& p = ports_[i];
        if (phys == a.status) *value = p.status;
        else if (phys == a.status + kControlOffset) *value = p.control;
        else if (phys == a.receive_dma) *value = static_cast<uint16_t>(Low(p.rx_address));
        else if (phys == a.receive_dma + kAddressHighOffset) *value = static_cast<uint16_t>(p.rx_address >> 16);
        else if (phys == a.transmit_dma) *value = static_cast<uint16_t>(Low(p.tx_address));
        else if (phys == a.transmit_dma + kAddressHighOffset) *value = static_cast<uint16_t>(p.tx_address >> 16);
        else continue;
        return true;
    }
    return false;
}

bool DmaUartController::WriteRegister(uint32_t phys, uint16_t value, uint64_t now) {
    Advance(now);
    if (phys == kControllerEnable) {
        enable_ = value;
        for (int i = 0; i < kPortCount; ++i) {
            StartReceive(i, now);
            StartTransmit(i, now);
        }
        return true;
    }
    for (int i = 0; i < kPortCount; ++i) {
        const PortAddresses& a = kPorts[i];
        Port& p = ports_[i];
        if (phys == a.status) p.status = static_cast<uint16_t>(p.status & ~(value & kStWriteOneToClear));
        else if (phys == a.status + kControlOffset) WriteControl(i, value, now);
        else if (phys == a.receive_dma) p.rx_address = WithLow(p.rx_address, value);
        else if (phys == a.receive_dma + kAddressHighOffset) p.rx_address = WithHigh(p.rx_address, value);
        else if (phys == a.transmit_dma) p.tx_address = WithLow(p.tx_address, value);
        else if (phys == a.transmit_dma + kAddressHighOffset) p.tx_address = WithHigh(p.tx_address, value);
        else continue;
        return true;
    }
    return false;
}

uint8_t* DmaUartController::Memory(uint32_t phys, size_t size) {
    for (int i = 0; i < kPortCount; ++i) {
        const uint32_t base = kPorts[i].dma_memory;
        if (phys >= base && size <= kDmaBlockSize && phys - base <= kDmaBlockSize - size)
            return ports_[i].memory.data() + (phys - base);
    }
    return nullptr;
}

void DmaUartController::WriteControl(int port, uint16_t value, uint64_t now) {
    Port& p = ports_[port];
    const uint16_t old = p.control;
    p.control = value;
    if ((old ^ value) & (kCtlDtr | kCtlRts) && p.peer)
        p.peer->OnModemControl(value & kCtlDtr, value & kCtlRts);
    // The transmit DMA starts when its bit turns on and stops (the byte on the wire finishes)
    // when it turns off.
    if (!(old & kCtlTransmitDma) && (value & kCtlTransmitDma)) p.tx_active = true;
    if (!(value & kCtlTransmitDma)) p.tx_active = false;
    StartReceive(port, now);
    StartTransmit(port, now);
}

void DmaUartController::SendFromPeer(int port, const uint8_t* bytes, size_t count, uint64_t now,
                                     bool framing_error) {
    Advance(now);
    for (size_t i = 0; i < count; ++i) ports_[port].line_in.push_back({bytes[i], framing_error});
    StartReceive(port, now);
}

void DmaUartController::SetPeerLines(int port, PeerLines lines, uint64_t now) {
    Advance(now);
    Port& p = ports_[port];
    const uint16_t before = LineBits(p.lines), after = LineBits(lines);
    p.lines = lines;
    p.status = static_cast<uint16_t>((p.status & ~(kStDcdOff | kStCtsOff | kStDsrOff | kStRiOff)) | after);
    if (before != after) p.status |= kStModemChange;
    StartTransmit(port, now);  // CTS may have come back
}

void DmaUartController::StartReceive(int port, uint64_t now) {
    Port& p = ports_[port];
    if (p.rx_busy || p.line_in.empty()) return;
    p.rx_byte = p.line_in.front();
    p.line_in.pop_front();
    p.rx_busy = true;
    p.rx_done = std::max(now, p.rx_line_free) + CharacterTime(port);
    p.idle_due = kNoEvent;
}

void DmaUartController::StoreReceived(int port, uint8_t byte) {
    Port& p = ports_[port];
    const uint32_t base = kPorts[port].dma_memory;
    const uint32_t offset = p.rx_address - base;
    // A byte the receiver cannot place (off, port disabled, DMA address outside the ring) is lost.
    if (!Running(port) || !(p.control & kCtlReceiverOn) || p.rx_address < base || offset >= kRingSize) {
        p.status |= kStOverrun;
        ++p.overruns;
        return;
    }
    p.memory[offset] = byte;
    p.rx_address = base + (offset + 1) % kRingSize;
    p.status |= kStReceiveData | kStReceiveActivity;
}

void DmaUartController::FinishReceive(int port) {
    Port& p = ports_[port];
    p.rx_busy = false;
    p.rx_line_free = p.rx_done;
    if (p.rx_byte.framing_error && Running(port) && (p.control & kCtlReceiverOn)) p.status |= kStFraming;
    StoreReceived(port, p.rx_byte.value & DataMask(p.control));
    p.idle_due = p.rx_done + kIdleCharacters * CharacterTime(port);
    StartReceive(port, p.rx_done);
}

void DmaUartController::StartTransmit(int port, uint64_t now) {
    Port& p = ports_[port];
    if (p.tx_busy || !p.tx_active || !Running(port)) return;
    if ((p.control & kCtlCtsFlow) && !p.lines.cts) return;
    const uint32_t area = kPorts[port].dma_memory + kTransmitAreaOffset;
    const uint32_t offset = p.tx_address - area;
    if (p.tx_address < area || offset >= kTransmitAreaSize) {
        // Pointed outside its area: the DMA fetches nothing and reports itself done.
        p.tx_active = false;
        p.status |= kStTransmitFetched | kStTransmitDone;
        return;
    }
    p.tx_byte = p.memory[kTransmitAreaOffset + offset];
    p.tx_address = area + offset + 1;
    p.tx_busy = true;
    p.tx_done = std::max(now, p.tx_line_free) + CharacterTime(port);
    p.tx_last = (offset + 1) % kTransmitStopBoundary == 0;
    if (p.tx_last) p.tx_active = false;
}

void DmaUartController::FinishTransmit(int port) {
    Port& p = ports_[port];
    p.tx_busy = false;
    p.tx_line_free = p.tx_done;
    if (p.peer) p.peer->OnByteFromUart(p.tx_byte & DataMask(p.control));
    // Done only when the DMA ran to its boundary, not when software stopped it.
    if (p.tx_last) p.status |= kStTransmitFetched | kStTransmitDone;
    StartTransmit(port, p.tx_done);
}

uint64_t DmaUartController::NextEvent() const {
    uint64_t next = kNoEvent;
    for (const Port& p : ports_) {
        if (p.rx_busy) next = std::min(next, p.rx_done);
        if (p.tx_busy) next = std::min(next, p.tx_done);
        next = std::min(next, p.idle_due);
    }
    return next;
}

void DmaUartController::Advance(uint64_t limit) {
    for (;;) {
        const uint64_t next = NextEvent();
        if (next >= limit) return;
        for (int i = 0; i < kPortCount; ++i) {
            Port& p = ports_[i];
            if (p.rx_busy && p.rx_done == next) FinishReceive(i);
            if (p.tx_busy && p.tx_done == next) FinishTransmit(i);
            if (p.idle_due == next) {
                p.idle_due = kNoEvent;
                if (Running(i) && (p.control & kCtlReceiverOn)) p.status |= kStReceiveIdle;
            }
        }
    }
}

bool DmaUartController::InterruptLine(int port) const {
    if (!Running(port)) return false;
    const Port& p = ports_[port];
    const bool receive = (p.control & kCtlReceiveInterrupt) && (p.status & (kStReceiveData | kStReceiveIdle));
    const bool modem = (p.control & kCtlModemInterrupt) && (p.status & kStModemChange);
    const bool other = p.status & (kStTransmitDone | kStOverrun | kStFraming);
    return receive || modem || other;
}

}  // namespace qmx2::hardware
