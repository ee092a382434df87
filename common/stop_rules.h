// The rules that decide when a card's reply is complete, checked as each byte arrives.
//
// A reply ends at the first rule that holds for everything received so far: a final result code
// ("\r\nOK\r\n", "\r\nERROR\r\n", ...) together with the text the caller expects, or one of the
// special cases (an empty message slot, a listing without its last line feed, a text-entry
// prompt, a dial-up CARRIER). The patterns are followed by incremental matchers and remembered
// once seen, so each received byte costs the same work however long the reply already is.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace qmx2::common {

// Which rules an operation uses. The manager's command operation ends a message read at
// "+CMS ERROR:"; the raw-data operation and the commander want "CMGS"/"CMGW" beside a prompt.
struct StopRuleSet {
    bool cms_error_ends_read = false;  // "+CMS ERROR:" and "CMGR"
    bool prompt_needs_submit = false;  // "\r\n>" only with "CMGS" or "CMGW" as well
};

enum class StopRule : uint8_t {
    kNone,
    kCmsErrorOnRead,  // "+CMS ERROR:" and "CMGR"
    kOk,              // "\r\nOK\r\n" and expected
    kListingOk,       // "\r\nOK\r" and expected and "CMGL"
    kPrompt,          // "\r\n>" and expected (and "CMGS"/"CMGW" where the set asks for it)
    kCarrier,         // "\r\nCARRIER\r\n" and expected and "ATDT"
    kError,           // "\r\nERROR\r\n" and expected
};

// Longest expected text that can be matched; a longer one never matches, so every rule that
// needs it stays off and the reply runs into the time-out.
inline constexpr size_t kMaxExpectedLength = 255;

// Knuth-Morris-Pratt matcher of one pattern over a byte stream; remembers a completed match.
// Amortised constant work per byte, at most the pattern's length for any single byte.
class PatternMatcher {
public:
    PatternMatcher() = default;
    // The pattern must outlive the matcher. Returns false (and never matches) when it is longer
    // than kMaxExpectedLength.
    bool Reset(std::string_view pattern);
    void Feed(unsigned char byte);
    bool Seen() const { return seen_; }

private:
    std::string_view pattern_;
    uint16_t state_ = 0;  // length of the longest pattern prefix that ends the input so far
    bool seen_ = false;
    bool usable_ = false;
    uint16_t failure_[kMaxExpectedLength] = {};
};

class StopRuleEngine {
public:
    // `expected` must outlive the engine. An empty expected text is present in every reply.
    StopRuleEngine(StopRuleSet rules, std::string_view expected);

    void Feed(unsigned char byte);
    // The first rule, in table order, that holds for all bytes fed so far.
    StopRule Check() const;

private:
    StopRuleSet rules_;
    // The fixed patterns run together through one precomputed automaton: one table step per
    // byte, and a bit per pattern once it has been seen.
    uint8_t fixed_state_ = 0;
    uint16_t fixed_seen_ = 0;
    PatternMatcher expected_;
};

}  // namespace qmx2::common
