// The scripted card double.
#include "tests/common/scripted_card.h"

#include <algorithm>
#include <cstring>

#include "platform/last_error.h"

namespace qmx2::testing {

using namespace qmx2::platform;

void ScriptedCard::Answer(std::string_view line, std::string_view reply, uint32_t delay_ms,
                          uint32_t gap_ms) {
    script_.push_back({std::string(line), std::string(reply), delay_ms, gap_ms});
}

void ScriptedCard::Pending(std::string_view bytes) { Schedule(bytes, 0, 0); }

void ScriptedCard::Later(std::string_view bytes, uint32_t delay_ms, uint32_t gap_ms) {
    Schedule(bytes, delay_ms, gap_ms);
}

void ScriptedCard::Schedule(std::string_view bytes, uint32_t delay_ms, uint32_t gap_ms) {
    uint64_t due = clock_.TickMs() + delay_ms;
    if (!incoming_.empty()) due = std::max(due, incoming_.back().due_ms);
    for (char c : bytes) {
        incoming_.push_back({due, static_cast<unsigned char>(c)});
        due += gap_ms;
    }
}

void ScriptedCard::LineComplete() {
    for (auto& e : script_) {
        if (!e.used && e.line == line_) {
            e.used = true;
            Schedule(e.reply, e.delay_ms, e.gap_ms);
            break;
        }
    }
    line_.clear();
}

uintptr_t ScriptedCard::Open(uint32_t access, uint32_t share) {
    last_open_access = access;
    last_open_share = share;
    const bool wants_data = (access & (GENERIC_READ | GENERIC_WRITE)) != 0;
    if (wants_data && (open_error != 0 || holder_ != 0)) {
        SetLastError(open_error != 0 ? open_error : ERROR_INVALID_ACCESS);
        return 0;
    }
    const uintptr_t context = next_context_++;
    if (wants_data) holder_ = context;
    ++opens;
    return context;
}

bool ScriptedCard::Close(uintptr_t context) {
    if (context == holder_) holder_ = 0;
    ++closes;
    return true;
}

// Total read time-out as the serial driver computes it: multiplier per byte plus constant.
uint32_t ScriptedCard::ReadBudgetMs(uint32_t length) const {
    if (timeouts.ReadIntervalTimeout == MAXDWORD && timeouts.ReadTotalTimeoutMultiplier == 0 &&
        timeouts.ReadTotalTimeoutConstant == 0)
        return 0;
    const uint32_t total =
        timeouts.ReadTotalTimeoutMultiplier * length + timeouts.ReadTotalTimeoutConstant;
    return total == 0 ? kInfinite : total;
}

int32_t ScriptedCard::Read(uintptr_t, void* buffer, uint32_t length) {
    ++reads;
    if (fail_read_after >= 0 && reads > fail_read_after) {
        SetLastError(ERROR_GEN_FAILURE);
        return -1;
    }
    if (length == 0) return 0;
    const uint32_t budget = ReadBudgetMs(length);
    const uint64_t now = clock_.TickMs();
    const uint64_t deadline = budget == kInfinite ? UINT64_MAX : now + budget;
    if (incoming_.empty() || incoming_.front().due_ms > deadline) {
        if (budget == kInfinite) return 0;  // nothing will ever come: do not hang the test
        clock_.SleepMs(budget);
        return 0;
    }
    if (incoming_.front().due_ms > now)
        clock_.SleepMs(static_cast<uint32_t>(incoming_.front().due_ms - now));
    auto* out = static_cast<unsigned char*>(buffer);
    uint32_t n = 0;
    const uint64_t at = clock_.TickMs();
    while (n < length && !incoming_.empty() && incoming_.front().due_ms <= at) {
        out[n++] = incoming_.front().byte;
        incoming_.pop_front();
    }
    return static_cast<int32_t>(n);
}

int32_t ScriptedCard::Write(uintptr_t, const void* buffer, uint32_t length) {
    const auto* bytes = static_cast<const char*>(buffer);
    writes.emplace_back(bytes, length);
    if (fail_writes) {
        SetLastError(ERROR_GEN_FAILURE);
        return -1;
    }
    for (uint32_t i = 0; i < length; ++i) {
        if (bytes[i] == '\r' || bytes[i] == 0x1A) {
            if (bytes[i] == 0x1A) line_.push_back(bytes[i]);
            LineComplete();
        } else {
            line_.push_back(bytes[i]);
        }
    }
    return static_cast<int32_t>(length);
}

bool ScriptedCard::IoControl(uintptr_t, uint32_t code, const void* in, uint32_t in_length,
                             void* out, uint32_t out_length, uint32_t* returned) {
    auto copy_out = [&](const void* src, uint32_t n) {
        if (!out || out_length < n) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        std::memcpy(out, src, n);
        if (returned) *returned = n;
        return true;
    };
    auto copy_in = [&](void* dst, uint32_t n) {
        if (!in || in_length < n) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        std::memcpy(dst, in, n);
        return true;
    };
    switch (code) {
    case IOCTL_SERIAL_GET_DCB:
        if (fail_get_state) {
            SetLastError(ERROR_GEN_FAILURE);
            return false;
        }
        return copy_out(&state, sizeof state);
    case IOCTL_SERIAL_SET_DCB:
        if (fail_set_state) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        return copy_in(&state, sizeof state);
    case IOCTL_SERIAL_GET_TIMEOUTS:
        return copy_out(&timeouts, sizeof timeouts);
    case IOCTL_SERIAL_SET_TIMEOUTS:
        return copy_in(&timeouts, sizeof timeouts);
    case IOCTL_SERIAL_SET_WAIT_MASK:
        return copy_in(&event_mask, sizeof event_mask);
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
}

}  // namespace qmx2::testing
