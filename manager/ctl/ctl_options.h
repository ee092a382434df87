// qmx2ctl's command line.
#pragma once

#include <string>
#include <vector>

#include "manager/ctl/text_ui.h"

namespace qmx2::manager::ctl {

struct CtlOptions {
    std::string root;
    bool json = false;
    int wait_s = 900;  // how long to wait for the background loads
    TextUiOptions ui;
    std::vector<std::string> command;  // "status", "sms list Inbox", "pb delete SIM 3", ...
};

extern const char kCtlUsage[];

// False with a sentence in *error for a command line that makes no sense.
bool ParseCtlOptions(int argc, const char* const* argv, CtlOptions* options, std::string* error);

}  // namespace qmx2::manager::ctl
