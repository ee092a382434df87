// The rules every serial port of the handheld follows, whatever is behind it: the driver
// library's port layer and the software serial port both keep them from here, and test doubles
// that stand in for a port take them from here too.
//
// Pure rules on plain records: no locks, no waits, no I/O. The caller holds whatever lock
// guards the state it passes in.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/comm_types.h"

namespace qmx2::platform {

// What IOCTL_DRIVER_VERSION answers.
inline constexpr char kDriverVersionText[] = "1.12";
// Two text requests that always answer an empty text.
inline constexpr uint32_t kEmptyTextCodeA = 0x001B0070;
inline constexpr uint32_t kEmptyTextCodeB = 0x001B0074;

// Time-outs a port starts its life with; they outlive the opens.
inline constexpr COMMTIMEOUTS kDefaultTimeouts{250, 10, 100, 0, 0};

// The line every first open starts with: 9600 8N1, DTR and RTS on, no flow control.
DCB DefaultLineSettings();

// What every port says it can do (an RS-232 serial port with the usual settable speeds,
// framing and flow control); the queues and the top speed are each port's own.
COMMPROP SerialPortProperties(uint32_t max_tx_queue, uint32_t max_rx_queue, uint32_t max_baud);

// Speeds, framing and stop bits a line can be asked for; anything else is refused before it
// reaches the line.
bool PlausibleLineSettings(const DCB& d);

// An open with read or write access: at most one at a time, and only while the card is
// powered. Opens without access (power and version queries, event watchers) always may.
inline bool WantsAccess(uint32_t access) { return (access & (GENERIC_READ | GENERIC_WRITE)) != 0; }
// The error an open gets, or 0 when it may go ahead.
uint32_t OpenRefusal(uint32_t access, bool access_held, bool powered);

// Control codes that a context opened without access may use.
bool ControlNeedsNoAccess(uint32_t code);
// The buffers a control code needs: false with ERROR_INVALID_PARAMETER as the last error when
// the caller's are missing or short. Codes with a record to return also need `returned`.
bool ControlBuffersFit(uint32_t code, const void* in, uint32_t in_length, const void* out,
                       uint32_t out_length, const uint32_t* returned);
// DTR and RTS cannot be set by hand while they do handshaking.
bool ModemLineRequestAllowed(uint32_t code, const DCB& dcb);
// Answers a text request: the text with its terminator; `returned` counts without it.
// Needs room for the terminator (false with ERROR_INVALID_PARAMETER).
bool AnswerControlText(std::string_view text, void* out, uint32_t out_length, uint32_t* returned);

// The read time-out rules of one read, made when the read starts and asked before each wait:
// - interval MAXDWORD with both totals 0: take what is buffered and never wait;
// - interval and multiplier MAXDWORD with a constant: wait up to the constant for the first
//   bytes, return as soon as any came;
// - a total (multiplier x length + constant): never wait beyond it, and once bytes came, no
//   longer than the interval between them;
// - no total: wait for the first bytes for ever, then the interval between bytes (0: for ever).
class ReadTimer {
public:
    ReadTimer(const COMMTIMEOUTS& t, uint32_t length);
    // How long to wait for more bytes now, with `copied` bytes taken so far; false when the
    // read is over. kInfinite: no limit.
    bool NextWait(uint32_t copied, uint32_t* wait_ms) const;
    void Waited(uint64_t ms) { elapsed_ += ms; }
    uint32_t total_ms() const { return total_; }

private:
    COMMTIMEOUTS t_;
    uint32_t total_;
    uint64_t elapsed_ = 0;
};

// The total time a write may take (multiplier x length + constant); 0: no limit.
uint32_t WriteTotalTimeoutMs(const COMMTIMEOUTS& t, uint32_t length);

// The event-wait state of one open. A wait ends with the events fired under its mask; a mask
// change ends a pending wait with no events and forgets what fired under the old mask.
struct EventWaitState {
    uint32_t mask = 0;
    uint32_t fired = 0;
    uint64_t generation = 0;  // raised by every mask change

    void SetMask(uint32_t new_mask) {
        ++generation;
        mask = new_mask;
        fired = 0;
    }
    // True when the events concern this open (its waiter is to be woken).
    bool Fire(uint32_t events) {
        if ((mask & events) == 0) return false;
        fired |= events;
        return true;
    }
    // Whether a wait that began at `since` (the generation then) is over.
    bool WaitOver(uint64_t since) const { return (fired & mask) != 0 || generation != since; }
    // The events that end a wait begun at `since`, which are then forgotten.
    uint32_t Take(uint64_t since) {
        if (generation != since) return 0;
        const uint32_t events = fired & mask;
        fired = 0;
        return events;
    }
};

// The receive buffer's size: a power of two, at least 2048 and at least `wanted`, at most
// `largest` (itself a power of two).
uint32_t ReceiveRingSize(uint64_t wanted, uint32_t largest);

}  // namespace qmx2::platform
