// The command line of qmx2-at and the text work around it: which port, which operation, how to
// print the reply.
#pragma once

#include <string>
#include <vector>

namespace qmx2::devices {

enum class AtToolMode { kCommand, kLine, kRaw, kCommander };

struct AtToolOptions {
    std::string port;    // device name served by qmx2-device ("COM3:"); empty: look it up
    std::string device;  // a tty opened in this process instead ("/dev/ttyUSB0")
    std::string root;
    std::string expected = "OK";
    int timeout_s = 10;
    AtToolMode mode = AtToolMode::kCommand;
    bool show_escapes = false;
    std::vector<std::string> commands;  // as they go to the card (raw mode: escapes decoded)
};

// False with a sentence in *error for a command line that cannot be run.
bool ParseAtToolOptions(int argc, const char* const* argv, AtToolOptions* options,
                        std::string* error);

// Raw-mode data: \r \n \t \e \\ \xNN and ^Z (Ctrl-Z) written as text become those bytes.
bool DecodeRawEscapes(const std::string& text, std::string* bytes, std::string* error);

// A command for the command-style operations must stay one command: CR, LF, Ctrl-Z and ESC
// would end it early or start another.
bool IsSingleCommand(const std::string& command);

// The reply for a person: CR as \r, LF as \n, Ctrl-Z as ^Z, a backslash as \\, other control
// bytes and bytes above 126 as \xNN.
std::string ShowEscapes(const std::string& reply);

extern const char kAtToolUsage[];

}  // namespace qmx2::devices
