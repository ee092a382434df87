// Standard "+COPS" replies: the current operator in any of the three formats, and the list of
// operator groups of a search.
#include "common/operator_replies.h"

namespace qmx2::common {
namespace {

constexpr auto npos = std::string_view::npos;

struct Field {
    std::string_view text;
    bool quoted = false;
};

std::string_view Trimmed(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\r' || s.back() == '\n')) s.remove_suffix(1);
    return s;
}

std::optional<int> SmallNumber(std::string_view s) {
    s = Trimmed(s);
    if (s.empty() || s.size() > 3) return std::nullopt;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

bool AllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

// Splits `s` at commas outside quotation marks, from `at` up to `stop` (outside quotes) or the
// end of the line. A quoted field keeps the commas inside it ("T-Mobile USA, In"). Returns the
// offset just past the end character, or the line end.
std::size_t SplitFields(std::string_view s, std::size_t at, char stop, std::vector<Field>& out) {
    out.clear();
    Field f;
    std::size_t start = at;
    for (std::size_t i = at; i <= s.size(); ++i) {
        const char c = i < s.size() ? s[i] : '\n';
        if (c == '"') {
            const std::size_t close = s.find('"', i + 1);
            if (close == npos) {
                f.text = s.substr(i + 1);
                f.quoted = true;
                out.push_back(f);
                return s.size();
            }
            f.text = s.substr(i + 1, close - i - 1);
            f.quoted = true;
            i = close;
            continue;
        }
        if (c == ',' || c == stop || c == '\r' || c == '\n') {
            if (!f.quoted) f.text = s.substr(start, i - start);
            out.push_back(f);
            f = Field{};
            start = i + 1;
            if (c != ',') return i < s.size() ? i + 1 : s.size();
        }
    }
    return s.size();
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// u-blox LARA and other modems left in the UCS2 set give names and codes as hex of 16-bit
// units: "00320031003400300037" is "21407".
std::string PlainCode(std::string_view code, bool* ucs2) {
    *ucs2 = false;
    if (AllDigits(code) && code.size() >= 4 * 5 && code.size() % 4 == 0) {
        const std::optional<std::string> decoded = DecodeUcs2Hex(code);
        if (decoded && AllDigits(*decoded)) {
            *ucs2 = true;
            return *decoded;
        }
    }
    return std::string(code);
}

std::string PlainName(std::string_view name, bool ucs2) {
    if (ucs2) {
        if (std::optional<std::string> decoded = DecodeUcs2Hex(name)) return *decoded;
    }
    return std::string(name);
}

}  // namespace

std::optional<std::string> DecodeUcs2Hex(std::string_view hex) {
    if (hex.size() % 4 != 0) return std::nullopt;
    std::string out;
    for (std::size_t i = 0; i < hex.size(); i += 4) {
        int unit = 0;
        for (std::size_t k = 0; k < 4; ++k) {
            const int v = HexValue(hex[i + k]);
            if (v < 0) return std::nullopt;
            unit = unit * 16 + v;
        }
        if (unit == 0 || unit > 0xFF) return std::nullopt;
        out.push_back(static_cast<char>(unit));
    }
    return out;
}

std::optional<CurrentOperatorReply> ParseCurrentOperatorReply(std::string_view reply) {
    const std::size_t head = reply.find("+COPS:");
    if (head == npos) return std::nullopt;
    std::vector<Field> fields;
    SplitFields(reply, head + 6, '\n', fields);
    if (fields.empty()) return std::nullopt;
    const std::optional<int> mode = SmallNumber(fields[0].text);
    if (!mode) return std::nullopt;
    CurrentOperatorReply r;
    r.mode = *mode;
    if (fields.size() >= 3) {
        const std::optional<int> format = SmallNumber(fields[1].text);
        const std::string_view oper = fields[2].quoted ? fields[2].text : Trimmed(fields[2].text);
        if (!format || *format > 2) return std::nullopt;
        if (!oper.empty()) {
            r.format = *format;
            r.oper = std::string(oper);
        }
    }
    return r;
}

std::vector<ListedOperator> ParseStandardOperatorList(std::string_view reply, std::size_t limit) {
    std::vector<ListedOperator> list;
    const std::size_t head = reply.find("+COPS:");
    if (head == npos) return list;
    std::vector<Field> fields;
    std::size_t at = reply.find('(', head);
    while (at != npos && list.size() < limit) {
        const std::size_t end = SplitFields(reply, at + 1, ')', fields);
        const std::optional<int> status = fields.empty() ? std::nullopt : SmallNumber(fields[0].text);
        if (status && *status <= 3 && fields.size() >= 4 && fields[3].quoted) {
            bool ucs2 = false;
            std::string code = PlainCode(fields[3].text, &ucs2);
            if (AllDigits(code) && code.size() <= 8) {
                list.push_back({*status, PlainName(fields[1].text, ucs2),
                                PlainName(fields[2].text, ucs2), std::move(code)});
            }
        }
        at = reply.find('(', end > at ? end : at + 1);
    }
    return list;
}

}  // namespace qmx2::common
