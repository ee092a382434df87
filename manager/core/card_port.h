// Finding the card's port among the active drivers and asking about it.
#pragma once

#include "manager/core/manager_context.h"

namespace qmx2::manager {

inline constexpr char16_t kCardPnpId[] = u"Orvan_Mobile_Phones-Orvan_Pellion";

// Walks "Drivers\Active" in index order; the first subkey whose "PnpId" contains the card's
// identifier gives the port name ("Name"). Sets the channel's port name on success.
bool FindCardPort(ManagerContext& ctx);

// Opens the port for reading and writing without sharing, and closes it again.
bool PortIsFree(ManagerContext& ctx);

// 1 powered, 0 not powered, 255 the query failed, -1 the port could not be opened.
int CardPoweredUp(ManagerContext& ctx);

}  // namespace qmx2::manager
