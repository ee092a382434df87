// Fuzzes the unpackers of the four local data files: whatever the bytes, records land only in
// their own slots, every text field ends inside its record, and what is packed again is whole
// records.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "manager/store/data_pack.h"

using namespace qmx2::manager;

namespace {

template <std::size_t N>
bool Closed(const char (&field)[N]) {
    return std::memchr(field, 0, N) != nullptr;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    auto copy = std::make_unique<char[]>(size - 1);
    if (size > 1) std::memcpy(copy.get(), data + 1, size - 1);
    const std::string_view bytes(copy.get(), size - 1);

    MessageTable table;
    table.Allocate(data[0] % 40);
    const int loaded = UnpackMessages(bytes, table);
    if (loaded < 0 || loaded > kHandheldSlots) std::abort();
    for (int p = 0; p < table.size(); ++p) {
        const MessageRecord& r = *table.At(p);
        if (table.IsSimSlot(p) && r.status[0] != 0) std::abort();  // the SIM part is the card's
        if (!Closed(r.number) || !Closed(r.status) || !Closed(r.text) || !Closed(r.name) ||
            !Closed(r.time_stamp))
            std::abort();
    }
    if (PackMessages(table).size() % sizeof(MessageRecord) != 0) std::abort();

    PhoneBook book;
    book.entries.assign(100, PhonebookEntry{});
    if (UnpackBook(bytes, book) > 100) std::abort();
    for (const PhonebookEntry& e : book.entries)
        if (!Closed(e.number) || !Closed(e.number_type) || !Closed(e.name)) std::abort();
    if (PackBook(book).size() % sizeof(PhonebookEntry) != 0) std::abort();

    MessageCentreProfile profiles[kProfiles];
    if (UnpackProfiles(bytes, profiles) > kProfiles) std::abort();
    if (PackProfiles(profiles).size() % sizeof(MessageCentreProfile) != 0) std::abort();

    OptionBlock options{};
    UnpackOptions(bytes, options);
    if (PackOptions(options).size() != sizeof(OptionBlock)) std::abort();
    return 0;
}
