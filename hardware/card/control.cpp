// The live-control commands of a running card.
#include "hardware/card/control.h"

#include <algorithm>

#include "hardware/card/phone.h"

namespace qmx2::hardware::card {
namespace {

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

// Splits off the first word.
std::string_view Word(std::string_view& rest) {
    rest = Trim(rest);
    const size_t end = std::min(rest.find(' '), rest.size());
    std::string_view w = rest.substr(0, end);
    rest = Trim(rest.substr(end));
    return w;
}

std::optional<int> Number(std::string_view s) {
    if (s.empty() || s.size() > 9) return std::nullopt;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return std::nullopt;
        v = v * 10 + (c - '0');
    }
    return v;
}

bool NumberText(std::string_view s) {
    if (s.empty() || s.size() > 20) return false;
    for (size_t i = 0; i < s.size(); ++i)
        if (!((s[i] >= '0' && s[i] <= '9') || (i == 0 && s[i] == '+'))) return false;
    return true;
}

// Runs fn under the card's lock and hands back its result.
template <class F>
auto WithPhone(ControlTarget& card, F&& fn) {
    std::optional<decltype(fn(std::declval<Phone&>()))> result;
    card.Locked([&](Phone& p) { result = fn(p); });
    return *result;
}

std::string Status(ControlTarget& card) {
    const bool powered = card.powered(), inserted = card.inserted();
    return WithPhone(card, [&](Phone& p) {
        int used = 0;
        for (const auto& m : p.sim().messages) used += m ? 1 : 0;
        const NetworkState& n = p.scenario().network;
        return "OK powered=" + std::to_string(powered) + " inserted=" + std::to_string(inserted) +
               " messages=" + std::to_string(used) + "/" + std::to_string(p.sim().messages.size()) +
               " operator=" + (n.current.empty() ? "none" : n.current) + " signal=" +
               std::to_string(n.rssi) + " sent=" + std::to_string(p.sent_messages().size());
    });
}

}  // namespace

std::optional<std::string> UnquoteControlText(std::string_view q) {
    if (q.size() < 2 || q.front() != '"' || q.back() != '"') return std::nullopt;
    std::string out;
    for (size_t i = 1; i + 1 < q.size(); ++i) {
        char c = q[i];
        if (c == '"') return std::nullopt;
        if (c == '\\') {
            if (i + 2 >= q.size()) return std::nullopt;
            const char e = q[++i];
            c = e == 'n' ? '\n' : e == 'r' ? '\r' : e;
            if (e != 'n' && e != 'r' && e != '"' && e != '\\') return std::nullopt;
        }
        out.push_back(c);
    }
    return out;
}

std::string QuoteControlText(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\') out += '\\', out += c;
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out + "\"";
}

std::string RunControlCommand(ControlTarget& card, std::string_view line) {
    std::string_view rest = line;
    const std::string cmd(Word(rest));
    if (cmd == "deliver") {
        const std::string number(Word(rest));
        const auto text = UnquoteControlText(rest);
        if (!NumberText(number) || !text) return "ERROR usage: deliver NUMBER \"TEXT\"";
        const int index = WithPhone(card, [&](Phone& p) {
            // A message takes the first free slot.
            const auto& m = p.sim().messages;
            const auto free = std::find_if(m.begin(), m.end(), [](const auto& s) { return !s; });
            const int slot = static_cast<int>(free - m.begin()) + 1;
            return p.DeliverMessage(number, *text) ? slot : -1;
        });
        return index < 0 ? "ERROR memory full" : "OK " + std::to_string(index);
    }
    if (cmd == "signal") {
        const auto v = Number(rest);
        if (!v || (*v > 31 && *v != 99)) return "ERROR usage: signal 0..31|99";
        card.Locked([&](Phone& p) { p.SetSignal(*v); });
        return "OK";
    }
    if (cmd == "operator") {
        const std::string code(rest);
        const bool ok = WithPhone(card, [&](Phone& p) { return p.SetOperator(code); });
        return ok ? "OK" : "ERROR not in reach";
    }
    if (cmd == "fill-memory" && rest.empty())
        return "OK " + std::to_string(WithPhone(card, [](Phone& p) { return p.FillMemory(); }));
    if (cmd == "pull" && rest.empty()) return card.Pull(), "OK";
    if (cmd == "insert" && rest.empty()) {
        card.Insert();
        // A card whose host ended with the pull has nowhere to go back into.
        return card.inserted() ? "OK" : "ERROR the card cannot be inserted again";
    }
    if (cmd == "power" && (rest == "on" || rest == "off")) {
        if (!card.inserted()) return "ERROR card pulled";
        card.SetPowered(rest == "on");
        return "OK";
    }
    if (cmd == "hangup" && rest.empty()) return card.Locked([](Phone& p) { p.RemoteHangUp(); }), "OK";
    if (cmd == "sent") {
        const auto n = Number(rest);
        if (!n) return "ERROR usage: sent N";
        return WithPhone(card, [&](Phone& p) -> std::string {
            const auto& sent = p.sent_messages();
            if (*n < 1 || static_cast<size_t>(*n) > sent.size()) return "ERROR no such message";
            const SentMessage& m = sent[static_cast<size_t>(*n - 1)];
            return "OK " + m.number + " " + QuoteControlText(m.text);
        });
    }
    if (cmd == "status" && rest.empty()) return Status(card);
    return "ERROR unknown command";
}

}  // namespace qmx2::hardware::card
