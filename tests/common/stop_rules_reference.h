// The stop rules written the slow, obvious way: search the whole reply for every pattern. Tests
// and the fuzz target hold the incremental engine against it.
#pragma once

#include <string_view>

#include "common/stop_rules.h"

namespace qmx2::testing {

inline common::StopRule ReferenceStopRule(common::StopRuleSet rules, std::string_view reply,
                                          std::string_view expected) {
    using common::StopRule;
    auto has = [&](std::string_view p) { return reply.find(p) != std::string_view::npos; };
    const bool exp = expected.size() <= common::kMaxExpectedLength && has(expected);
    if (rules.cms_error_ends_read && has("+CMS ERROR:") && has("CMGR")) return StopRule::kCmsErrorOnRead;
    if (has("\r\nOK\r\n") && exp) return StopRule::kOk;
    if (has("\r\nOK\r") && exp && has("CMGL")) return StopRule::kListingOk;
    if (has("\r\n>") && exp && (!rules.prompt_needs_submit || has("CMGS") || has("CMGW")))
        return StopRule::kPrompt;
    if (has("\r\nCARRIER\r\n") && exp && has("ATDT")) return StopRule::kCarrier;
    if (has("\r\nERROR\r\n") && exp) return StopRule::kError;
    return StopRule::kNone;
}

}  // namespace qmx2::testing
