// Encoding the card's tuples and decoding configuration-table entries.
#include "hardware/pccard/cis.h"

namespace qmx2::hardware {
namespace {

constexpr uint8_t kTupleVers1 = 0x15;
constexpr uint8_t kTupleManfid = 0x20;
constexpr uint8_t kTupleConfig = 0x1A;
constexpr uint8_t kTupleCftableEntry = 0x1B;
constexpr uint8_t kTupleEnd = 0xFF;
constexpr uint8_t kFeatureIo = 0x08;
constexpr uint8_t kFeatureIrq = 0x10;
constexpr uint8_t kConfigRegisterBase = 0x00;  // option register at 0x200 of attribute memory

void AddTuple(std::vector<uint8_t>& cis, uint8_t code, const std::vector<uint8_t>& body) {
    cis.push_back(code);
    cis.push_back(static_cast<uint8_t>(body.size()));
    cis.insert(cis.end(), body.begin(), body.end());
}

std::vector<uint8_t> EntryBody(const ConfigTableEntry& e) {
    std::vector<uint8_t> body{static_cast<uint8_t>(e.index & 0x3F),
                              static_cast<uint8_t>(kFeatureIo | kFeatureIrq)};
    const size_t ranges = e.io.size() > 4 ? 4 : e.io.size();
    if (ranges == 0) {
        body.push_back(0x20 | 10);  // 8-bit access, 10 address lines, no ranges
    } else {
        body.push_back(0x80 | 0x20 | 10);  // ranges follow
        // Range descriptor: count - 1, 2-byte addresses, 1-byte lengths.
        body.push_back(static_cast<uint8_t>((ranges - 1) | 0x20 | 0x40));
        for (size_t i = 0; i < ranges; ++i) {
            body.push_back(static_cast<uint8_t>(e.io[i].base & 0xFF));
            body.push_back(static_cast<uint8_t>(e.io[i].base >> 8));
            body.push_back(static_cast<uint8_t>(e.io[i].length == 0 ? 0 : e.io[i].length - 1));
        }
    }
    body.push_back(0x20 | 3);  // level interrupt, IRQ 3
    return body;
}

uint32_t ReadLittle(const uint8_t* p, size_t size) {
    uint32_t v = 0;
    for (size_t i = 0; i < size; ++i) v |= static_cast<uint32_t>(p[i]) << (8 * i);
    return v;
}

}  // namespace

std::vector<ConfigTableEntry> DefaultConfigTable() {
    return {{1, {{0x3F8, 8}}}, {2, {{0x2F8, 8}}}, {3, {{0x3E8, 8}}}, {4, {{0x2E8, 8}}},
            {5, {{0x0000, 8}}}};
}

std::vector<uint8_t> BuildCis(const CardIdentity& identity,
                              const std::vector<ConfigTableEntry>& entries) {
    std::vector<uint8_t> cis;
    std::vector<uint8_t> vers{4, 1};
    for (const std::string* s : {&identity.manufacturer, &identity.product}) {
        vers.insert(vers.end(), s->begin(), s->end());
        vers.push_back(0);
    }
    vers.push_back(0xFF);
    AddTuple(cis, kTupleVers1, vers);
    AddTuple(cis, kTupleManfid,
             {static_cast<uint8_t>(identity.manufacturer_code & 0xFF),
              static_cast<uint8_t>(identity.manufacturer_code >> 8),
              static_cast<uint8_t>(identity.card_code & 0xFF),
              static_cast<uint8_t>(identity.card_code >> 8)});
    const uint8_t last_index = entries.empty() ? 0 : entries.back().index;
    AddTuple(cis, kTupleConfig, {0x01, last_index, kConfigRegisterBase, 0x02, 0x03});
    for (const auto& e : entries) AddTuple(cis, kTupleCftableEntry, EntryBody(e));
    cis.push_back(kTupleEnd);
    return cis;
}

bool ParseConfigTableEntry(const uint8_t* body, size_t length, ConfigTableEntry* entry) {
    size_t pos = 0;
    auto take = [&](size_t n) -> const uint8_t* {
        if (pos + n > length) return nullptr;
        const uint8_t* p = body + pos;
        pos += n;
        return p;
    };
    const uint8_t* index = take(1);
    if (!index) return false;
    entry->index = *index & 0x3F;
    entry->io.clear();
    if ((*index & 0x80) && !take(1)) return false;  // interface byte
    const uint8_t* feature = take(1);
    if (!feature) return false;
    // Power and timing descriptors are not produced by this card; refuse rather than misread.
    if (*feature & 0x07) return false;
    if (!(*feature & kFeatureIo)) return true;
    const uint8_t* io = take(1);
    if (!io) return false;
    if (!(*io & 0x80)) return true;  // decodes address lines only, no ranges
    const uint8_t* ranges = take(1);
    if (!ranges) return false;
    const size_t count = (*ranges & 0x0F) + 1;
    static constexpr size_t kSizes[4] = {0, 1, 2, 4};
    const size_t address_size = kSizes[(*ranges >> 4) & 3];
    const size_t length_size = kSizes[(*ranges >> 6) & 3];
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* a = take(address_size);
        const uint8_t* l = take(length_size);
        if (!a || !l) return false;
        if (entry->io.size() < 4)
            entry->io.push_back({ReadLittle(a, address_size), ReadLittle(l, length_size) + 1});
    }
    return true;
}

}  // namespace qmx2::hardware
