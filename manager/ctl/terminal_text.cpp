// Conversions of qmx2ctl's texts.
#include "manager/ctl/terminal_text.h"

#include <cstdio>

namespace qmx2::manager::ctl {
namespace {

platform::WideString Widened(std::string_view latin1) {
    platform::WideString w;
    w.reserve(latin1.size());
    for (unsigned char c : latin1) w.push_back(c);  // never sign-extended
    return w;
}

}  // namespace

std::string Latin1ToUtf8(std::string_view s) { return platform::ToUtf8(Widened(s)); }

platform::WideString Latin1Wide(platform::WideView typed) {
    platform::WideString out;
    for (char16_t c : typed) {
        if (c >= 0xDC00 && c <= 0xDFFF) continue;  // the second half of a pair: one "?" is enough
        out.push_back(c <= 0xFF ? c : u'?');
    }
    return out;
}

std::string Utf8ToLatin1(std::string_view s) {
    std::string out;
    for (char16_t c : Latin1Wide(platform::FromUtf8(s))) out.push_back(static_cast<char>(c));
    return out;
}

bool NumberTyped(std::string_view number, std::string* why) {
    bool digits_yet = false;
    for (char c : number) {
        const bool fits = (c >= '0' && c <= '9') || c == '*' || c == '#' || c == ' ' || c == '-' ||
                          c == '.' || c == '/' || (c == '+' && !digits_yet);
        if (!fits) {
            *why = "\"" + std::string(number) + "\" is not a telephone number";
            return false;
        }
        digits_yet = digits_yet || c != ' ';
    }
    return true;
}

std::string TerminalText(platform::WideView text, bool lines) {
    platform::WideString out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        if (lines && c == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n') continue;
        if ((lines && c == u'\n') || !(c < 0x20 || (c >= 0x7F && c < 0xA0))) {
            out.push_back(c);
            continue;
        }
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\x%02x", static_cast<unsigned>(c));
        for (const char* p = escaped; *p; ++p) out.push_back(static_cast<char16_t>(*p));
    }
    return platform::ToUtf8(out);
}

std::string TerminalLatin1(std::string_view latin1, bool lines) {
    return TerminalText(Widened(latin1), lines);
}

}  // namespace qmx2::manager::ctl
