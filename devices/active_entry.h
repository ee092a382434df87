// The card's entry under "Drivers\Active": how programs find the port of the card. A numbered
// subkey ("01", "02", ...) holds "Name" (the device name, "COM3:"), "PnpId" (the card's plug and
// play identifier, which the programs search for), "Key" (the driver's own key) and "Sckt" (the
// PC Card socket handle, two bytes as the driver reads it).
#pragma once

#include <string>

#include "devices/card_backend.h"
#include "platform/registry.h"

namespace qmx2::devices {

inline constexpr char16_t kActiveDriversKey[] = u"Drivers\\Active";

// Writes a new entry; *subkey receives its path ("Drivers\Active\01"). Entries with the same
// device name left by a host that was killed are removed first. ERROR_SUCCESS or the registry's
// error.
uint32_t WriteActiveEntry(platform::Registry& registry, platform::WideView device_name,
                          const CardIdentity& card, platform::WideString* subkey);

// Removes the entry again (nothing when it is already gone).
uint32_t RemoveActiveEntry(platform::Registry& registry, platform::WideView subkey);

// The device name of the first entry whose "PnpId" holds `pnp_part`, or empty.
platform::WideString FindActiveDevice(platform::Registry& registry, platform::WideView pnp_part);

}  // namespace qmx2::devices
