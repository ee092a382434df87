// Maintaining the unread list in the registry.
#include "manager/messages/unread_index.h"

#include <cstdio>

#include "manager/store/settings_registry.h"

namespace qmx2::manager {

std::string ReadUnreadList(platform::Registry& registry) {
    return ReadManagerValue(registry, kValueUnreadIdx).value_or(kNoUnreadList);
}

std::string FitUnreadList(std::string_view list) {
    while (list.size() > kMaxValueChars) {
        const std::size_t next = list.find('[', 1);
        if (next == std::string_view::npos) return std::string(list.substr(0, kMaxValueChars));
        list.remove_prefix(next);
    }
    return std::string(list);
}

void AppendUnreadEntries(platform::Registry& registry, std::string_view entries) {
    std::string list = ReadUnreadList(registry);
    if (list.find('[') == std::string::npos) list.clear();
    // An index listed twice would stay unread after the user opened it once.
    for (std::size_t at = 0; at < entries.size();) {
        std::size_t end = entries.find(']', at);
        end = end == std::string_view::npos ? entries.size() : end + 1;
        const std::string_view entry = entries.substr(at, end - at);
        if (list.find(entry) == std::string::npos) list.append(entry);
        at = end;
    }
    WriteManagerValue(registry, kValueUnreadIdx, FitUnreadList(list));
}

void AddUnreadIndex(platform::Registry& registry, int index) {
    char entry[16];
    const int n = std::snprintf(entry, sizeof entry, "[%d]", index);
    AppendUnreadEntries(registry, std::string_view(entry, static_cast<std::size_t>(n)));
}

bool RemoveUnreadIndex(platform::Registry& registry, int index) {
    const auto stored = ReadManagerValue(registry, kValueUnreadIdx);
    if (!stored) return false;
    std::string list = *stored;
    char entry[16];
    const int n = std::snprintf(entry, sizeof entry, "[%d]", index);
    const std::size_t at = list.find(entry);
    if (at == std::string::npos) return false;
    list.erase(at, static_cast<std::size_t>(n));
    DeleteManagerValue(registry, kValueUnreadIdx);
    if (!list.empty()) WriteManagerValue(registry, kValueUnreadIdx, list);
    return true;
}

}  // namespace qmx2::manager
