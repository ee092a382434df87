// qmx2ctl's commands on a started manager: they read the tables the background loads filled,
// and change phone books through the same contact operations as the contact window.
#pragma once

#include <string>
#include <vector>

#include "manager/core/manager_context.h"

namespace qmx2::manager::ctl {

struct CommandResult {
    int exit_code = 0;  // 0 done, 1 the operation failed or was refused, 2 bad command
    std::string text;   // plain text or JSON
};

CommandResult RunCtlCommand(ManagerContext& ctx, const std::vector<std::string>& command, bool json);

}  // namespace qmx2::manager::ctl
