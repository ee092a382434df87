// Fuzzes the "+CMGL:" listing parser: indexes outside the table are never written, and every
// record stays closed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "manager/messages/read_parser.h"

using namespace qmx2::manager;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    MessageTable table;
    table.Allocate(data[0] % 40);
    auto copy = std::make_unique<char[]>(size - 1);
    std::memcpy(copy.get(), data + 1, size - 1);
    const std::string_view reply(copy.get(), size - 1);
    // The card's second look answers with the listing itself: any text at all.
    ParseUnreadListing(reply, "[2][7]", table, [&](int) {}, [&](int) { return reply; });
    for (int p = 0; p < table.size(); ++p) {
        const MessageRecord& r = *table.At(p);
        if (r.text[1023] || r.number[30] || r.status[16]) std::abort();
        if (!table.IsSimSlot(p) && r.status[0] != 0) std::abort();  // handheld slots untouched
    }
    return 0;
}
