// Fuzzes the "+CMGR:" parsers: any reply leaves every field of the record closed inside itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "manager/messages/read_parser.h"

using namespace qmx2::manager;

namespace {
void CheckClosed(const MessageRecord& r) {
    if (r.number[30] || r.time_stamp[23] || r.number_type[3] || r.status[16] || r.name[40] ||
        r.text[1023])
        std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first byte picks the unread list; the rest is the reply, in a buffer of its exact size
    // so that any read past its end is caught.
    if (size == 0) return 0;
    const char* lists[] = {"", "XXX", "[1]", "[3][13]", "[1][2][3][4][5]"};
    const std::string_view list = lists[data[0] % 5];
    auto copy = std::make_unique<char[]>(size - 1);
    std::memcpy(copy.get(), data + 1, size - 1);
    const std::string_view reply(copy.get(), size - 1);
    auto record = std::make_unique<MessageRecord>();
    ParseReadReply(0, reply, list, *record);
    CheckClosed(*record);
    ParseNewMessageReply(1, reply, *record);
    CheckClosed(*record);
    return 0;
}
