// Reading the SIM's and the card's phone books on the polling worker.
#pragma once

#include "manager/core/manager_context.h"
#include "platform/function_ref.h"

namespace qmx2::manager {

inline constexpr int kEntriesPerRead = 10;

// AT+CPBS="SM", then "AT+CPBR=<first>,<last>" ten entries at a time up to the book's size.
// Every reply needs its final OK; entries read before a failure stay. `keep_going` false (the
// window thread paused the worker) ends the read as failed.
bool ReadSimBook(ManagerContext& ctx, platform::FunctionRef<bool()> keep_going);

// AT+CPBS="ME", then one "AT+CPBR=1,<size>".
bool ReadCardBook(ManagerContext& ctx, platform::FunctionRef<bool()> keep_going);

}  // namespace qmx2::manager
