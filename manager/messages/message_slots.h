// Handheld slots of the message table as the message operations use them: the first free one,
// and filling or clearing a slot. Callers hold ctx.tables while they change records.
#pragma once

#include <cstring>
#include <optional>

#include "manager/messages/message_record.h"

namespace qmx2::manager {

// The first free handheld slot (lowest position first), or nothing when all 300 are used.
inline std::optional<int> FirstFreeHandheldSlot(const MessageTable& table) {
    for (int p = table.sim_slots; p < table.size(); ++p)
        if (table.records[static_cast<std::size_t>(p)].status[0] == 0) return p;
    return std::nullopt;
}

inline void ClearRecord(MessageRecord& r) { std::memset(&r, 0, sizeof r); }

// Puts `r` into table position `p` with its slot number set to p + 1.
inline void StoreInSlot(MessageTable& table, int p, const MessageRecord& r) {
    MessageRecord& slot = table.records[static_cast<std::size_t>(p)];
    slot = r;
    slot.slot_number = p + 1;
}

// Turns the table to a modem that numbers its messages from 0: each SIM record moves up one
// position, to where its index now belongs, and position 0 (index 0) is emptied.
inline void NumberFromZero(MessageTable& table) {
    if (table.first_index == 0) return;
    for (int p = table.sim_slots - 1; p > 0; --p) {
        MessageRecord& r = table.records[static_cast<std::size_t>(p)];
        r = table.records[static_cast<std::size_t>(p - 1)];
        if (r.status[0] != 0) r.slot_number = p + 1;
    }
    if (table.sim_slots > 0) ClearRecord(table.records[0]);
    table.first_index = 0;
}

}  // namespace qmx2::manager
