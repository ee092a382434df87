// The "Modem" settings page: the data-call speed slider and connection method, stored in both
// registry places and told to the commander when the page closes with a changed setting.
#pragma once

#include <string>

#include "common/data_call.h"
#include "manager/core/manager_context.h"

namespace qmx2::manager {

inline constexpr char16_t kCloseBeforeDataCall[] =
    u"Please close this program before making data or fax connection.";

struct ModemPage {
    int slider = 0;  // speed index 0..4
    int method = 0;  // 0 "Modem", 1 "ISDN v.110", 2 "ISDN v.120"
    std::string receiving;
    std::string sending;
    bool note_enabled = false;  // grayed at 9.6 kbit/s
};

ModemPage OpenModemPage(ManagerContext& ctx);
void MoveSpeedSlider(ModemPage& page, int position);
// True when the setting changed and was stored.
bool CloseModemPage(ManagerContext& ctx, const ModemPage& page);

}  // namespace qmx2::manager
