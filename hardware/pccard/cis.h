// The card information structure of the emulated PC Card: the tuples the PC Card services
// read from attribute memory, with the configuration-table entries that tests set per scenario.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qmx2::hardware {

struct IoRange {
    uint32_t base;
    uint32_t length;
};

struct ConfigTableEntry {
    uint8_t index;
    std::vector<IoRange> io;  // at most four
};

struct CardIdentity {
    std::string manufacturer = "Orvan Mobile Phones";
    std::string product = "ORVAN PELLION";
    uint16_t manufacturer_code = 0x0175;
    uint16_t card_code = 0x4C2D;
};

// The configuration table of a serial card: the four PC COM port bases, then "anywhere".
std::vector<ConfigTableEntry> DefaultConfigTable();

// Tuples: VERS_1, MANFID, CONFIG, one CFTABLE_ENTRY per entry, END.
std::vector<uint8_t> BuildCis(const CardIdentity& identity,
                              const std::vector<ConfigTableEntry>& entries);

// The I/O ranges of a CFTABLE_ENTRY tuple body; false if the body is malformed.
bool ParseConfigTableEntry(const uint8_t* body, size_t length, ConfigTableEntry* entry);

}  // namespace qmx2::hardware
