// New-message polling: the memory-full check, the unread listing, the "NewMsgIdx" pick-up and
// the announcement.
#pragma once

#include <string_view>

#include "manager/core/manager_context.h"
#include "platform/function_ref.h"

namespace qmx2::manager {

inline constexpr char16_t kNewSmsArrived[] = u"New SMS arrived";
inline constexpr char16_t kSmsMemoryFull[] = u"SMS memory full";
inline constexpr char16_t kNewSmsAndFull[] = u"New SMS arrived/SMS memory full";

// True when the unread listing brought messages (the worker then announces them).
bool CheckNewMessages(ManagerContext& ctx, platform::FunctionRef<bool()> keep_going);

// Reads one SIM message by its decimal index text into the table, marked unread. Texts that
// are not a plain decimal index of a SIM slot are refused, so nothing but digits ever reaches
// the command.
bool ReadNewMessage(ManagerContext& ctx, std::string_view index_text);

void ShowNewMessageStatus(ManagerContext& ctx, bool on);

// Wait cursor off, the status notice, and the "New SMS arrived" box on the calling thread.
void AnnounceNewMessages(ManagerContext& ctx);

}  // namespace qmx2::manager
