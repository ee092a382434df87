// Packing and unpacking the local data files' records.
#include "manager/store/data_pack.h"

#include <cstring>

namespace qmx2::manager {
namespace {

template <typename Record>
void Append(std::string& out, const Record& r) {
    out.append(reinterpret_cast<const char*>(&r), sizeof r);
}

// Copies whole records from `bytes` into `out[0..limit)`; returns how many.
template <typename Record, typename Seal>
int ReadRecords(std::string_view bytes, Record* out, int limit, Seal seal) {
    int n = 0;
    for (; n < limit && bytes.size() >= sizeof(Record); ++n) {
        std::memcpy(&out[n], bytes.data(), sizeof(Record));
        seal(out[n]);
        bytes.remove_prefix(sizeof(Record));
    }
    return n;
}

}  // namespace

std::string PackMessages(const MessageTable& table) {
    std::string out;
    for (int p = table.sim_slots; p < table.size(); ++p) {
        const MessageRecord& r = table.records[static_cast<std::size_t>(p)];
        if (!FieldEmpty(r.status)) Append(out, r);
    }
    return out;
}

int UnpackMessages(std::string_view bytes, MessageTable& table) {
    MessageRecord* first = table.At(table.sim_slots);
    if (first == nullptr) return 0;
    const int n = ReadRecords(bytes, first, kHandheldSlots, [](MessageRecord& r) { SealRecord(r); });
    for (int i = 0; i < n; ++i) first[i].slot_number = table.sim_slots + i + 1;
    return n;
}

std::string PackBook(const PhoneBook& book) {
    std::string out;
    for (const PhonebookEntry& e : book.entries)
        if (!FieldEmpty(e.number)) Append(out, e);
    return out;
}

int UnpackBook(std::string_view bytes, PhoneBook& book) {
    return ReadRecords(bytes, book.entries.data(), book.size(),
                       [](PhonebookEntry& e) { SealEntry(e); });
}

std::string PackProfiles(const MessageCentreProfile (&profiles)[kProfiles]) {
    std::string out;
    for (const MessageCentreProfile& p : profiles)
        if (!FieldEmpty(p.centre_number)) Append(out, p);
    return out;
}

int UnpackProfiles(std::string_view bytes, MessageCentreProfile (&profiles)[kProfiles]) {
    std::memset(profiles, 0, sizeof profiles);
    return ReadRecords(bytes, profiles, kProfiles, [](MessageCentreProfile& p) { SealProfile(p); });
}

std::string PackOptions(const OptionBlock& options) {
    std::string out;
    Append(out, options);
    return out;
}

void UnpackOptions(std::string_view bytes, OptionBlock& options) {
    const std::size_t n = bytes.size() < sizeof options ? bytes.size() : sizeof options;
    std::memcpy(&options, bytes.data(), n);
    SealOptions(options);
}

}  // namespace qmx2::manager
