// Folder rules, rows, sorting and the message window's status line.
#include "manager/messages/folder_view.h"

#include <algorithm>
#include <cstdio>

#include "common/text_utils.h"
#include "manager/messages/new_messages.h"
#include "manager/messages/unread_index.h"

namespace qmx2::manager {
namespace {

bool Holds(std::string_view status, std::string_view what) {
    return status.find(what) != std::string_view::npos;
}

std::string RowCell(const MessageRow& row, int column) {
    if (column == 2) return row.stamp;
    return row.cells[column];
}

}  // namespace

const char* FolderName(Folder folder) {
    switch (folder) {
    case Folder::kPersonal: return "Personal Folder";
    case Folder::kInbox: return "Inbox";
    case Folder::kOwn: return "Own Messages";
    case Folder::kSent: return "Sent Messages";
    case Folder::kDraft: return "Draft";
    case Folder::kPda: return "PDA";
    case Folder::kDeleted: return "Deleted Messages";
    }
    return "";
}

std::vector<std::string> FolderDropDown() {
    std::vector<std::string> names;
    for (Folder f : kFolders)
        names.push_back(f == Folder::kPersonal ? std::string(FolderName(f))
                                               : std::string("->") + FolderName(f));
    return names;
}

bool FolderFromName(std::string_view name, Folder* folder) {
    if (name.starts_with("->")) name.remove_prefix(2);
    for (Folder f : kFolders) {
        if (name == FolderName(f)) {
            *folder = f;
            return true;
        }
    }
    return false;
}

std::vector<Column> FolderColumns(Folder folder) {
    const bool to = folder == Folder::kOwn || folder == Folder::kSent || folder == Folder::kDraft;
    return {{to ? "To" : "From", 120}, {"Message", 160}, {"Date & Time", 100}, {"", 0}, {"Memory", 60}};
}

bool FolderHolds(const MessageTable& table, Folder folder, int position) {
    if (position < 0 || position >= table.size()) return false;
    const std::string_view s = FieldText(table.records[static_cast<std::size_t>(position)].status);
    const bool deleted = Holds(s, "(DEL)");
    const bool handheld = table.IsHandheldSlot(position);
    switch (folder) {
    case Folder::kPersonal: return false;
    case Folder::kInbox: return Holds(s, "READ") && !deleted;
    case Folder::kOwn: return table.IsSimSlot(position) && Holds(s, "STO") && !deleted;
    case Folder::kSent: return handheld && Holds(s, "STO SENT") && !deleted;
    case Folder::kDraft: return Holds(s, "DRAFT") && !deleted;
    case Folder::kPda: return handheld && (Holds(s, "PDA") || Holds(s, "STO UNSENT")) && !deleted;
    case Folder::kDeleted:
        return handheld && (Holds(s, "READ(DEL)") || Holds(s, "SENT(DEL)") || Holds(s, "OUT(DEL)") ||
                            Holds(s, "DRAFT(DEL)") || Holds(s, "PDA(DEL)"));
    }
    return false;
}

FolderView BuildFolderView(ManagerContext& ctx, Folder folder, int sort_key) {
    FolderView view;
    view.folder = folder;
    std::lock_guard lock(ctx.tables);
    const MessageTable& table = ctx.messages;
    char buffer[1024];
    for (int p = 0; p < table.size(); ++p) {
        if (!FolderHolds(table, folder, p)) continue;
        const MessageRecord& r = table.records[static_cast<std::size_t>(p)];
        const std::string_view status = FieldText(r.status);
        MessageRow row;
        row.position = p;
        row.cells[0] = std::string(FieldEmpty(r.name) ? FieldText(r.number) : FieldText(r.name));
        common::FlattenLineBreaks(std::string(FieldText(r.text)).c_str(), buffer, sizeof buffer);
        row.cells[1] = buffer;
        row.stamp = std::string(FieldText(r.time_stamp));
        common::FormatStampForDisplay(row.stamp.c_str(), buffer, sizeof buffer);
        row.cells[2] = buffer;
        row.cells[3] = std::to_string(p + 1);
        row.cells[4] = table.IsSimSlot(p) ? "SIM" : "PDA";
        if (folder == Folder::kDeleted && (Holds(status, "SENT(DEL)") || Holds(status, "OUT(DEL)")))
            row.cells[4].clear();
        if (folder == Folder::kInbox && Holds(status, "UNREAD")) {
            row.icon = kIconUnread;
            ++view.unread;
        }
        view.rows.push_back(std::move(row));
    }
    if (folder == Folder::kInbox) {
        char text[32];
        std::snprintf(text, sizeof text, "Inbox (%d)", view.unread);
        view.inbox_text = view.unread == 0 ? "Inbox" : text;
    }
    SortRows(view.rows, sort_key);
    return view;
}

void SortRows(std::vector<MessageRow>& rows, int sort_key) {
    const int column = sort_key % 10;
    const bool descending = sort_key >= 10;
    if (column < 0 || column > 3) return;  // the "Memory" column keeps the order
    std::stable_sort(rows.begin(), rows.end(), [&](const MessageRow& a, const MessageRow& b) {
        const std::string x = RowCell(a, column), y = RowCell(b, column);
        return descending ? y < x : x < y;
    });
}

int NextSortKey(int current, int column) { return current == column ? column + 10 : column; }

int PositionFromHiddenCell(const MessageTable& table, std::string_view cell) {
    int value = 0;
    if (cell.empty() || cell.size() > 6) return -1;
    for (char c : cell) {
        if (c < '0' || c > '9') return -1;
        value = value * 10 + (c - '0');
    }
    return value >= 1 && value <= table.size() ? value - 1 : -1;
}

StatusTick MessageStatusTick(ManagerContext& ctx) {
    StatusTick tick;
    const int position = ctx.load_position.load();
    const int slots = ctx.messages.sim_slots;
    if (position == 0) {
        tick.text = "Initializing, please wait...";
    } else if (position >= 1 && position <= slots) {
        char text[48];
        std::snprintf(text, sizeof text, "Loading SMS...(%d%%)", position * 100 / slots);
        tick.text = text;
        tick.rebuild = true;
    } else if (position > slots) {
        tick.text = "Done";
        int expected = position;
        ctx.load_position.compare_exchange_strong(expected, kLoadNothing);
    } else if (position == kLoadNothing) {
        tick.text = "";
    }
    return tick;
}

std::optional<MessageRecord> OpenMessage(ManagerContext& ctx, int position) {
    MessageRecord copy;
    bool was_unread = false;
    {
        std::lock_guard lock(ctx.tables);
        MessageRecord* r = ctx.messages.At(position);
        if (r == nullptr || FieldEmpty(r->status)) return std::nullopt;
        was_unread = Holds(FieldText(r->status), "UNREAD");
        if (was_unread) SetField(r->status, "REC READ");
        copy = *r;
    }
    if (was_unread) {
        if (RemoveUnreadIndex(ctx.registry, ctx.messages.IndexOf(position)))
            ShowNewMessageStatus(ctx, false);
    }
    return copy;
}

}  // namespace qmx2::manager
