// "+CPBR:" replies: the size of a book and its entries.
#include "manager/phonebook/cpbr_parser.h"

#include <charconv>

namespace qmx2::manager {
namespace {

constexpr auto npos = std::string_view::npos;

// The decimal number at the start of `s` (spaces skipped), 0 when there is none; stops at the
// first non-digit and saturates instead of overflowing.
int LeadingNumber(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size() && s[i] == ' ') ++i;
    long long v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        v = v * 10 + (s[i] - '0');
        if (v > 1000000) return 1000000;
    }
    return static_cast<int>(v);
}

std::string_view Unquote(std::string_view s) {
    if (!s.empty() && s.front() == '"') s.remove_prefix(1);
    if (!s.empty() && s.back() == '"') s.remove_suffix(1);
    return s;
}

// A quoted name runs to its last quotation mark, so that fields some phones append after it
// (",0" or ",,,,,,,") stay out; an unquoted name runs to the end of the line.
std::string_view NameField(std::string_view s) {
    if (s.empty() || s.front() != '"') return s;
    const std::size_t close = s.rfind('"');
    return close == 0 ? s.substr(1) : s.substr(1, close - 1);
}

bool ParseEntryLine(std::string_view line, PhoneBook& book) {
    const std::size_t c1 = line.find(',');
    if (c1 == npos) return false;
    const std::size_t c2 = line.find(',', c1 + 1);
    if (c2 == npos) return false;
    const std::size_t c3 = line.find(',', c2 + 1);
    if (c3 == npos) return false;
    int index = 0;
    std::string_view digits = line.substr(0, c1);
    while (!digits.empty() && digits.front() == ' ') digits.remove_prefix(1);
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), index);
    if (ec != std::errc() || end != digits.data() + digits.size()) return false;
    PhonebookEntry* e = book.At(index - 1);
    if (e == nullptr) return false;
    SetField(e->number, Unquote(line.substr(c1 + 1, c2 - c1 - 1)));
    SetField(e->number_type, line.substr(c2 + 1, c3 - c2 - 1));
    SetField(e->name, NameField(line.substr(c3 + 1)));
    return true;
}

}  // namespace

BookSize ParseBookSize(std::string_view reply) {
    BookSize size;
    if (reply.size() < 7) return size;
    const std::size_t dash = reply.find('-', 6);
    if (dash == npos) return size;
    size.entries = LeadingNumber(reply.substr(dash + 1));
    const std::size_t close = reply.find(')', dash);
    if (close == npos) return size;
    const std::size_t c1 = reply.find(',', close);
    if (c1 == npos) return size;
    size.number_width = LeadingNumber(reply.substr(c1 + 1));
    const std::size_t c2 = reply.find(',', c1 + 1);
    if (c2 == npos) return size;
    size.name_width = LeadingNumber(reply.substr(c2 + 1));
    return size;
}

int ParseBookEntries(std::string_view reply, PhoneBook& book) {
    constexpr std::string_view kHead = "+CPBR:";
    int stored = 0;
    for (std::size_t at = reply.find(kHead); at != npos; at = reply.find(kHead, at + 1)) {
        const std::size_t start = at + kHead.size();
        std::size_t end = reply.find_first_of("\r\n", start);
        if (end == npos) end = reply.size();
        if (ParseEntryLine(reply.substr(start, end - start), book)) ++stored;
    }
    return stored;
}

}  // namespace qmx2::manager
