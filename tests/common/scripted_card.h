// A GSM card double for transaction tests: a stream device that answers each command line with
// scripted bytes delivered at chosen virtual times, and honours the read time-outs set on it the
// way the serial driver does (a one-byte read waits up to 500 ms on the clock). Like the driver,
// it allows one open with read or write access at a time.
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
    // answers `reply`: its first byte `delay_ms` later, then one byte every `gap_ms`. Each entry
    // answers once.
    void Answer(std::string_view line, std::string_view reply, uint32_t delay_ms = 0,
                uint32_t gap_ms = 0) {
        script_.push_back({std::string(line), std::string(reply), delay_ms, gap_ms});
    }
    // Bytes that arrive from `delay_ms` on, whatever is written.
    void Later(std::string_view bytes, uint32_t delay_ms, uint32_t gap_ms);
    void Discard() { incoming_.clear(); }

    bool fail_get_state = false;
    bool fail_set_state = false;
    bool fail_writes = false;
    int fail_read_after = -1;  // reads that succeed before every further read fails

    // What the transaction did to the port.
    std::vector<std::string> writes;  // one entry per write call
    platform::DCB state{};            // as reported by GetCommState and changed by SetCommState
    platform::COMMTIMEOUTS timeouts{0, 0, 0, 7, 700};
    uint32_t event_mask = 0;
    uint32_t open_access = 0, open_share = 0;
    int opens = 0, closes = 0;
    bool held() const { return holder_ != 0; }

    uintptr_t Open(uint32_t access, uint32_t share) override;
    bool Close(uintptr_t context) override;
    int32_t Read(uintptr_t context, void* buffer, uint32_t length) override;
    int32_t Write(uintptr_t context, const void* buffer, uint32_t length) override;
    bool IoControl(uintptr_t context, uint32_t code, const void* in, uint32_t in_length, void* out,
                   uint32_t out_length, uint32_t* returned) override;

private:
    struct Entry {
        std::string line, reply;
        uint32_t delay_ms, gap_ms;
        bool used = false;
    };
    struct Timed {
        uint64_t due_ms;
        char byte;
    };

    platform::Clock& clock_;
    std::vector<Entry> script_;
    std::deque<Timed> incoming_;
    std::string line_;
    uintptr_t holder_ = 0, next_context_ = 1;
    int reads_ = 0;
};

}  // namespace qmx2::testing
