// What of the card's content a qmx2ctl command needs read before it runs: nothing for the
// status and the settings commands (start-up has read operator, signal and sizes), one book for
// "pb list", the messages for "sms list".
#pragma once

#include <string>
#include <vector>

#include "manager/core/manager_context.h"
#include "platform/function_ref.h"

namespace qmx2::manager::ctl {

struct CtlLoads {
    bool sim_book = false;
    bool card_book = false;
    bool messages = false;
};

CtlLoads LoadsFor(const std::vector<std::string>& command);

// Reads what `loads` names on the calling thread (the worker stays paused), each load tried
// again while `keep_going` says so. False when a load could not be finished.
bool RunLoads(ManagerContext& ctx, const CtlLoads& loads, platform::FunctionRef<bool()> keep_going);

}  // namespace qmx2::manager::ctl
