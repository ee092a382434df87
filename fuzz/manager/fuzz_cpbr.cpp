// Fuzzes the "+CPBR:" parsers: entries outside the book are never written, fields stay closed.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "manager/phonebook/cpbr_parser.h"

using namespace qmx2::manager;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    PhoneBook book;
    book.entries.assign(data[0] % 30, PhonebookEntry{});
    auto copy = std::make_unique<char[]>(size - 1);
    std::memcpy(copy.get(), data + 1, size - 1);
    const std::string_view reply(copy.get(), size - 1);
    ParseBookEntries(reply, book);
    const BookSize s = ParseBookSize(reply);
    if (s.entries < 0 || s.number_width < 0 || s.name_width < 0) std::abort();
    for (const PhonebookEntry& e : book.entries)
        if (e.number[30] || e.number_type[3] || e.name[16]) std::abort();
    return 0;
}
