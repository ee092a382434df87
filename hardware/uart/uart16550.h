// A 16550 UART: eight registers, 16-byte FIFOs with a receive trigger level, interrupt
// identification, line and modem status, divisor latch and scratch register. Bytes move on
// the serial line at the rate the divisor and line control give, in nanoseconds of a time the
// caller passes in; the far side of the line is a SerialPeer that sees a byte stream only.
//
// Not thread-safe: the bus glue that embeds it serialises every call.
#pragma once

#include <cstddef>
#include <algorithm>
#include <cstdint>
#include <deque>

#include "platform/uart16550_registers.h"

namespace qmx2::hardware {

class SerialPeer {
public:
    virtual ~SerialPeer() = default;
    // A byte the UART finished sending.
    virtual void OnByteFromUart(uint8_t byte) = 0;
    // The UART's DTR and RTS outputs changed.
    virtual void OnModemControl(bool /*dtr*/, bool /*rts*/) {}
};

using uart16550::kLsrBreak;
using uart16550::kLsrDataReady;
using uart16550::kLsrFifoError;
using uart16550::kLsrFraming;
using uart16550::kLsrOverrun;
using uart16550::kLsrParity;
using uart16550::kLsrThrEmpty;
using uart16550::kLsrTransmitterEmpty;
inline constexpr uint64_t kNoEvent = UINT64_MAX;

class Uart16550 {
public:
    // `now` below is the start of the caller's time quantum; Advance(limit) settles everything
    // that happens on the line before `limit`.
    uint8_t Read(uint8_t reg, uint64_t now);
    void Write(uint8_t reg, uint8_t value, uint64_t now);
    void Advance(uint64_t limit);
    // When the next line event is due (kNoEvent: none).
    uint64_t NextEvent() const;
    // The IRQ output: an interrupt is identified and OUT2 gates it through.
    bool InterruptLine() const;

    // The far side.
    void SetPeer(SerialPeer* peer) { peer_ = peer; }
    // Bytes the peer sends; `errors` marks them with line errors (parity, framing, break).
    void SendFromPeer(const uint8_t* bytes, size_t count, uint64_t now, uint8_t errors = 0);
    void SetPeerLines(bool cts, bool dsr, bool ri, bool dcd);
    // The far side stops sending while RTS is off (hardware flow control).
    void SetPeerHonoursRts(bool on) { peer_honours_rts_ = on; }
    // A chip whose scratch register holds nothing (reads 0xFF).
    void SetScratchBroken(bool broken) { scratch_broken_ = broken; }
    // A routine answers the interrupt line. The caller settles the line a millisecond at a time
    // and runs the routine between settlements, so receive waits while an interrupt for data is
    // raised and no time has passed since the routine was due: its latency counts as nothing.
    // A routine that blocks while time goes on lets the FIFO overrun, as on a real chip;
    // `always` keeps receive paused then too.
    void SetInterruptServiced(bool on, bool always = false) {
        serviced_ = on;
        pause_always_ = always;
    }
    // The routine runs from `now` on (it was entered then), or has returned.
    void SetRoutineRunning(bool on, uint64_t now) {
        routine_running_ = on;
        routine_limit_ = std::max(settled_to_, now);
    }

    uint16_t divisor() const { return static_cast<uint16_t>(dlm_ << 8 | dll_); }
    uint8_t line_control() const { return lcr_; }
    uint8_t modem_control() const { return mcr_; }
    uint8_t interrupt_enable() const { return ier_; }
    uint32_t overruns() const { return overruns_; }
    size_t pending_from_peer() const { return line_in_.size() + (rx_busy_ ? 1 : 0); }
    // Nanoseconds one character takes with the current settings.
    uint64_t CharacterTime() const;

private:
    struct LineByte {
        uint8_t value;
        uint8_t errors;
    };

    uint8_t ComputeIir() const;
    size_t FifoCapacity() const { return fifo_enabled_ ? 16 : 1; }
    size_t TriggerLevel() const { return fifo_enabled_ ? trigger_ : 1; }
    bool ReceivePaused(uint64_t limit) const;
    bool PeerMaySend() const { return !peer_honours_rts_ || (mcr_ & uart16550::kMcrRts); }
    void StartTransmitter(uint64_t now);
    void StartReceiver(uint64_t now);
    void FinishTransmit();
    void FinishReceive();
    void NoteTopErrors();
    uint8_t ReadLineStatus();
    uint8_t ReadModemStatus();
    void WriteFifoControl(uint8_t value);
    void WriteModemControl(uint8_t value, uint64_t now);

    // Registers.
    uint8_t ier_ = 0, lcr_ = 0, mcr_ = 0, scr_ = 0, dll_ = 0, dlm_ = 0;  // divisor 0 acts as 65536
    bool fifo_enabled_ = false;
    size_t trigger_ = 1;
    uint8_t msr_lines_ = 0;   // CTS 0x10, DSR 0x20, RI 0x40, DCD 0x80 as the peer drives them
    uint8_t msr_deltas_ = 0;  // changes since the last modem-status read
    uint8_t lsr_errors_ = 0;  // overrun, and the errors of the byte at the top of the FIFO
    bool thr_interrupt_ = false;  // transmit-ready raised; cleared by reading it or writing THR
    bool timeout_interrupt_ = false;  // receive FIFO idle for four characters

    std::deque<LineByte> rx_fifo_;
    std::deque<uint8_t> tx_fifo_;
    // Transmitter shift register: the byte on the wire and when it is out.
    bool tsr_busy_ = false;
    uint8_t tsr_byte_ = 0;
    uint64_t tsr_done_ = 0;
    uint64_t tx_line_free_ = 0;
    // Receive side of the wire: what the peer still has to send, the byte on the wire.
    std::deque<LineByte> line_in_;
    bool rx_busy_ = false;
    LineByte rx_byte_{};
    uint64_t rx_done_ = 0;
    uint64_t rx_line_free_ = 0;
    uint64_t rx_last_activity_ = 0;

    SerialPeer* peer_ = nullptr;
    bool peer_honours_rts_ = true;
    bool scratch_broken_ = false;
    bool serviced_ = false;
    bool pause_always_ = false;
    bool routine_running_ = false;
    uint64_t routine_limit_ = 0;  // how far the line was settled when the routine came in
    uint64_t settled_to_ = 0;
    uint32_t overruns_ = 0;
};

}  // namespace qmx2::hardware
