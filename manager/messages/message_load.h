// Loading the SIM part of the message table from the card, and looking up sender names.
#pragma once

#include "manager/core/manager_context.h"
#include "platform/function_ref.h"

namespace qmx2::manager {

// Reads every SIM slot with "AT+CMGR=<i>". Fails on a reply that has neither a final OK nor
// "+CMS ERROR:" (the worker tries again on a later pass), or when `keep_going` says the window
// thread has paused the worker. Records read so far stay.
bool LoadAllMessages(ManagerContext& ctx, platform::FunctionRef<bool()> keep_going);

// Fills the name of every record whose number equals (both reduced to dialable digits) a
// phone-book entry's: the SIM book first, then the card's, then the handheld's.
void ResolveSenderNames(ManagerContext& ctx);

}  // namespace qmx2::manager
