// AT+COPS?, AT+COPS=? and AT+COPS=1,2,<code>.
#include "manager/settings/network.h"

#include <cstring>
#include <string>

#include "common/operator_replies.h"
#include "manager/core/polling.h"
#include "manager/core/startup_sequence.h"
#include "manager/settings/operator_table.h"

namespace qmx2::manager {
namespace {

constexpr auto npos = std::string_view::npos;

bool Has(std::string_view s, std::string_view what) { return s.find(what) != npos; }

bool AllDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

int32_t StatusValue(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    int32_t v = 0;
    for (char c : s) {
        if (c < '0' || c > '9' || v > 1000) break;
        v = v * 10 + (c - '0');
    }
    return v;
}

const char* LookUp(ManagerContext& ctx, const std::string& code) {
    ctx.operators.table = kOperatorTable;
    return common::LookUpOperatorName(ctx.operators, code.c_str());
}

// Modems of today list "(stat,"long","short","code",AcT)" groups, which the card's parse stops
// at. They name each network themselves; the table (of the card's time) names those they do not.
int TakeStandardList(ManagerContext& ctx, std::string_view reply, FoundOperatorList& found) {
    const auto listed = common::ParseStandardOperatorList(reply, found.size());
    int n = 0;
    for (const common::ListedOperator& o : listed) {
        FoundOperator& f = found[static_cast<std::size_t>(n++)];
        f.status = o.status;
        SetField(f.code, o.code);
        const std::string& own = !o.long_name.empty() ? o.long_name : o.short_name;
        SetField(f.name, !own.empty() ? std::string_view(own) : LookUp(ctx, o.code));
    }
    return n;
}

}  // namespace

bool ReadCurrentOperator(ManagerContext& ctx) {
    for (int i = 0; i < kCurrentOperatorTries; ++i) {
        if (i > 0) ctx.clock.SleepMs(kCurrentOperatorRetryMs);
        const std::string name =
            OperatorNameFromReply(ctx, common::SendAtCommand(ctx.channel, "AT+COPS?", "+COPS", 10));
        if (name.empty()) continue;
        SetCurrentOperator(ctx, name);
        RefreshSignalBars(ctx);
        return true;
    }
    ctx.ui.SetWaitCursor(false);
    ctx.ui.ShowMessage(kCaption, kNoCurrentOperatorNotice, Buttons::kOk, false);
    return false;
}

int ParseOperatorSearch(ManagerContext& ctx, std::string_view reply, FoundOperatorList& found) {
    std::memset(found.data(), 0, sizeof(FoundOperator) * found.size());
    const std::size_t head = reply.find("+COPS:");
    if (head == npos) return 0;
    std::size_t p = head + 6;
    int n = 0;
    while (n < kFoundOperators) {
        while (p < reply.size() && reply[p] == ' ') ++p;
        if (p >= reply.size() || reply[p] == '(') break;
        const std::size_t c1 = reply.find(',', p);
        if (c1 == npos) break;
        const std::size_t c2 = reply.find(",,", c1 + 1);
        if (c2 == npos) break;
        const std::size_t c3 = reply.find(',', c2 + 2);
        if (c3 == npos) break;
        std::string_view code = reply.substr(c2 + 2, c3 - c2 - 2);
        if (!code.empty() && code.front() == '"') code.remove_prefix(1);
        if (!code.empty() && code.back() == '"') code.remove_suffix(1);
        FoundOperator& f = found[static_cast<std::size_t>(n++)];
        f.status = StatusValue(reply.substr(p, c1 - p));
        SetField(f.code, code);
        SetField(f.name, LookUp(ctx, std::string(FieldText(f.code))));
        p = c3 + 1;
    }
    return n > 0 ? n : TakeStandardList(ctx, reply, found);
}

int SearchOperators(ManagerContext& ctx, FoundOperatorList& found) {
    std::string reply(common::SendAtCommand(ctx.channel, "AT+COPS?", "+COPS", 10));
    if (Has(reply, "+COPS:")) {
        std::memset(found.data(), 0, sizeof(FoundOperator) * found.size());
        reply = common::SendAtCommand(ctx.channel, "AT+COPS=?", "+COPS", 60);
        if (Has(reply, "\r\nOK\r\n")) {
            ParseOperatorSearch(ctx, reply, found);
            ReadCurrentOperator(ctx);
            return 1;
        }
    }
    // -1 is the port held elsewhere; a card that let the search time out is told as a time-out,
    // not as a busy port.
    if (Has(reply, "Comm failure") && !Has(reply, common::kFailTimeout)) return -1;
    ctx.ui.SetWaitCursor(false);
    ctx.ui.ShowMessage(kCaption, kSearchTimeOut, Buttons::kOk, true);
    return 0;
}

bool RequestOperator(ManagerContext& ctx, FoundOperatorList& found) {
    FoundOperator* chosen = nullptr;
    for (FoundOperator& f : found) {
        if (f.status == kOperatorCurrent) {
            chosen = &f;
            break;
        }
    }
    if (!chosen) return true;
    const std::string code(FieldText(chosen->code));
    if (AllDigits(code)) {
        common::SendAtCommand(ctx.channel, "AT+COPS=1,2," + code, "OK", 40);
        if (Has(common::SendAtCommand(ctx.channel, "AT+COPS?", "+COPS", 10), code)) return true;
    }
    chosen->status = kOperatorAvailable;
    return false;
}

}  // namespace qmx2::manager
