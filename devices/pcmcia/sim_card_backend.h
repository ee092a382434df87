// The emulated GSM PC Card as a card of the device host (`qmx2-device --card sim[=FILE]`): the
// card goes into socket 0 of the PC Card services, the driver's keys are written, libserqmx2.so
// is loaded and initialised with COM_Init, and the programs' opens are served through its COM_
// entry points. Removal pulls the card and calls COM_Deinit.
//
// Its live control (hardware/card/control.h) is LiveControl(); qmx2-device serves it on
// "<root>/run/cardsim.ctl" while the card is in. `pull` there takes the card out of the socket;
// the host then finds it gone (WaitGone), and its Stop() removes the port. A pulled card is not
// put back: the host ends.
#pragma once

#include <memory>
#include <string>

#include "devices/card_backend.h"

namespace qmx2::platform {
struct Platform;
}

namespace qmx2::devices {

// `scenario_path` may be empty (the default card). The platform must carry a clock and a
// registry; create_process starts the programs the driver asks for (may be null).
std::unique_ptr<CardBackend> MakeSimCardBackend(platform::Platform& platform,
                                                const std::string& scenario_path,
                                                bool (*create_process)(const char16_t* image,
                                                                       const char16_t* command_line),
                                                std::string* error);

}  // namespace qmx2::devices
