// Operators: reading the one the card is registered with, searching those in reach into the
// found-operator list, and registering with a chosen one.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "manager/core/manager_context.h"

namespace qmx2::manager {

inline constexpr int kFoundOperators = 50;
inline constexpr int kCurrentOperatorTries = 3;
inline constexpr uint32_t kCurrentOperatorRetryMs = 3000;
inline constexpr char16_t kNoCurrentOperatorNotice[] = u"No current operator.";
inline constexpr char16_t kSearchTimeOut[] = u"Comm failure - Request time out.";

// Card availability values.
enum : int32_t { kOperatorUnknown = 0, kOperatorAvailable = 1, kOperatorCurrent = 2,
                 kOperatorForbidden = 3 };

struct FoundOperator {
    int32_t status;
    // Seven characters: a three-digit network code (six digits in all) fits whole, so that
    // "AT+COPS=1,2," carries it as the card gave it.
    char code[8];
    char name[34];
};
using FoundOperatorList = std::array<FoundOperator, kFoundOperators>;

// Up to 3 tries of "AT+COPS?", 3 s apart; on success the name is the monitor's operator line
// and the page's copy, and the signal strength is read. After the third miss: the notice.
bool ReadCurrentOperator(ManagerContext& ctx);

// Fills `found` from an "AT+COPS=?" reply (the card's flat form: status,,,code,...; or the
// standard groups of modems, named as the modem names them). Returns the number of records
// filled; every record is cleared first.
int ParseOperatorSearch(ManagerContext& ctx, std::string_view reply, FoundOperatorList& found);

// 1 success, -1 the port was not available, 0 any other failure, a time-out among them (after
// the notice).
int SearchOperators(ManagerContext& ctx, FoundOperatorList& found);

// Registers with the first record of status 2. A code that is not all digits is never sent.
bool RequestOperator(ManagerContext& ctx, FoundOperatorList& found);

}  // namespace qmx2::manager
