// Network selection: the operator search's parse and the dialog's commands.
#include "commander/network_dialog.h"

#include <string>

#include "common/operator_replies.h"

namespace qmx2::commander {
namespace {

// More than any search lists; keeps a garbled reply from filling the list without end.
constexpr size_t kMaxEntries = 100;

// The code as the card quotes it or not; a quoted code would otherwise read as number 0.
std::string CodeText(std::string_view field) {
    if (!field.empty() && field.front() == '"') field.remove_prefix(1);
    if (!field.empty() && field.back() == '"') field.remove_suffix(1);
    return std::string(field);
}

}  // namespace

std::vector<NetworkEntry> ParseOperatorSearch(std::string_view reply, common::OperatorLookup& names) {
    std::vector<NetworkEntry> entries;
    for (size_t at = reply.find(",,,"); at != std::string_view::npos && entries.size() < kMaxEntries;
         at = reply.find(",,,", at)) {
        const size_t start = at + 3;
        const size_t comma = reply.find(',', start);
        if (comma == std::string_view::npos) break;
        const std::string code = CodeText(reply.substr(start, comma - start));
        entries.push_back({common::LookUpOperatorName(names, code.c_str()),
                           static_cast<int>(common::OperatorCodeFromText(code.c_str()))});
        at = comma;
    }
    if (!entries.empty()) return entries;
    // Modems of today list "(stat,"long","short","code",AcT)" groups and name the networks.
    for (const common::ListedOperator& o : common::ParseStandardOperatorList(reply, kMaxEntries)) {
        const std::string& own = !o.long_name.empty() ? o.long_name : o.short_name;
        entries.push_back({!own.empty() ? own : common::LookUpOperatorName(names, o.code.c_str()),
                           static_cast<int>(common::OperatorCodeFromText(o.code.c_str()))});
    }
    return entries;
}

bool RunNetworkSelection(CardSession& s, common::OperatorLookup& names) {
    std::vector<NetworkEntry> list;
    int selected = -1;
    bool select_enabled = false;
    for (;;) {
        const NetworkDialogAction action = s.ui.NextNetworkAction({list, selected, select_enabled});
        switch (action.kind) {
            case NetworkDialogAction::kPick:
                selected = action.index >= 0 && action.index < static_cast<int>(list.size())
                               ? action.index : -1;
                select_enabled = selected >= 0;
                break;
            case NetworkDialogAction::kSearch: {
                list.clear();
                selected = -1;
                select_enabled = false;
                s.ui.SetWaitCursor(true);
                // The card's list ends "(0,1),(2)"; the standard one ends with other mode
                // lists, so the final OK after the echo ends the search for both.
                list = ParseOperatorSearch(s.at.Send("AT+COPS=?", "+COPS", 50), names);
                s.ui.SetWaitCursor(false);
                selected = list.empty() ? -1 : 0;
                select_enabled = selected >= 0;
                break;
            }
            case NetworkDialogAction::kSelect: {
                if (!select_enabled || selected < 0) break;
                s.ui.SetWaitCursor(true);
                const std::string reply =
                    s.at.Send("AT+COPS=1,2," + std::to_string(list[selected].code), "OK", 40);
                s.ui.SetWaitCursor(false);
                if (Holds(reply, "OK")) {
                    s.ui.EndNetworkDialog();
                    return true;
                }
                s.ui.ShowMessage({"Network request failed!", kCommanderTitle, MessageOwner::kDialog});
                break;
            }
            case NetworkDialogAction::kCancel:
                s.ui.EndNetworkDialog();
                return false;
        }
    }
}

}  // namespace qmx2::commander
