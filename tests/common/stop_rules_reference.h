// The stop rules written the slow, obvious way: search the whole reply for every pattern. Tests
// and the fuzz target hold the incremental engine against it, on replies from the generator
// below among others.
#pragma once

#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "common/stop_rules.h"

namespace qmx2::testing {

inline common::StopRule ReferenceStopRule(common::StopRuleSet rules, std::string_view reply,
                                          std::string_view expected) {
    using common::StopRule;
    auto has = [&](std::string_view p) { return reply.find(p) != std::string_view::npos; };
    const bool exp = expected.size() <= common::kMaxExpectedLength && has(expected);
    if (rules.cms_error_ends_read && has("+CMS ERROR:") && has("CMGR"))
        return StopRule::kCmsErrorOnRead;
    if (has("\r\nOK\r\n") && exp) return StopRule::kOk;
    if (has("\r\nOK\r") && exp && has("CMGL")) return StopRule::kListingOk;
    if (has("\r\n>") && exp && (!rules.prompt_needs_submit || has("CMGS") || has("CMGW")))
        return StopRule::kPrompt;
    if (has("\r\nCARRIER\r\n") && exp && has("ATDT")) return StopRule::kCarrier;
    if (has("\r\nERROR\r\n") && exp) return StopRule::kError;
    return StopRule::kNone;
}

// Random replies from whole patterns, pieces of them cut at random points, and stray bytes, so
// that partial and overlapping matches are common.
class RandomReplies {
public:
    explicit RandomReplies(uint32_t seed) : rng_(seed) {}

    std::string Piece() {
        static const std::vector<std::string> words = {
            "\r\nOK\r\n", "\r\nOK\r", "\r\n>", "\r\nCARRIER\r\n", "\r\nERROR\r\n", "+CMS ERROR:",
            "CMGR", "CMGL", "CMGS", "CMGW", "ATDT", "+CPMS", "\r\n", "\r", "\n", "OK", "AT+",
            "NO CARRIER", "+CME ERROR: 10", "CM", "\r\n\r\nOK",
        };
        const std::string& w = words[Pick(words.size())];
        switch (Pick(4)) {
        case 0: return w.substr(0, Pick(w.size() + 1));
        case 1: return w.substr(Pick(w.size() + 1));
        case 2: return std::string(1, static_cast<char>(Pick(256)));
        default: return w;
        }
    }
    std::string Reply(size_t pieces) {
        std::string r;
        for (size_t i = 0; i < pieces; ++i) r += Piece();
        return r;
    }
    size_t Pick(size_t n) { return std::uniform_int_distribution<size_t>(0, n - 1)(rng_); }

private:
    std::mt19937 rng_;
};

}  // namespace qmx2::testing
