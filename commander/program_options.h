// The command line of Qmx2Com. The driver starts it with none; a person may start it headless
// with the access codes for the card.
#pragma once

#include <string>
#include <vector>

#include "commander/text_ui.h"

namespace qmx2::commander {

struct CommanderOptions {
    bool headless = false;
    bool ask = false;        // ask for codes not given on the terminal
    std::string root;        // the handheld root; empty: the usual lookup
    HeadlessCodes codes;
    std::string error;       // a sentence for the user when the line is wrong
    bool help = false;
};

// Arguments after the program name: --headless, --ask, --root=DIR, --pin=, --pin2=, --puk=,
// --new-pin=, --security-code=, --code= (network and phone lock codes), --help.
CommanderOptions ParseCommanderOptions(const std::vector<std::string>& args);

extern const char kCommanderUsage[];

}  // namespace qmx2::commander
