// Operator names by numeric operator code: the lookup that the manager and the commander share,
// each over its own table.
#pragma once

#include <cstdint>

namespace qmx2::common {

struct OperatorEntry {
    uint32_t code;     // country code followed by network code, as one decimal number
    const char* name;  // nullptr in the closing entry, whose code is 0
};

// A miss gives "Unknown Operator (%s)" in this buffer, which the next miss overwrites. The
// card's code text is at most a few digits; anything longer is cut to fit.
struct OperatorLookup {
    const OperatorEntry* table;
    char unknown_name[64];
};

// The code text's leading decimal digits (after optional spaces) give the code; a text that does
// not start with a digit, or whose number does not fit 32 bits, gives 0, which no entry has.
uint32_t OperatorCodeFromText(const char* code_text);

// The first entry with an equal code wins.
const char* LookUpOperatorName(OperatorLookup& lookup, const char* code_text);

}  // namespace qmx2::common
