// A serial port served in software: the port semantics that every port without a driver
// library behind it shares (a kernel tty, a TCP modem, test doubles). It keeps the open
// contexts with the one-access-holder rule, the line settings, the time-outs and their read
// rules, the event masks and their waits, purge, status and properties, and the card power
// requests (by default as a card that is always powered). A backend below it only moves bytes,
// sets lines and powers the line, through the Line* hooks; it hands received bytes up with
// DeliverReceived, either as they come (a tty) or when polled (a line paced on the clock).
//
// All state lives under the clock's lock (Update/WaitFor), so every wait is visible to a
// virtual clock.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/comm_types.h"
#include "platform/serial_port_rules.h"
#include "platform/stream_driver.h"

namespace qmx2::platform {

struct SoftwarePortOptions {
    uint32_t receive_buffer_size = 4096;  // a power of two; one byte always stays free
};

class SoftwareSerialPort : public platform::StreamDriver {
public:
    explicit SoftwareSerialPort(platform::Clock& clock, SoftwarePortOptions options = {});
    ~SoftwareSerialPort() override;

    uintptr_t Open(uint32_t access, uint32_t share) override;
    bool Close(uintptr_t open_context) override;
    int32_t Read(uintptr_t open_context, void* buffer, uint32_t length) override;
    int32_t Write(uintptr_t open_context, const void* buffer, uint32_t length) override;
    bool IoControl(uintptr_t open_context, uint32_t code, const void* in, uint32_t in_length,
                   void* out, uint32_t out_length, uint32_t* returned) override;

    // Backend side, any thread. Bytes that do not fit the receive buffer are dropped and
    // reported as CE_RXOVER.
    void DeliverReceived(const uint8_t* data, size_t length);
    // The line is gone (hang-up, I/O error, peer closed). Buffered bytes can still be read;
    // after them reads fail with `error`, and new opens fail with ERROR_OPEN_FAILED.
    // Event waits end with `error` too.
    void LineLost(uint32_t error, uint32_t open_error = platform::ERROR_OPEN_FAILED);
    bool IsLineLost();
    // Waits up to timeout_ms for the line to be lost; true if it was.
    bool WaitLineLost(uint32_t timeout_ms);
    // Closes every open context, releasing their blocked calls (card removal).
    void CloseAll();
    int OpenCount();
    // For the host's diagnostics and for tests: wait until a read is blocked waiting for bytes, or until no
    // open is left. True if that happened within timeout_ms.
    bool WaitForReader(uint32_t timeout_ms);
    bool WaitUntilClosed(uint32_t timeout_ms);

    platform::Clock& clock() { return clock_; }

protected:
    // Hooks for the backend. Called without the clock's lock, from the callers' threads.
    // The first open and the last close of the port.
    virtual bool LineOpen() { return true; }
    virtual void LineClose() {}
    // Sends bytes within timeout_ms (kInfinite: no limit). Count sent, or -1 with last error.
    virtual int32_t LineTransmit(const uint8_t* data, uint32_t length, uint32_t timeout_ms) = 0;
    // Applies speed, framing and flow control; false when the line cannot take them.
    virtual bool LineApply(const platform::DCB& dcb) = 0;
    virtual void LineSetDtr(bool /*on*/) {}
    virtual void LineSetRts(bool /*on*/) {}
    virtual void LineSetBreak(bool /*on*/) {}
    virtual uint32_t LineModemStatus() {
        return platform::MS_CTS_ON | platform::MS_DSR_ON | platform::MS_RLSD_ON;
    }
    virtual void LinePurge(uint32_t /*flags*/) {}
    // A line whose bytes arrive on the clock: LinePoll hands up (DeliverReceived) what has
    // arrived by now; LineNextArrivalMs is the tick by which the next byte will have arrived
    // (kNoArrival: none is on its way), so that waits end there.
    static constexpr uint64_t kNoArrival = UINT64_MAX;
    virtual void LinePoll() {}
    virtual uint64_t LineNextArrivalMs() { return kNoArrival; }
    // The power model. While the line is powered down an open asking for access fails with
    // ERROR_INVALID_ACCESS. LinePower answers the power requests: false with the last error set.
    virtual bool LinePowered() { return true; }
    virtual bool LinePower(bool /*on*/) { return true; }
    virtual bool LineSendImmediate(uint8_t byte) {
        return LineTransmit(&byte, 1, platform::kInfinite) == 1;
    }
    // The transmit in progress is to stop now (a transmit-abort purge, or its handle closed).
    virtual void LineAbortTransmit() {}
    virtual void LineProperties(platform::COMMPROP* p);

    // For the backend, any thread, without the clock's lock.
    // Something a waiter looks at changed on the line side (new bytes on their way, power).
    void LineChanged();
    uint64_t LineGeneration() const { return line_generation_.load(); }
    // Drops every received byte still buffered.
    void DropReceived();
    // The line is back after LineLost (a card inserted again): new opens work again, and every
    // handle of the lost line stays ended.
    void LineBack();

private:
    // One open. Guarded by the clock's lock; shared with the calls running on it, so that a
    // close while a read is blocked never frees what the read looks at.
    struct Context {
        uint32_t access = 0;
        uint32_t share = 0;
        EventWaitState events;
        bool closed = false;
    };
    std::shared_ptr<Context> Find(uintptr_t handle);
    bool CheckAccess(const Context& c, uint32_t needed);
    void Notify(uint32_t events);
    bool ApplyLineSettings(const platform::DCB& dcb, bool with_lines);
    bool WaitEvents(const std::shared_ptr<Context>& c, uint32_t* events);
    void Purge(uint32_t flags);
    void FillStatus(platform::SERIAL_DEV_STATUS* s);
    enum class WaitEnd { kReady, kTimedOut, kAborted };
    WaitEnd WaitForBytes(const Context& c, uint32_t timeout_ms, uint64_t abort_generation);
    bool Dispatch(Context& c, const std::shared_ptr<Context>& ref, uint32_t code, const void* in,
                  uint32_t in_length, void* out, uint32_t out_length, uint32_t* returned);
    uint32_t Available() const;
    uint32_t TakeBytes(uint8_t* dst, uint32_t max);
    // Waits for the flag to be clear, then sets it: one reader, one writer at a time.
    void Claim(bool& flag);

    platform::Clock& clock_;
    const SoftwarePortOptions options_;

    // Everything below is guarded by the clock's lock.
    std::map<uintptr_t, std::shared_ptr<Context>> contexts_;
    uintptr_t next_handle_ = 1;
    Context* holder_ = nullptr;  // the context with read or write access, if any
    platform::DCB dcb_{};
    platform::COMMTIMEOUTS timeouts_{};
    std::vector<uint8_t> ring_;
    uint32_t read_ = 0, write_ = 0;
    uint32_t errors_ = 0;  // CE_ bits since the last status request
    uint64_t rx_abort_generation_ = 0;
    bool reading_ = false, writing_ = false;
    Context* writer_ = nullptr;  // the context whose write is on the line
    bool reader_waiting_ = false;  // a read is blocked waiting for bytes
    bool line_lost_ = false;
    uint32_t lost_error_ = 0;
    uint32_t lost_open_error_ = 0;
    std::atomic<uint64_t> line_generation_{0};
};

}  // namespace qmx2::platform
