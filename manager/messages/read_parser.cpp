// Header and body rules of the card's "+CMGR:" and "+CMGL:" replies in text mode.
#include "manager/messages/read_parser.h"

#include <charconv>
#include <cstdio>

namespace qmx2::manager {
namespace {

constexpr auto npos = std::string_view::npos;

// Parts of one message header and body found in a reply; only set parts are stored.
struct Fields {
    std::string_view status;
    std::string_view number;
    std::string_view stamp;
    std::string_view text;
    bool has_number = false;
    bool has_stamp = false;
    bool has_text = false;
};

std::string_view Between(std::string_view s, std::size_t from, std::size_t to) {
    return s.substr(from, to - from);
}

// Finds the status: after the first quotation mark from `from`, up to the next quotation mark
// followed by a comma. Returns the offset just past that comma, or npos.
std::size_t ParseStatus(std::string_view s, std::size_t from, Fields& f) {
    const std::size_t open = s.find('"', from);
    if (open == npos) return npos;
    const std::size_t close = s.find("\",", open + 1);
    if (close == npos) return npos;
    f.status = Between(s, open + 1, close);
    return close + 2;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// "07/07/05,09:56:03+08" and Motorola's "2009/8/18,19:11:45": digits, a "/", and a ":".
bool LooksLikeStamp(std::string_view field) {
    return !field.empty() && IsDigit(field.front()) && field.find('/') != npos &&
           field.find(':') != npos;
}

// Older phones write ", " between the fields, and Motorola leaves the alphanumeric field out
// ("REC READ", "+41...", "2009/8/18,19:11:45"): the stamp is the first of the next two quoted
// fields of the header line that looks like one. Returns its offset, or npos.
std::size_t SpacedStampAfterNumber(std::string_view s, std::size_t close, std::size_t line_end) {
    std::size_t at = close + 1;
    for (int field = 0; field < 2 && at < line_end; ++field) {
        if (s[at] != ',') return npos;
        ++at;
        while (at < line_end && s[at] == ' ') ++at;
        if (at >= line_end) return npos;
        if (s[at] != '"') continue;  // an empty unquoted field
        const std::size_t end = s.find('"', at + 1);
        if (end == npos || end >= line_end) return npos;
        if (LooksLikeStamp(Between(s, at + 1, end))) return at + 1;
        at = end + 1;
    }
    return npos;
}

// The empty alphanumeric field between number and stamp: ",," on this card. Modems of today
// also send it quoted and empty (,"",), which is the same field.
std::size_t StampAfterNumber(std::string_view s, std::size_t close, std::size_t line_end) {
    const std::string_view rest = Between(s, close + 1, line_end);
    if (rest.starts_with(",,\"")) return close + 4;
    if (rest.starts_with(",\"\",\"")) return close + 6;
    return SpacedStampAfterNumber(s, close, line_end);
}

// Quoted number, optional stamp within the header line, and the body that starts after the
// header line and ends at `body_end(start)`. Returns the offset where the body ends (or npos).
template <typename BodyEnd>
std::size_t ParseQuotedHeader(std::string_view s, std::size_t next, Fields& f, BodyEnd body_end) {
    const std::size_t close = s.find('"', next + 1);
    if (close == npos) return npos;
    f.number = Between(s, next + 1, close);
    f.has_number = true;
    std::size_t line_end = s.find('\r', close);
    if (line_end == npos) line_end = s.size();
    const std::size_t stamp = StampAfterNumber(s, close, line_end);
    if (stamp != npos) {
        const std::size_t stamp_end = s.find('"', stamp);
        if (stamp_end != npos && stamp_end < line_end) {
            f.stamp = Between(s, stamp, stamp_end);
            f.has_stamp = true;
        }
    }
    if (line_end == s.size()) return npos;
    std::size_t start = line_end + 1;
    if (start < s.size() && s[start] == '\n') ++start;
    const std::size_t end = body_end(start);
    if (end == npos) return npos;
    f.text = Between(s, start, end);
    f.has_text = true;
    return end;
}

// A header whose field after the status is not quoted: the text runs from the first ",,\""
// to the next "\",\"" and the stamp from there to the next quotation mark; the number is not
// touched. Returns the offset after the stamp, or npos.
std::size_t ParseUnquotedHeader(std::string_view s, std::size_t next, Fields& f) {
    const std::size_t open = s.find(",,\"", next);
    if (open == npos) return npos;
    const std::size_t mid = s.find("\",\"", open + 3);
    if (mid == npos) return npos;
    f.text = Between(s, open + 3, mid);
    f.has_text = true;
    const std::size_t stamp_end = s.find('"', mid + 3);
    if (stamp_end == npos) return npos;
    f.stamp = Between(s, mid + 3, stamp_end);
    f.has_stamp = true;
    return stamp_end + 1;
}

// Motorola phones put the final OK right under the text, without the blank line.
std::size_t FinalOkWithoutBlankLine(std::string_view s, std::size_t start) {
    const std::size_t ok = s.rfind("\r\nOK\r");  // a listing may end before the last LF
    if (ok == npos || ok < start) return npos;
    if (s.find_first_not_of("\r\n", ok + 5) != npos) return npos;  // the final result, last
    return ok;
}

void Store(const Fields& f, std::string_view status, int slot, MessageRecord& r) {
    r.slot_number = slot;
    SetField(r.status, status);
    if (f.has_number) SetField(r.number, f.number);
    if (f.has_stamp) SetField(r.time_stamp, f.stamp);
    if (f.has_text) SetField(r.text, f.text);
}

// "REC READ" messages whose index the manager still counts as unread stay unread.
std::string_view EffectiveStatus(std::string_view status, std::string_view unread_list, int index) {
    if (status.find("REC READ") != npos && UnreadListHolds(unread_list, index)) return "REC UNREAD";
    return status;
}

bool ParseIndex(std::string_view digits, int* index) {
    while (!digits.empty() && digits.front() == ' ') digits.remove_prefix(1);
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), *index);
    return ec == std::errc() && end == digits.data() + digits.size();
}

}  // namespace

bool UnreadListHolds(std::string_view unread_list, int index) {
    char entry[16];
    const int n = std::snprintf(entry, sizeof entry, "[%d]", index);
    return unread_list.find(std::string_view(entry, static_cast<std::size_t>(n))) != npos;
}

ReadParse ParseReadReply(int position, std::string_view reply, std::string_view unread_list,
                         MessageRecord& record) {
    return ParseReadReply(position, position + 1, reply, unread_list, record);
}

ReadParse ParseReadReply(int position, int sim_index, std::string_view reply,
                         std::string_view unread_list, MessageRecord& record) {
    ReadParse result;
    // Some modems write no space after the colon ("+CMGR:\"REC READ\",...").
    const std::size_t head = reply.find("+CMGR:");
    if (head == npos) return result;
    Fields f;
    std::size_t next = ParseStatus(reply, head + 6, f);
    if (next == npos) return result;
    while (next < reply.size() && reply[next] == ' ') ++next;  // ", " between fields
    if (next < reply.size() && reply[next] == '"') {
        ParseQuotedHeader(reply, next, f, [&](std::size_t start) {
            const std::size_t end = reply.find("\r\n\r\nOK", start);
            return end != npos ? end : FinalOkWithoutBlankLine(reply, start);
        });
    } else {
        ParseUnquotedHeader(reply, next, f);
    }
    result.parsed = true;
    result.card_unread = f.status.find("REC UNREAD") != npos;
    Store(f, EffectiveStatus(f.status, unread_list, sim_index), position + 1, record);
    return result;
}

std::vector<int> ListedIndices(std::string_view reply) {
    constexpr std::string_view kHead = "+CMGL: ";
    std::vector<int> indices;
    for (std::size_t at = reply.find(kHead); at != npos; at = reply.find(kHead, at + 1)) {
        const std::size_t after = at + kHead.size();
        const std::size_t comma = reply.find(",\"", after);
        int index = 0;
        if (comma != npos && ParseIndex(Between(reply, after, comma), &index)) indices.push_back(index);
    }
    return indices;
}

bool ConfirmListedEntry(int index, std::string_view card_reply, MessageRecord& entry) {
    if (card_reply.find("+CMS ERROR") != npos) return false;
    if (card_reply.find("\r\nOK\r") == npos) return true;
    MessageRecord card = entry;
    if (!ParseReadReply(index - 1, card_reply, "", card).parsed) return false;
    if (FieldText(card.number) != FieldText(entry.number) ||
        FieldText(card.time_stamp) != FieldText(entry.time_stamp) ||
        !FieldText(card.text).starts_with(FieldText(entry.text)))
        return false;
    SetField(entry.text, FieldText(card.text));
    return true;
}

int ParseUnreadListing(std::string_view reply, std::string_view unread_list, MessageTable& table,
                       platform::FunctionRef<void(int)> on_card_unread,
                       platform::FunctionRef<std::string_view(int)> card_says) {
    constexpr std::string_view kHead = "+CMGL: ";
    const bool check = ListedIndices(reply).size() > 1;
    int filled = 0;
    std::size_t at = reply.find(kHead);
    while (at != npos) {
        const std::size_t after = at + kHead.size();
        const std::size_t comma = reply.find(",\"", after);
        Fields f;
        int index = 0;
        const std::size_t next = comma == npos ? npos : ParseStatus(reply, comma + 1, f);
        if (next == npos) break;
        // An index that is not a number names no slot; the entry is read past all the same.
        if (!ParseIndex(Between(reply, after, comma), &index)) index = 0;
        std::size_t resume = npos;
        if (next < reply.size() && reply[next] == '"') {
            resume = ParseQuotedHeader(reply, next, f, [&](std::size_t start) {
                const std::size_t more = reply.find("\r\n+CMGL: ", start);
                if (more != npos) return more;
                const std::size_t end = reply.find("\r\n\r\nOK", start);
                return end != npos ? end : FinalOkWithoutBlankLine(reply, start);
            });
        } else {
            resume = ParseUnquotedHeader(reply, next, f);
        }
        const int position = table.PositionOf(index);
        if (table.IsSimSlot(position)) {
            MessageRecord entry = *table.At(position);
            Store(f, EffectiveStatus(f.status, unread_list, index), position + 1, entry);
            if (!check || ConfirmListedEntry(index, card_says(index), entry)) {
                if (f.status.find("REC UNREAD") != npos) on_card_unread(index);
                *table.At(position) = entry;
                ++filled;
            }
        } else if (!check && f.status.find("REC UNREAD") != npos) {
            on_card_unread(index);
        }
        // A body cut off before its end leaves nothing more to list.
        at = resume == npos ? npos : reply.find(kHead, resume);
    }
    return filled;
}

bool ParseNewMessageReply(int index, std::string_view reply, MessageRecord& record) {
    if (reply.find("+CMGR:") == npos) return false;
    Fields f;
    std::size_t quoted = reply.find("READ\",\"");
    if (quoted != npos) {
        const std::size_t start = quoted + 7;
        const std::size_t close = reply.find('"', start);
        if (close != npos) {
            f.number = Between(reply, start, close);
            f.has_number = true;
            const std::size_t stamp = reply.find(",,\"", close);
            if (stamp != npos) {
                const std::size_t stamp_end = reply.find('"', stamp + 3);
                if (stamp_end != npos) {
                    f.stamp = Between(reply, stamp + 3, stamp_end);
                    f.has_stamp = true;
                }
            }
            const std::size_t line = reply.find("\r\n", f.has_stamp ? stamp + 3 : close);
            const std::size_t end = line == npos ? npos : reply.find("\r\n\r\nOK", line + 2);
            if (end != npos) {
                f.text = Between(reply, line + 2, end);
                f.has_text = true;
            }
        }
    } else if (const std::size_t bare = reply.find("READ\","); bare != npos) {
        const std::size_t open = reply.find(",\"", bare + 6);
        const std::size_t mid = open == npos ? npos : reply.find("\",\"", open + 2);
        if (mid != npos) {
            f.text = Between(reply, open + 2, mid);
            f.has_text = true;
            const std::size_t stamp_end = reply.find('"', mid + 3);
            if (stamp_end != npos) {
                f.stamp = Between(reply, mid + 3, stamp_end);
                f.has_stamp = true;
            }
        }
    }
    Store(f, "REC UNREAD", index, record);
    return true;
}

}  // namespace qmx2::manager
