// "UnreadIdx": the SIM indices of messages the user has not opened yet, as "[3][12][7]", kept in
// the registry because reading a message on the card marks it read there.
#pragma once

#include <string>
#include <string_view>

namespace qmx2::platform {
class Registry;
}

namespace qmx2::manager {

// Stands for "no list" when the value is absent.
inline constexpr char kNoUnreadList[] = "XXX";

// The stored list, or "XXX" when the value is absent.
std::string ReadUnreadList(platform::Registry& registry);

// The list cut to what the value can hold: whole entries are dropped from the front (the
// oldest) until the rest fits, so a stored list never ends in half an entry.
std::string FitUnreadList(std::string_view list);

// Appends "[index]" to a stored list, or replaces a value without "[" by it. An entry that is
// already listed is not added again.
void AddUnreadIndex(platform::Registry& registry, int index);

// Appends a list of entries (the "NewMsgIdx" pick-up) in the same way.
void AppendUnreadEntries(platform::Registry& registry, std::string_view entries);

// Blanks the first "[index]" out of the list; the value is deleted and written back only when
// something is left. Returns true when the entry was found.
bool RemoveUnreadIndex(platform::Registry& registry, int index);

}  // namespace qmx2::manager
