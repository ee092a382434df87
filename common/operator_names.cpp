// Operator name lookup over a table that ends with code 0.
#include "common/operator_names.h"

#include <cstdio>

namespace qmx2::common {

uint32_t OperatorCodeFromText(const char* text) {
    if (!text) return 0;
    while (*text == ' ') ++text;
    uint64_t code = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        code = code * 10 + static_cast<uint64_t>(*text - '0');
        if (code > 0xFFFFFFFFu) return 0;
    }
    return static_cast<uint32_t>(code);
}

const char* LookUpOperatorName(OperatorLookup& lookup, const char* code_text) {
    const uint32_t code = OperatorCodeFromText(code_text);
    if (code != 0) {
        for (const OperatorEntry* e = lookup.table; e->code != 0; ++e)
            if (e->code == code) return e->name;
    }
    std::snprintf(lookup.unknown_name, sizeof lookup.unknown_name, "Unknown Operator (%s)",
                  code_text ? code_text : "");
    return lookup.unknown_name;
}

}  // namespace qmx2::common
