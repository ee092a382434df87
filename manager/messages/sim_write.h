// Writing a record to the SIM as an unsent message (paste into "Own Messages") and the memory
// reading that follows it.
#pragma once

#include <optional>

#include "manager/core/manager_context.h"

namespace qmx2::manager {

// Claims the channel, writes the record with AT+CMGW and its text, fills the table slot of the
// index the card gave, reads AT+CPMS? for the memory-full flag, and releases. The table position
// of that index on success; nothing when the card did not take the text or gave no index of a
// SIM slot (the user has then seen "SIM memory full, cannot paste message.").
std::optional<int> WriteRecordToSim(ManagerContext& ctx, const MessageRecord& record);

// "+CPMS:" with the final OK and "SM",N,N, where N is the SIM's capacity.
bool SimMemoryFull(std::string_view cpms_reply, int sim_slots);

}  // namespace qmx2::manager
