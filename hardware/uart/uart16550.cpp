// The 16550's registers, FIFOs and line timing.
#include "hardware/uart/uart16550.h"

#include <algorithm>

namespace qmx2::hardware {

using namespace uart16550;
namespace {

constexpr uint64_t kNsPerSecond = 1'000'000'000ull;
constexpr uint64_t kInputClockHz = 115200;  // 1.8432 MHz / 16
constexpr size_t kTriggerLevels[4] = {1, 4, 8, 14};
constexpr uint8_t kLsrErrorBits = kLsrOverrun | kLsrParity | kLsrFraming | kLsrBreak;

}  // namespace

uint64_t Uart16550::CharacterTime() const {
    const uint64_t data_bits = 5 + (lcr_ & 0x03);
    const uint64_t parity = (lcr_ & kLcrParityEnable) ? 1 : 0;
    // Half bits, so that 1.5 stop bits stay exact.
    uint64_t stop_half_bits = 2;
    if (lcr_ & kLcrTwoStopBits) stop_half_bits = data_bits == 5 ? 3 : 4;
    const uint64_t half_bits = 2 * (1 + data_bits + parity) + stop_half_bits;
    const uint64_t divisor = this->divisor() == 0 ? 65536 : this->divisor();
    return half_bits * divisor * kNsPerSecond / (2 * kInputClockHz);
}

bool Uart16550::ReceivePaused(uint64_t limit) const {
    if (!serviced_ || !InterruptLine()) return false;
    // A routine that let time pass before reading is slow: the line goes on without it.
    if (routine_running_ && !pause_always_ && limit > routine_limit_) return false;
    const uint8_t id = ComputeIir() & kIirIdMask;
    return id == kIirReceiveData || id == kIirReceiveTimeout || id == kIirLineStatus;
}

bool Uart16550::InterruptLine() const {
    return (ComputeIir() & kIirNonePending) == 0 && (mcr_ & kMcrOut2);
}

uint8_t Uart16550::ComputeIir() const {
    const uint8_t fifo_bits = fifo_enabled_ ? kIirFifosOn : 0x00;
    if ((ier_ & kIerLineStatus) && (lsr_errors_ & kLsrErrorBits))
        return fifo_bits | kIirLineStatus;
    if (ier_ & kIerReceive) {
        if (rx_fifo_.size() >= TriggerLevel()) return fifo_bits | kIirReceiveData;
        if (timeout_interrupt_ && !rx_fifo_.empty()) return fifo_bits | kIirReceiveTimeout;
    }
    if ((ier_ & kIerTransmit) && thr_interrupt_) return fifo_bits | kIirTransmitEmpty;
    if ((ier_ & kIerModemStatus) && (msr_deltas_ & 0x0F)) return fifo_bits | kIirModemStatus;
    return fifo_bits | kIirNonePending;
}

uint64_t Uart16550::NextEvent() const {
    uint64_t next = kNoEvent;
    if (tsr_busy_) next = tsr_done_;
    if (rx_busy_ && !ReceivePaused(settled_to_)) next = std::min(next, rx_done_);
    if (fifo_enabled_ && !rx_fifo_.empty() && !timeout_interrupt_)
        next = std::min(next, rx_last_activity_ + 4 * CharacterTime());
    return next;
}

void Uart16550::StartTransmitter(uint64_t now) {
    if (tsr_busy_ || tx_fifo_.empty()) return;
    tsr_byte_ = tx_fifo_.front();
    tx_fifo_.pop_front();
    tsr_busy_ = true;
    tsr_done_ = std::max(tx_line_free_, now) + CharacterTime();
    // The holding register empties as its byte enters the shift register.
    if (tx_fifo_.empty()) thr_interrupt_ = true;
}

void Uart16550::FinishTransmit() {
    tsr_busy_ = false;
    tx_line_free_ = tsr_done_;
    const uint8_t mask = static_cast<uint8_t>((1u << (5 + (lcr_ & kLcrWordLengthMask))) - 1);
    if (peer_) peer_->OnByteFromUart(tsr_byte_ & mask);
    StartTransmitter(tx_line_free_);
}

void Uart16550::StartReceiver(uint64_t now) {
    if (rx_busy_ || line_in_.empty() || !PeerMaySend()) return;
    rx_byte_ = line_in_.front();
    line_in_.pop_front();
    rx_busy_ = true;
    rx_done_ = std::max(rx_line_free_, now) + CharacterTime();
}

void Uart16550::FinishReceive() {
    rx_busy_ = false;
    rx_line_free_ = rx_done_;
    rx_last_activity_ = rx_done_;
    timeout_interrupt_ = false;
    if (rx_fifo_.size() >= FifoCapacity()) {
        // The chip keeps what it has and loses the new character.
        lsr_errors_ |= kLsrOverrun;
        ++overruns_;
    } else {
        const uint8_t mask = static_cast<uint8_t>((1u << (5 + (lcr_ & kLcrWordLengthMask))) - 1);
        rx_fifo_.push_back({static_cast<uint8_t>(rx_byte_.value & mask), rx_byte_.errors});
        if (rx_fifo_.size() == 1) NoteTopErrors();
    }
    StartReceiver(rx_line_free_);
}

void Uart16550::NoteTopErrors() {
    if (!rx_fifo_.empty()) lsr_errors_ |= rx_fifo_.front().errors & kLsrErrorBits;
}

void Uart16550::Advance(uint64_t limit) {
    settled_to_ = std::max(settled_to_, limit);
    for (;;) {
        const bool tx_due = tsr_busy_ && tsr_done_ < limit;
        const bool rx_due = rx_busy_ && rx_done_ < limit && !ReceivePaused(limit);
        if (!tx_due && !rx_due) break;
        if (tx_due && (!rx_due || tsr_done_ <= rx_done_)) FinishTransmit();
        else FinishReceive();
    }
    if (fifo_enabled_ && !rx_fifo_.empty() && rx_last_activity_ + 4 * CharacterTime() < limit)
        timeout_interrupt_ = true;
}

void Uart16550::SendFromPeer(const uint8_t* bytes, size_t count, uint64_t now, uint8_t errors) {
    for (size_t i = 0; i < count; ++i) line_in_.push_back({bytes[i], errors});
    StartReceiver(now);
}

void Uart16550::SetPeerLines(bool cts, bool dsr, bool ri, bool dcd) {
    const uint8_t lines = static_cast<uint8_t>((cts ? kMsrCts : 0) | (dsr ? kMsrDsr : 0) |
                                               (ri ? kMsrRing : 0) | (dcd ? kMsrDcd : 0));
    const uint8_t changed = lines ^ msr_lines_;
    if (changed & kMsrCts) msr_deltas_ |= kMsrDeltaCts;
    if (changed & kMsrDsr) msr_deltas_ |= kMsrDeltaDsr;
    if ((changed & kMsrRing) && !(lines & kMsrRing)) msr_deltas_ |= kMsrRingEnded;
    if (changed & kMsrDcd) msr_deltas_ |= kMsrDeltaDcd;
    msr_lines_ = lines;
}

uint8_t Uart16550::ReadLineStatus() {
    uint8_t lsr = lsr_errors_;
    if (!rx_fifo_.empty()) lsr |= kLsrDataReady;
    if (tx_fifo_.empty()) lsr |= kLsrThrEmpty;
    if (tx_fifo_.empty() && !tsr_busy_) lsr |= kLsrTransmitterEmpty;
    if (fifo_enabled_ && std::any_of(rx_fifo_.begin(), rx_fifo_.end(),
                                     [](const LineByte& b) { return b.errors != 0; }))
        lsr |= kLsrFifoError;
    lsr_errors_ = 0;
    return lsr;
}

uint8_t Uart16550::ReadModemStatus() {
    const uint8_t msr = msr_lines_ | msr_deltas_;
    msr_deltas_ = 0;
    return msr;
}

uint8_t Uart16550::Read(uint8_t reg, uint64_t now) {
    const bool dlab = lcr_ & kLcrDivisorLatch;
    switch (reg & 7) {
        case 0: {
            if (dlab) return dll_;
            if (rx_fifo_.empty()) return 0;
            const uint8_t value = rx_fifo_.front().value;
            rx_fifo_.pop_front();
            timeout_interrupt_ = false;
            rx_last_activity_ = std::max(rx_last_activity_, now);
            NoteTopErrors();
            return value;
        }
        case 1: return dlab ? dlm_ : ier_;
        case 2: {
            const uint8_t iir = ComputeIir();
            if ((iir & kIirIdMask) == kIirTransmitEmpty) thr_interrupt_ = false;
            return iir;
        }
        case 3: return lcr_;
        case 4: return mcr_;
        case 5: return ReadLineStatus();
        case 6: return ReadModemStatus();
        default: return scratch_broken_ ? 0xFF : scr_;
    }
}

void Uart16550::WriteFifoControl(uint8_t value) {
    const bool enable = value & kFcrEnable;
    if (enable != fifo_enabled_) {
        rx_fifo_.clear();
        tx_fifo_.clear();
    }
    fifo_enabled_ = enable;
    if (value & kFcrClearReceive) {
        rx_fifo_.clear();
        timeout_interrupt_ = false;
    }
    if (value & kFcrClearTransmit) tx_fifo_.clear();
    trigger_ = kTriggerLevels[value >> 6];
}

void Uart16550::WriteModemControl(uint8_t value, uint64_t now) {
    const uint8_t changed = mcr_ ^ value;
    mcr_ = value & 0x1F;
    if ((changed & 0x03) && peer_) peer_->OnModemControl(mcr_ & kMcrDtr, mcr_ & kMcrRts);
    StartReceiver(now);
}

void Uart16550::Write(uint8_t reg, uint8_t value, uint64_t now) {
    const bool dlab = lcr_ & kLcrDivisorLatch;
    switch (reg & 7) {
        case 0:
            if (dlab) {
                dll_ = value;
                return;
            }
            if (tx_fifo_.size() < FifoCapacity()) tx_fifo_.push_back(value);
            thr_interrupt_ = false;
            StartTransmitter(now);
            return;
        case 1:
            if (dlab) {
                dlm_ = value;
                return;
            }
            // Enabling the transmit interrupt with the holding register empty raises it.
            if ((value & kIerTransmit) && !(ier_ & kIerTransmit) && tx_fifo_.empty())
                thr_interrupt_ = true;
            ier_ = value & 0x0F;
            return;
        case 2: WriteFifoControl(value); return;
        case 3: lcr_ = value; return;
        case 4: WriteModemControl(value, now); return;
        case 5: case 6: return;  // read-only
        default: scr_ = value; return;
    }
}

}  // namespace qmx2::hardware
