// Incremental matchers for the stop rules of the AT command transaction.
#include "common/stop_rules.h"

#include <array>

namespace qmx2::common {
namespace {

constexpr std::string_view kFixedPatterns[kFixedStopPatternCount] = {
    "\r\nOK\r\n", "\r\nOK\r", "\r\n>", "\r\nCARRIER\r\n", "\r\nERROR\r\n",
    "+CMS ERROR:", "CMGR", "CMGL", "CMGS", "CMGW", "ATDT",
};

constexpr size_t kLongestFixed = 11;

// failure[i]: length of the longest proper prefix of pattern[0..i] that is also its suffix.
template <typename T>
constexpr void BuildFailure(std::string_view p, T* failure) {
    if (p.empty()) return;
    failure[0] = 0;
    T k = 0;
    for (size_t i = 1; i < p.size(); ++i) {
        while (k > 0 && p[i] != p[k]) k = failure[k - 1];
        if (p[i] == p[k]) ++k;
        failure[i] = k;
    }
}

struct FixedTables {
    std::array<std::array<uint8_t, kLongestFixed>, kFixedStopPatternCount> failure{};
};

constexpr FixedTables MakeFixedTables() {
    FixedTables t;
    for (size_t i = 0; i < kFixedStopPatternCount; ++i) BuildFailure(kFixedPatterns[i], t.failure[i].data());
    return t;
}

constexpr FixedTables kFixedTables = MakeFixedTables();

static_assert([] {
    for (auto p : kFixedPatterns)
        if (p.size() > kLongestFixed) return false;
    return true;
}());

// One KMP step; returns the new state (pattern.size() means a complete match).
template <typename T>
T Step(std::string_view p, const T* failure, T state, unsigned char byte) {
    if (state == p.size()) state = failure[state - 1];
    while (state > 0 && static_cast<unsigned char>(p[state]) != byte) state = failure[state - 1];
    if (static_cast<unsigned char>(p[state]) == byte) ++state;
    return state;
}

}  // namespace

std::string_view FixedStopPattern(size_t index) {
    return index < kFixedStopPatternCount ? kFixedPatterns[index] : std::string_view{};
}

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
    state_ = Step(pattern_, failure_, state_, byte);
    if (state_ == pattern_.size()) seen_ = true;
}

StopRuleEngine::StopRuleEngine(StopRuleSet rules, std::string_view expected) : rules_(rules) {
    expected_.Reset(expected);
}

void StopRuleEngine::FeedFixed(FixedMatcher& m, Fixed which, unsigned char byte) {
    if (m.seen) return;
    const std::string_view p = kFixedPatterns[which];
    m.state = Step<uint8_t>(p, kFixedTables.failure[which].data(), m.state, byte);
    if (m.state == p.size()) m.seen = true;
}

void StopRuleEngine::Feed(unsigned char byte) {
    for (size_t i = 0; i < kFixedCount; ++i) FeedFixed(fixed_[i], static_cast<Fixed>(i), byte);
    expected_.Feed(byte);
}

StopRule StopRuleEngine::Check() const {
    auto seen = [this](Fixed f) { return fixed_[f].seen; };
    const bool expected = expected_.Seen();
    if (rules_.cms_error_ends_read && seen(kCmsError) && seen(kCmgr)) return StopRule::kCmsErrorOnRead;
    if (seen(kOkCrLf) && expected) return StopRule::kOk;
    if (seen(kOkCr) && expected && seen(kCmgl)) return StopRule::kListingOk;
    if (seen(kPromptPattern) && expected &&
        (!rules_.prompt_needs_submit || seen(kCmgs) || seen(kCmgw)))
        return StopRule::kPrompt;
    if (seen(kCarrierPattern) && expected && seen(kAtdt)) return StopRule::kCarrier;
    if (seen(kErrorPattern) && expected) return StopRule::kError;
    return StopRule::kNone;
}

}  // namespace qmx2::common
