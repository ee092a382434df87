// The scripted card double.
#include "tests/common/scripted_card.h"

#include <algorithm>
#include <cstring>

#include "platform/last_error.h"
#include "platform/serial_port_rules.h"

namespace qmx2::testing {

using namespace qmx2::platform;

void ScriptedCard::Later(std::string_view bytes, uint32_t delay_ms, uint32_t gap_ms) {
    uint64_t due = clock_.TickMs() + delay_ms;
    if (!incoming_.empty()) due = std::max(due, incoming_.back().due_ms);
    for (char c : bytes) {
        incoming_.push_back({due, c});
        due += gap_ms;
    }
}

uintptr_t ScriptedCard::Open(uint32_t access, uint32_t share) {
    open_access = access;
    open_share = share;
    if (const uint32_t refusal = OpenRefusal(access, holder_ != 0, true)) {
        SetLastError(refusal);
        return 0;
    }
    ++opens;
    if (WantsAccess(access)) holder_ = next_context_;
    return next_context_++;
}

bool ScriptedCard::Close(uintptr_t context) {
    if (context == holder_) holder_ = 0;
    ++closes;
    return true;
}

int32_t ScriptedCard::Read(uintptr_t, void* buffer, uint32_t length) {
    if (fail_read_after >= 0 && ++reads_ > fail_read_after) {
        SetLastError(ERROR_GEN_FAILURE);
        return -1;
    }
    const uint32_t budget = ReadTimer(timeouts, length).total_ms();
    const uint64_t now = clock_.TickMs();
    if (incoming_.empty() || incoming_.front().due_ms > now + budget) {
        clock_.SleepMs(budget);
        return 0;
    }
    if (incoming_.front().due_ms > now) clock_.SleepMs(uint32_t(incoming_.front().due_ms - now));
    auto* out = static_cast<char*>(buffer);
    uint32_t n = 0;
    for (const uint64_t at = clock_.TickMs();
         n < length && !incoming_.empty() && incoming_.front().due_ms <= at; incoming_.pop_front())
        out[n++] = incoming_.front().byte;
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
        if (bytes[i] != '\r') line_.push_back(bytes[i]);
        if (bytes[i] != '\r' && bytes[i] != 0x1A) continue;
        auto e = std::find_if(script_.begin(), script_.end(),
                              [&](const Entry& e) { return !e.used && e.line == line_; });
        if (e != script_.end()) {
            e->used = true;
            Later(e->reply, e->delay_ms, e->gap_ms);
        }
        line_.clear();
    }
    return static_cast<int32_t>(length);
}

bool ScriptedCard::IoControl(uintptr_t, uint32_t code, const void* in, uint32_t in_length,
                             void* out, uint32_t out_length, uint32_t* returned) {
    if (!ControlBuffersFit(code, in, in_length, out, out_length, returned)) return false;
    auto get = [&](const auto& field) {
        std::memcpy(out, &field, sizeof field);
        *returned = sizeof field;
        return true;
    };
    auto set = [&](auto& field) {
        std::memcpy(&field, in, sizeof field);
        return true;
    };
    bool ok = false;
    switch (code) {
    case IOCTL_SERIAL_GET_DCB: ok = !fail_get_state && get(state); break;
    case IOCTL_SERIAL_SET_DCB: ok = !fail_set_state && set(state); break;
    case IOCTL_SERIAL_GET_TIMEOUTS: ok = get(timeouts); break;
    case IOCTL_SERIAL_SET_TIMEOUTS: ok = set(timeouts); break;
    case IOCTL_SERIAL_SET_WAIT_MASK: ok = set(event_mask); break;
    }
    if (!ok) SetLastError(ERROR_INVALID_PARAMETER);
    return ok;
}

}  // namespace qmx2::testing
