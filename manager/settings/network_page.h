// The "Network" settings page: automatic or manual operator selection, the search list and the
// request, with the one-time flag that makes the first command after opening in manual mode only
// show the current operator again.
#pragma once

#include <string>
#include <vector>

#include "manager/settings/network.h"

namespace qmx2::manager {

inline constexpr char16_t kAutomaticRefused[] = u"Error in searching operator!";
inline constexpr char16_t kSearchPortBusy[] = u"Comm port busy!";
inline constexpr char16_t kNetworkError[] = u"Network error";
inline constexpr char16_t kRequestFails[] = u"Network request fails";

struct NetworkPage {
    std::string current_network;
    bool automatic = true;
    bool list_enabled = false;
    bool search_enabled = false;
    bool request_enabled = false;
    std::vector<std::string> list;
    int selected = -1;
    bool one_time = false;
    FoundOperatorList found{};
};

// What reached the page: a click on a radio button or a button, or a new list selection (the
// shell sets `selected` first).
enum class NetworkCommand { kAutomatic, kSelectFromList, kSearch, kRequest, kListSelection };

NetworkPage OpenNetworkPage(ManagerContext& ctx);
void NetworkPageCommand(ManagerContext& ctx, NetworkPage& page, NetworkCommand command);

}  // namespace qmx2::manager
