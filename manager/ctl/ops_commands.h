// qmx2ctl's commands for message operations and settings: sms send/draft/delete/move/copy/paste,
// centre, security, net, speed and monitor. Their words after the command name are read here
// (their "--to" names recipients or a folder, not a phone book).
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "manager/ctl/ctl_commands.h"

namespace qmx2::manager::ctl {

extern const char kOpsUsage[];

// True for a command whose remaining words, options included, belong to RunOpsCommand.
bool OpsCommandTakesAllWords(const std::vector<std::string>& words);

// Nothing when the words name none of these commands.
std::optional<CommandResult> RunOpsCommand(ManagerContext& ctx, const std::vector<std::string>& w,
                                           bool json);

}  // namespace qmx2::manager::ctl
