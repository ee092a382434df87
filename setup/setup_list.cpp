#include "setup/setup_list.h"

#include <charconv>
#include <cstring>

namespace qmx2::setup {
namespace {

// Splits off the next line (LF or CR LF ended); false at the end of the text.
bool NextLine(std::string_view* text, std::string_view* line) {
    if (text->empty()) return false;
    const size_t end = text->find('\n');
    *line = text->substr(0, end);
    *text = end == std::string_view::npos ? std::string_view() : text->substr(end + 1);
    while (!line->empty() && (line->back() == '\r' || line->back() == '\n')) line->remove_suffix(1);
    return true;
}

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

bool PlainFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") return false;
    for (const unsigned char c : name)
        if (c < 0x20 || c == 0x7F || c == '\\' || c == '/' || c == ':') return false;
    return true;
}

// The text between the next pair of double quotes, copied into field; rest follows the pair.
bool TakeQuoted(std::string_view* rest, char (&field)[kNameBytes]) {
    const size_t open = rest->find('"');
    if (open == std::string_view::npos) return false;
    const size_t close = rest->find('"', open + 1);
    if (close == std::string_view::npos) return false;
    const std::string_view name = rest->substr(open + 1, close - open - 1);
    if (name.size() >= kNameBytes || !PlainFileName(name)) return false;
    std::memset(field, 0, kNameBytes);
    std::memcpy(field, name.data(), name.size());
    *rest = rest->substr(close + 1);
    return true;
}

bool ParseEntry(std::string_view line, SetupEntry* entry) {
    *entry = {};
    if (!TakeQuoted(&line, entry->source)) return false;
    line = TrimBlanks(line);
    if (!line.empty() && line.front() == ',') line = TrimBlanks(line.substr(1));
    const size_t comma = line.find(',');
    if (comma == std::string_view::npos) return false;
    const std::string_view digits = TrimBlanks(line.substr(0, comma));
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), entry->number);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size()) return false;
    line = line.substr(comma + 1);
    return TakeQuoted(&line, entry->destination);
}

}  // namespace

bool ParseSetupList(std::string_view text, SetupList* list) {
    *list = {};
    std::string_view line;
    if (!NextLine(&text, &line)) return false;
    list->title.assign(line.substr(0, kMaxTitleChars));
    if (!NextLine(&text, &line)) return false;
    const std::string_view digits = TrimBlanks(line);
    int32_t count = 0;
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), count);
    if (digits.empty() || ec != std::errc() || end != digits.data() + digits.size()) return false;
    if (count < 1 || count > kMaxEntries) return false;
    while (static_cast<int32_t>(list->entries.size()) < count) {
        if (!NextLine(&text, &line)) return false;
        if (TrimBlanks(line).empty() || line.front() == '#') continue;
        SetupEntry entry;
        if (!ParseEntry(line, &entry)) return false;
        list->entries.push_back(entry);
    }
    return true;
}

}  // namespace qmx2::setup
