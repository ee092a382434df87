// Folder names.
#include "manager/messages/folders.h"

namespace qmx2::manager {
namespace {
struct Named {
    Folder folder;
    const char* name;
};
constexpr Named kFolders[] = {
    {Folder::kInbox, "Inbox"},     {Folder::kOwnMessages, "Own Messages"},
    {Folder::kSentMessages, "Sent Messages"}, {Folder::kDraft, "Draft"},
    {Folder::kPda, "PDA"},         {Folder::kDeletedMessages, "Deleted Messages"},
};
}  // namespace

Folder FolderFromName(std::string_view name) {
    for (const Named& n : kFolders)
        if (name == n.name) return n.folder;
    return Folder::kOther;
}

const char* FolderName(Folder folder) {
    for (const Named& n : kFolders)
        if (n.folder == folder) return n.name;
    return "";
}

}  // namespace qmx2::manager
