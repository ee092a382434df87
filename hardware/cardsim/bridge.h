// Carries bytes between a file descriptor (a pseudo-terminal's master side, a TCP client) and a
// serial port, in real time: what the descriptor brings is written to the port, what the port
// answers is written to the descriptor. The port is the emulated card's (qmx2-cardsim) or the
// far side of a built-in port (qmx2-device --builtin-port).
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/stream_driver.h"

namespace qmx2::hardware::cardsim {

struct BridgeOptions {
    uint32_t baud = 0;     // the line's speed; 0 leaves the port's own setting
    bool end_on_eof = true;  // a TCP client that hangs up ends the bridge; a pty waits for the next
};

// Runs until `stop` is set or (with end_on_eof) the descriptor reaches its end.
void RunBridge(platform::StreamDriver& port, int fd, const BridgeOptions& options,
               const std::atomic<bool>& stop);

// Where the bridge is reached, told once it is: the pseudo-terminal's path, or "127.0.0.1:PORT".
using BridgeReady = std::function<void(const std::string& where)>;

// A new pseudo-terminal in raw mode (a symbolic link to it at `link` unless empty) bridged to the
// port until `stop`. False with *error when no pseudo-terminal can be made.
bool ServePty(platform::StreamDriver& port, const std::string& link, uint32_t baud,
              const std::atomic<bool>& stop, const BridgeReady& ready, std::string* error);

// Listens on 127.0.0.1:tcp_port and bridges one client at a time until `stop`. False with *error
// when the port cannot be listened on.
bool ServeTcp(platform::StreamDriver& port, int tcp_port, uint32_t baud, const std::atomic<bool>& stop,
              const BridgeReady& ready, std::string* error);

}  // namespace qmx2::hardware::cardsim
