// The "Select Network" dialog of the tray menu's "Manual" entry: search, pick, register.
#pragma once

#include <string_view>
#include <vector>

#include "commander/card_init.h"
#include "common/operator_names.h"

namespace qmx2::commander {

// Entries of an "AT+COPS=?" reply in the card's short form, where each operator is listed with
// empty names: every ",,," is followed by the operator code up to the next ",". An entry
// without a following "," ends the list. Names come from the commander's operator table.
std::vector<NetworkEntry> ParseOperatorSearch(std::string_view reply, common::OperatorLookup& names);

// Runs the dialog to its end; true when it ended with the card registered to the chosen
// operator.
bool RunNetworkSelection(CardSession& session, common::OperatorLookup& names);

}  // namespace qmx2::commander
