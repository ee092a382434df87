// The short-message record: one per SIM slot and per handheld slot of the message table, and
// byte for byte the record of the local message file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "manager/core/fixed_text.h"

namespace qmx2::manager {

struct MessageRecord {
    char reserved[31];
    char number[31];      // originator or destination, quotes removed
    char time_stamp[24];  // service-centre stamp "yy/mm/dd,hh:mm:ss+zz" as the card gives it
    char number_type[4];  // "145"/"129", only where a record was stored on the SIM
    char status[17];      // status word, maybe followed by "(DEL)"; empty = free record
    char name[41];        // phone-book name found for the number
    char text[1024];
    int32_t slot_number;  // 1-based table position when the record was filled (little-endian)
};

static_assert(sizeof(MessageRecord) == 1176);
static_assert(offsetof(MessageRecord, number) == 31);
static_assert(offsetof(MessageRecord, time_stamp) == 62);
static_assert(offsetof(MessageRecord, number_type) == 86);
static_assert(offsetof(MessageRecord, status) == 90);
static_assert(offsetof(MessageRecord, name) == 107);
static_assert(offsetof(MessageRecord, text) == 148);
static_assert(offsetof(MessageRecord, slot_number) == 1172);

inline constexpr int kHandheldSlots = 300;

// SIM slots first (position p is SIM index p + first_index), then the 300 handheld slots.
struct MessageTable {
    int sim_slots = 0;
    // The card numbers its messages from 1. Some modems (Huawei's E220 and other USB sticks,
    // some modules) number them from 0; the message load finds that out from their answers.
    int first_index = 1;
    std::vector<MessageRecord> records;

    void Allocate(int sim) {
        sim_slots = sim < 0 ? 0 : sim;
        records.assign(static_cast<std::size_t>(sim_slots + kHandheldSlots), MessageRecord{});
    }
    int size() const { return static_cast<int>(records.size()); }
    bool IsSimSlot(int position) const { return position >= 0 && position < sim_slots; }
    int PositionOf(int sim_index) const { return sim_index - first_index; }
    int IndexOf(int position) const { return position + first_index; }
    bool IsHandheldSlot(int position) const { return position >= sim_slots && position < size(); }
    MessageRecord* At(int position) {
        return position >= 0 && position < size() ? &records[static_cast<std::size_t>(position)]
                                                  : nullptr;
    }
};

// Closes every text field of a record read from a file inside its own bytes.
inline void SealRecord(MessageRecord& r) {
    SealField(r.reserved);
    SealField(r.number);
    SealField(r.time_stamp);
    SealField(r.number_type);
    SealField(r.status);
    SealField(r.name);
    SealField(r.text);
}

}  // namespace qmx2::manager
