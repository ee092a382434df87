// Short-message text rules: length, cutting, the card's bytes, recipient numbers.
#include "manager/messages/message_text.h"

#include <cstdio>

#include "common/text_utils.h"

namespace qmx2::manager {
namespace {

constexpr char16_t kCr = u'\r';
constexpr char16_t kLf = u'\n';

bool KeptControl(unsigned char c) { return c == '\n' || c == '\t'; }

template <class Text>
std::string ToCard(Text text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto unit = text[i];
        if (unit == '\r') {
            out.push_back('\n');
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            continue;
        }
        const auto byte = static_cast<unsigned char>(static_cast<unsigned>(unit) & 0xFF);
        // A unit above 255 whose low byte is a control byte is not that control byte.
        if (byte < 0x20 && !KeptControl(byte)) {
            if (static_cast<unsigned>(unit) > 0xFF) out.push_back('?');
            continue;
        }
        if (byte == 0x7F) continue;
        out.push_back(static_cast<char>(byte));
    }
    return out;
}

}  // namespace

int MessageLength(std::u16string_view text) {
    int length = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == kCr && i + 1 < text.size() && text[i + 1] == kLf) ++i;
        ++length;
    }
    return length;
}

std::u16string_view CutToLength(std::u16string_view text, int limit) {
    int length = 0;
    std::size_t i = 0;
    while (i < text.size() && length < limit) {
        i += (text[i] == kCr && i + 1 < text.size() && text[i + 1] == kLf) ? 2 : 1;
        ++length;
    }
    return text.substr(0, i);
}

std::string CardMessageText(std::u16string_view text) { return ToCard(text); }
std::string CardMessageText(std::string_view text) { return ToCard(text); }

std::string ReducedNumber(std::string_view number) {
    std::string in(number.substr(0, common::kMaxConversionInput));
    char out[common::kConversionAreaSize] = {};
    common::DialableDigits(in.c_str(), out, sizeof out);
    return out;
}

std::u16string_view RecipientNumberPart(std::u16string_view entry) {
    const std::size_t open = entry.find(u'(');
    if (open == std::u16string_view::npos) return entry;
    const std::size_t close = entry.find(u')', open + 1);
    return entry.substr(open + 1, close == std::u16string_view::npos ? std::u16string_view::npos
                                                                     : close - open - 1);
}

std::string RecipientNumber(std::u16string_view entry) {
    const std::u16string_view number = RecipientNumberPart(entry);
    // Only ASCII survives the reduction, so a unit above 255 must not alias one by its low byte.
    std::string narrow;
    for (char16_t u : number) narrow.push_back(u < 0x80 ? static_cast<char>(u) : ' ');
    return ReducedNumber(narrow);
}

const char* NumberType(std::string_view number) {
    return !number.empty() && number[0] == '+' ? "145" : "129";
}

std::string SentStamp(const platform::WallTime& now) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%2.2d/%2.2d/%2.2d,%2.2d:%2.2d:%2.2d", now.year % 100, now.month,
                  now.day, now.hour, now.minute, now.second);
    return buf;
}

}  // namespace qmx2::manager
