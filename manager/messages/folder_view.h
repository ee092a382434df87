// The message window's folders as data: which records each folder lists, the rows and cells a
// list view shows (with the hidden position column), icons, the "Inbox (%d)" counter, the sort
// keys, and the status line texts of the load position.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "manager/core/manager_context.h"

namespace qmx2::manager {

enum class Folder { kPersonal, kInbox, kOwn, kSent, kDraft, kPda, kDeleted };
inline constexpr Folder kFolders[] = {Folder::kPersonal, Folder::kInbox, Folder::kOwn,
                                      Folder::kSent,     Folder::kDraft, Folder::kPda,
                                      Folder::kDeleted};

const char* FolderName(Folder folder);  // "Personal Folder", "Inbox", ..., "Deleted Messages"
// The folder drop-down list in the tree's order: "Personal Folder", then the six children with
// "->" in front.
std::vector<std::string> FolderDropDown();
bool FolderFromName(std::string_view name, Folder* folder);

struct Column {
    const char* title;
    int width;
};
inline constexpr int kColumns = 5;
// "From"/"To" 120, "Message" 160, "Date & Time" 100, the hidden position 0, "Memory" 60.
std::vector<Column> FolderColumns(Folder folder);

inline constexpr int kIconRead = 2;
inline constexpr int kIconUnread = 3;
inline constexpr int kDefaultSortKey = 12;  // time stamp, newest first

struct MessageRow {
    int position;                 // the record's table position (its key)
    std::string cells[kColumns];  // single-byte texts; the window widens them
    std::string stamp;            // raw time stamp, the date column's sort text
    int icon = kIconRead;
};

struct FolderView {
    Folder folder = Folder::kPersonal;
    std::vector<MessageRow> rows;
    int unread = 0;          // counted while the Inbox is built
    std::string inbox_text;  // "Inbox (%d)" or "Inbox"
};

bool FolderHolds(const MessageTable& table, Folder folder, int position);
FolderView BuildFolderView(ManagerContext& ctx, Folder folder, int sort_key);
void SortRows(std::vector<MessageRow>& rows, int sort_key);
// A click on a column header: that column ascending, or descending if it already was.
int NextSortKey(int current, int column);
// The record behind a row's hidden column text; -1 for text that names no record.
int PositionFromHiddenCell(const MessageTable& table, std::string_view cell);

// One tick of the message window's 1000 ms timer: the status line's new text (nothing: leave it)
// and whether the current folder should be rebuilt. Moves the load position from "done" to -1.
struct StatusTick {
    std::optional<std::string> text;
    bool rebuild = false;
};
StatusTick MessageStatusTick(ManagerContext& ctx);

// The user opens a record: an unread one becomes "REC READ", leaves "UnreadIdx" and clears the
// status line's notice. Returns a copy of the record, or nothing for a free or unknown position.
std::optional<MessageRecord> OpenMessage(ManagerContext& ctx, int position);

}  // namespace qmx2::manager
