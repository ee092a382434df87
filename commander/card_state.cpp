// Reading the card state out of the "AT+CPIN?" reply.
#include "commander/card_state.h"

#include <array>
#include <optional>

#include "commander/card_channel.h"

namespace qmx2::commander {
namespace {

struct StateName {
    std::string_view name;
    CardState state;
};

constexpr std::array<StateName, 10> kStates{{
    {"READY", CardState::kReady},
    {"SIM PIN2", CardState::kSimPin2},
    {"SIM PUK2", CardState::kSimPuk2},
    {"SIM PIN", CardState::kSimPin},
    {"SIM PUK", CardState::kSimPuk},
    {"PH-SIM PIN", CardState::kPhSimPin},
    {"PH-FSIM PIN", CardState::kPhFsimPin},
    {"PH-FSIM PUK", CardState::kPhFsimPuk},
    {"PH-NET PIN", CardState::kPhNetPin},
    {"PH-NET PUK", CardState::kPhNetPuk},
}};

// '-' joins the parts of a state name ("PH-SIM PIN"), so it counts as part of a word.
bool IsWordChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           c == '-' || c == '_';
}

bool HoldsWord(std::string_view text, std::string_view word) {
    for (size_t at = text.find(word); at != std::string_view::npos;
         at = text.find(word, at + 1)) {
        const bool starts = at == 0 || !IsWordChar(text[at - 1]);
        const size_t end = at + word.size();
        const bool ends = end == text.size() || !IsWordChar(text[end]);
        if (starts && ends) return true;
    }
    return false;
}

// The state named on the "+CPIN:" line; with `whole_line`, only when CR or LF ends that line.
std::optional<CardState> StateOnLine(std::string_view reply, bool whole_line) {
    const size_t info = reply.find("+CPIN:");
    if (info == std::string_view::npos) return std::nullopt;
    const std::string_view rest = reply.substr(info + 6);
    const size_t end = rest.find_first_of("\r\n");
    if (end == std::string_view::npos && whole_line) return std::nullopt;
    for (const StateName& s : kStates)
        if (HoldsWord(rest.substr(0, end), s.name)) return s.state;
    return std::nullopt;
}

}  // namespace

CardState ParseCardState(std::string_view reply) {
    if (Holds(reply, kCommFailure)) {
        // Wavecom modems answer "+CPIN: READY" without a final OK: the transaction runs into
        // its time-out with the whole state line received.
        const std::string_view before = reply.substr(0, reply.find(kCommFailure));
        const std::optional<CardState> named = StateOnLine(before, true);
        return named ? *named : CardState::kUnexpected;
    }
    if (const std::optional<CardState> named = StateOnLine(reply, false)) return *named;
    if (Holds(reply, "ERROR")) return CardState::kError;
    return CardState::kUnexpected;
}

}  // namespace qmx2::commander
