// Incremental matchers for the stop rules of the AT command transaction.
#include "common/stop_rules.h"

#include <array>

namespace qmx2::common {
namespace {

enum Fixed : uint8_t {
    kOkCrLf, kOkCr, kPromptPattern, kCarrierPattern, kErrorPattern,
    kCmsError, kCmgr, kCmgl, kCmgs, kCmgw, kAtdt,
};

constexpr size_t kFixedCount = 11;
constexpr std::string_view kFixedPatterns[kFixedCount] = {
    "\r\nOK\r\n", "\r\nOK\r", "\r\n>", "\r\nCARRIER\r\n", "\r\nERROR\r\n",
    "+CMS ERROR:", "CMGR", "CMGL", "CMGS", "CMGW", "ATDT",
};

constexpr uint16_t Bit(Fixed f) { return static_cast<uint16_t>(1u << f); }

// Aho-Corasick automaton of the fixed patterns with its complete transition function, built at
// compile time: next[state][byte] and the patterns that end in each state.
constexpr size_t kMaxStates = 64;

struct FixedAutomaton {
    std::array<std::array<uint8_t, 256>, kMaxStates> next{};
    std::array<uint16_t, kMaxStates> ends{};
    size_t states = 1;
};

constexpr FixedAutomaton BuildAutomaton() {
    FixedAutomaton a;
    // The trie; 0 in next[] means "no edge yet" (the root is never a child).
    for (size_t p = 0; p < kFixedCount; ++p) {
        size_t s = 0;
        for (char c : kFixedPatterns[p]) {
            const auto b = static_cast<unsigned char>(c);
            if (a.next[s][b] == 0) a.next[s][b] = static_cast<uint8_t>(a.states++);
            s = a.next[s][b];
        }
        a.ends[s] |= static_cast<uint16_t>(1u << p);
    }
    // Breadth first: missing edges follow the failure link, outputs include the link's.
    std::array<uint8_t, kMaxStates> fail{};
    std::array<uint8_t, kMaxStates> queue{};
    size_t head = 0, tail = 0;
    for (size_t b = 0; b < 256; ++b)
        if (a.next[0][b] != 0) queue[tail++] = a.next[0][b];
    while (head < tail) {
        const uint8_t s = queue[head++];
        a.ends[s] |= a.ends[fail[s]];
        for (size_t b = 0; b < 256; ++b) {
            const uint8_t child = a.next[s][b];
            if (child != 0) {
                fail[child] = a.next[fail[s]][b];
                queue[tail++] = child;
            } else {
                a.next[s][b] = a.next[fail[s]][b];
            }
        }
    }
    return a;
}

constexpr FixedAutomaton kAutomaton = BuildAutomaton();
static_assert(kAutomaton.states <= kMaxStates);

// failure[i]: length of the longest proper prefix of pattern[0..i] that is also its suffix.
void BuildFailure(std::string_view p, uint16_t* failure) {
    if (p.empty()) return;
    failure[0] = 0;
    uint16_t k = 0;
    for (size_t i = 1; i < p.size(); ++i) {
        while (k > 0 && p[i] != p[k]) k = failure[k - 1];
        if (p[i] == p[k]) ++k;
        failure[i] = k;
    }
}

}  // namespace

bool PatternMatcher::Reset(std::string_view pattern) {
    pattern_ = pattern;
    state_ = 0;
    usable_ = pattern.size() <= kMaxExpectedLength;
    seen_ = usable_ && pattern.empty();
    if (usable_) BuildFailure(pattern_, failure_);
    return usable_;
}

void PatternMatcher::Feed(unsigned char byte) {
    if (seen_ || !usable_) return;  // once seen, the reply holds it for good
    while (state_ > 0 && static_cast<unsigned char>(pattern_[state_]) != byte)
        state_ = failure_[state_ - 1];
    if (static_cast<unsigned char>(pattern_[state_]) == byte) ++state_;
    if (state_ == pattern_.size()) seen_ = true;
}

StopRuleEngine::StopRuleEngine(StopRuleSet rules, std::string_view expected) : rules_(rules) {
    expected_.Reset(expected);
}

void StopRuleEngine::Feed(unsigned char byte) {
    fixed_state_ = kAutomaton.next[fixed_state_][byte];
    fixed_seen_ |= kAutomaton.ends[fixed_state_];
    expected_.Feed(byte);
}

StopRule StopRuleEngine::Check() const {
    auto seen = [this](Fixed f) { return (fixed_seen_ & Bit(f)) != 0; };
    if (rules_.cms_error_ends_read && seen(kCmsError) && seen(kCmgr))
        return StopRule::kCmsErrorOnRead;
    if (!expected_.Seen()) return StopRule::kNone;  // every other rule needs the expected text
    if (seen(kOkCrLf)) return StopRule::kOk;
    if (seen(kOkCr) && seen(kCmgl)) return StopRule::kListingOk;
    if (seen(kPromptPattern) && (!rules_.prompt_needs_submit || seen(kCmgs) || seen(kCmgw)))
        return StopRule::kPrompt;
    if (seen(kCarrierPattern) && seen(kAtdt)) return StopRule::kCarrier;
    if (seen(kErrorPattern)) return StopRule::kError;
    return StopRule::kNone;
}

}  // namespace qmx2::common
