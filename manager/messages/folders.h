// The folders of "Personal Folder" that the message operations act on.
#pragma once

#include <string_view>

namespace qmx2::manager {

enum class Folder { kInbox, kOwnMessages, kSentMessages, kDraft, kPda, kDeletedMessages, kOther };

// "Inbox", "Own Messages", "Sent Messages", "Draft", "PDA", "Deleted Messages"; anything else is
// kOther.
Folder FolderFromName(std::string_view name);
const char* FolderName(Folder folder);

}  // namespace qmx2::manager
