// A GSM card double for transaction tests: a stream device that answers each command line with
// scripted bytes delivered at chosen virtual times, and honours the read time-outs set on it the
// way the serial driver does (a one-byte read waits up to 500 ms on the clock).
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"
#include "platform/comm_types.h"
#include "platform/stream_driver.h"

namespace qmx2::testing {

class ScriptedCard final : public platform::StreamDriver {
public:
    explicit ScriptedCard(platform::Clock& clock) : clock_(clock) {}

    // When a written line (ended by CR, or by Ctrl-Z for message text) equals `line`, the card
    // answers `reply`, its first byte `delay_ms` after the line and then one byte every
    // `gap_ms`. Each entry answers once, in the order they were added.
    void Answer(std::string_view line, std::string_view reply, uint32_t delay_ms = 0,
                uint32_t gap_ms = 0);
    // Bytes already waiting in the port, e.g. left over from an earlier exchange.
    void Pending(std::string_view bytes);
    // Bytes that arrive `delay_ms` from now, whatever is written.
    void Later(std::string_view bytes, uint32_t delay_ms, uint32_t gap_ms = 0);

    // Faults the driver can report.
    uint32_t open_error = 0;  // non-zero: every open with access fails with this error
    bool fail_get_state = false;
    bool fail_set_state = false;
    bool fail_writes = false;
    int fail_read_after = -1;  // reads that succeed before every further read fails

    // What the transaction did to the port.
    std::vector<std::string> writes;  // one entry per write call
    platform::DCB state{};            // as reported by GetCommState and changed by SetCommState
    platform::COMMTIMEOUTS timeouts{0, 0, 0, 7, 700};
    uint32_t event_mask = 0;
    uint32_t last_open_access = 0;
    uint32_t last_open_share = 0;
    int opens = 0;
    int closes = 0;
    int reads = 0;
    bool held() const { return holder_ != 0; }

    uintptr_t Open(uint32_t access, uint32_t share) override;
    bool Close(uintptr_t context) override;
    int32_t Read(uintptr_t context, void* buffer, uint32_t length) override;
    int32_t Write(uintptr_t context, const void* buffer, uint32_t length) override;
    bool IoControl(uintptr_t context, uint32_t code, const void* in, uint32_t in_length, void* out,
                   uint32_t out_length, uint32_t* returned) override;

private:
    struct Timed {
        uint64_t due_ms;
        unsigned char byte;
    };
    struct Entry {
        std::string line;
        std::string reply;
        uint32_t delay_ms;
        uint32_t gap_ms;
        bool used = false;
    };
    void Schedule(std::string_view bytes, uint32_t delay_ms, uint32_t gap_ms);
    void LineComplete();
    uint32_t ReadBudgetMs(uint32_t length) const;

    platform::Clock& clock_;
    std::vector<Entry> script_;
    std::deque<Timed> incoming_;
    std::string line_;
    uintptr_t holder_ = 0;
    uintptr_t next_context_ = 1;
};

}  // namespace qmx2::testing
