// The emulated card as a device host plugs it in (`qmx2-device --card sim[=scenario.json]`): a
// card port built from a scenario, and, when asked, its control socket.
#pragma once

#include <memory>
#include <string>

#include "hardware/card/card_port.h"
#include "hardware/card/control_server.h"

namespace qmx2::hardware::card {

struct SimCard {
    std::unique_ptr<CardPort> port;          // register it as the card's StreamDriver
    std::unique_ptr<ControlServer> control;  // null when no control path was given
};

// `spec` is what follows "sim": empty for the default card, or "=PATH" of a scenario file.
// `control_path` empty: no control socket. Nothing but *error when the scenario cannot be read
// or the socket cannot be made.
std::unique_ptr<SimCard> MakeSimCard(platform::Clock& clock, const std::string& spec,
                                     const std::string& control_path, std::string* error);

}  // namespace qmx2::hardware::card
