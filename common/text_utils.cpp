// Text conversions shared by every caller of the card.
#include "common/text_utils.h"

#include <cstring>
#include <utility>

namespace qmx2::common {
namespace {

// Length of a C string, looking at no more than the input limit.
size_t BoundedLength(const char* text) {
    if (!text) return 0;
    const void* nul = std::memchr(text, '\0', kMaxConversionInput);
    return nul ? static_cast<size_t>(static_cast<const char*>(nul) - text) : kMaxConversionInput;
}

// Appends bytes to a bounded output, always leaving it NUL-terminated.
class BoundedOut {
public:
    BoundedOut(char* out, size_t size) : out_(out), size_(size) {
        if (size_ != 0) out_[0] = '\0';
    }
    void Put(char c) {
        if (length_ + 1 >= size_) return;
        out_[length_++] = c;
        out_[length_] = '\0';
    }
    void Put(const char* text, size_t n) {
        for (size_t i = 0; i < n; ++i) Put(text[i]);
    }

private:
    char* out_;
    size_t size_;
    size_t length_ = 0;
};

bool IsUnsafeLowByte(unsigned char b) { return b < 0x20 || b == 0x7F || b == '"'; }

}  // namespace

const char* NarrowText(ConversionAreas& areas, platform::WideView text) {
    size_t n = 0;
    for (; n < text.size() && n < kMaxConversionInput && text[n] != 0; ++n) {
        const char16_t unit = text[n];
        const auto low = static_cast<unsigned char>(unit & 0xFF);
        areas.narrow[n] = unit > 0xFF && IsUnsafeLowByte(low) ? '?' : static_cast<char>(low);
    }
    areas.narrow[n] = '\0';
    return areas.narrow;
}

const platform::WideChar* WidenText(ConversionAreas& areas, const char* text) {
    const size_t n = BoundedLength(text);
    for (size_t i = 0; i < n; ++i)
        areas.wide[i] = static_cast<platform::WideChar>(static_cast<unsigned char>(text[i]));
    areas.wide[n] = 0;
    return areas.wide;
}

void DialableDigits(const char* text, char* out, size_t out_size) {
    BoundedOut o(out, out_size);
    const size_t n = BoundedLength(text);
    for (size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if ((c >= '0' && c <= '9') || c == '*' || c == '#' || (c == '+' && i == 0)) o.Put(c);
    }
}

void FlattenLineBreaks(const char* text, char* out, size_t out_size) {
    BoundedOut o(out, out_size);
    const size_t n = BoundedLength(text);
    for (size_t i = 0; i < n; ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < n && text[i + 1] == '\n') {
            o.Put(' ');
            ++i;
        } else if (c == '\r' || c == '\n') {
            o.Put(' ');
        } else {
            o.Put(c);
        }
    }
}

void FormatStampForDisplay(const char* stamp, char* out, size_t out_size) {
    char work[kConversionAreaSize];
    size_t n = BoundedLength(stamp);
    if (n != 0) std::memcpy(work, stamp, n);
    work[n] = '\0';
    // Year and day trade places: "yy/mm/dd" becomes "dd/mm/yy".
    if (n >= 8) {
        std::swap(work[0], work[6]);
        std::swap(work[1], work[7]);
    }
    // The time zone goes, whichever its sign, then the seconds.
    if (char* plus = std::strchr(work, '+')) *plus = '\0';
    if (char* minus = std::strchr(work, '-')) *minus = '\0';
    if (char* colon = std::strchr(work, ':')) {
        const size_t keep = static_cast<size_t>(colon - work) + 3;
        if (keep < std::strlen(work)) work[keep] = '\0';
    }
    BoundedOut o(out, out_size);
    o.Put(work, std::strlen(work));
}

}  // namespace qmx2::common
