// The syntax of an AT command line.
#include "hardware/card/at_syntax.h"

#include <cctype>

namespace qmx2::hardware::card {
namespace {

bool IsAlpha(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char UpperChar(char c) { return static_cast<char>(std::toupper(static_cast<unsigned char>(c))); }

// Length of an extended command's text up to the ";" that ends it, quotes respected; npos when
// a quote is not closed.
size_t ExtendedLength(std::string_view s) {
    bool quoted = false;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '"') quoted = !quoted;
        if (s[i] == ';' && !quoted) return i;
    }
    return quoted ? std::string_view::npos : s.size();
}

std::optional<AtCommand> ParseExtended(std::string_view text) {
    AtCommand c;
    size_t i = 1;  // after the '+' (or another extended prefix)
    while (i < text.size() && (IsAlpha(text[i]) || IsDigit(text[i]) || text[i] == '_' ||
                               text[i] == '-' || text[i] == '.'))
        ++i;
    if (i == 1) return std::nullopt;
    c.name = Upper(text.substr(0, i));
    std::string_view rest = text.substr(i);
    while (!rest.empty() && rest.back() == ' ') rest.remove_suffix(1);
    if (rest.empty()) {
        c.form = CommandForm::kExecute;
    } else if (rest == "?") {
        c.form = CommandForm::kRead;
    } else if (rest == "=?") {
        c.form = CommandForm::kTest;
    } else if (rest[0] == '=') {
        c.form = CommandForm::kSet;
        c.args = std::string(rest.substr(1));
    } else {
        return std::nullopt;
    }
    return c;
}

}  // namespace

std::string Upper(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = UpperChar(c);
    return out;
}

bool IsMessageNumber(std::string_view n) {
    if (n.empty() || n.size() > 20 || n == "+") return false;
    for (size_t i = 0; i < n.size(); ++i) {
        const char c = n[i];
        if (!(IsDigit(c) || c == '*' || c == '#' || (c == '+' && i == 0))) return false;
    }
    return true;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size()) return false;
    for (size_t i = 0; i < prefix.size(); ++i)
        if (UpperChar(text[i]) != UpperChar(prefix[i])) return false;
    return true;
}

std::optional<std::vector<AtCommand>> SplitCommandLine(std::string_view body) {
    std::vector<AtCommand> out;
    size_t i = 0;
    while (i < body.size()) {
        const char c = body[i];
        if (c == ' ' || c == ';') {
            ++i;
            continue;
        }
        if (c == '+' || c == '^' || c == '$' || c == '%') {
            const size_t len = ExtendedLength(body.substr(i));
            if (len == std::string_view::npos) return std::nullopt;
            auto cmd = ParseExtended(body.substr(i, len));
            if (!cmd) return std::nullopt;
            out.push_back(std::move(*cmd));
            i += len;
            continue;
        }
        AtCommand cmd;
        if (c == '&' || c == '\\') {
            if (i + 1 >= body.size() || !IsAlpha(body[i + 1])) return std::nullopt;
            cmd.name = std::string{c, UpperChar(body[i + 1])};
            i += 2;
        } else if (IsAlpha(c)) {
            cmd.name = std::string(1, UpperChar(c));
            ++i;
        } else {
            return std::nullopt;
        }
        if (cmd.name == "D") {
            // The dial string takes the rest of the line, its ";" (voice call) included.
            cmd.args = std::string(body.substr(i));
            i = body.size();
        } else if (cmd.name == "S") {
            size_t j = i;
            while (j < body.size() && IsDigit(body[j])) ++j;
            cmd.args = std::string(body.substr(i, j - i));
            if (j < body.size() && body[j] == '?') {
                cmd.form = CommandForm::kRead;
                ++j;
            } else if (j < body.size() && body[j] == '=') {
                cmd.form = CommandForm::kSet;
                size_t k = ++j;
                while (k < body.size() && IsDigit(body[k])) ++k;
                cmd.args += "=" + std::string(body.substr(j, k - j));
                j = k;
            }
            i = j;
        } else {
            size_t j = i;
            while (j < body.size() && IsDigit(body[j])) ++j;
            cmd.args = std::string(body.substr(i, j - i));
            i = j;
        }
        out.push_back(std::move(cmd));
    }
    return out;
}

std::optional<std::vector<AtArg>> SplitArgs(std::string_view args) {
    std::vector<AtArg> out;
    size_t i = 0;
    for (;;) {
        AtArg a;
        while (i < args.size() && args[i] == ' ') ++i;
        if (i < args.size() && args[i] == '"') {
            const size_t close = args.find('"', i + 1);
            if (close == std::string_view::npos) return std::nullopt;
            a.present = a.quoted = true;
            a.text = std::string(args.substr(i + 1, close - i - 1));
            i = close + 1;
            while (i < args.size() && args[i] == ' ') ++i;
            if (i < args.size() && args[i] != ',') return std::nullopt;
        } else {
            const size_t comma = std::min(args.find(',', i), args.size());
            std::string_view t = args.substr(i, comma - i);
            while (!t.empty() && t.back() == ' ') t.remove_suffix(1);
            a.present = !t.empty();
            a.text = std::string(t);
            i = comma;
        }
        out.push_back(std::move(a));
        if (i >= args.size()) break;
        ++i;  // the comma
    }
    return out;
}

std::optional<int> ArgNumber(const AtArg& arg, int lo, int hi) {
    if (!arg.present || arg.text.empty() || arg.text.size() > 9) return std::nullopt;
    int v = 0;
    for (char c : arg.text) {
        if (!IsDigit(c)) return std::nullopt;
        v = v * 10 + (c - '0');
    }
    if (v < lo || v > hi) return std::nullopt;
    return v;
}

}  // namespace qmx2::hardware::card
