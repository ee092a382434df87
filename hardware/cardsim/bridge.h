// Carries bytes between a file descriptor (a pseudo-terminal's master side, a TCP client) and
// the emulated card's port, in real time: what the descriptor brings is written to the card,
// what the card answers is written to the descriptor.
#pragma once

#include <atomic>

#include "hardware/card/card_port.h"

namespace qmx2::hardware::cardsim {

struct BridgeOptions {
    uint32_t baud = 0;     // the line's speed; 0 leaves the card's port unpaced
    bool end_on_eof = true;  // a TCP client that hangs up ends the bridge; a pty waits for the next
};

// Runs until `stop` is set or (with end_on_eof) the descriptor reaches its end.
void RunBridge(card::CardPort& port, int fd, const BridgeOptions& options, const std::atomic<bool>& stop);

}  // namespace qmx2::hardware::cardsim
