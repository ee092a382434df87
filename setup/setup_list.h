// "setup.lst", the list of files the installer copies: the product title, the number of entries,
// then the entries (a quoted source name, a number ended by a comma, a quoted destination name),
// with "#" comment lines that do not count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qmx2::setup {

inline constexpr size_t kMaxTitleChars = 126;
inline constexpr size_t kNameBytes = 64;  // 63 characters and the terminator
// More entries than any installation of this system needs; a larger count is a damaged list.
inline constexpr int32_t kMaxEntries = 256;

struct SetupEntry {
    char source[kNameBytes];
    char destination[kNameBytes];
    int32_t number;
};
static_assert(sizeof(SetupEntry) == 132);
static_assert(offsetof(SetupEntry, destination) == 64);
static_assert(offsetof(SetupEntry, number) == 128);

struct SetupList {
    std::string title;
    std::vector<SetupEntry> entries;
};

// Reads the list. False when the count is missing, not a number, below 1 or above kMaxEntries,
// when fewer entries than announced follow, or when an entry line is malformed: no pair of
// quotes, a name longer than 63 characters, no number ended by a comma, or a name that is not a
// plain file name (empty, a folder separator, "." or "..", a control character), which would
// copy from or to somewhere else than the two folders. Lines after the N-th entry are not read.
bool ParseSetupList(std::string_view text, SetupList* list);

}  // namespace qmx2::setup
