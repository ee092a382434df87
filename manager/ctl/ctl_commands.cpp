// status, sms list/read and pb list/new/edit/delete/copy/move.
#include "manager/ctl/ctl_commands.h"

#include <charconv>
#include <nlohmann/json.hpp>

#include "manager/core/polling.h"
#include "manager/ctl/ops_commands.h"
#include "manager/ctl/terminal_text.h"
#include "manager/messages/folder_view.h"
#include "manager/phonebook/contact_ops.h"

namespace qmx2::manager::ctl {
namespace {

using nlohmann::json;

CommandResult Bad(const std::string& why) { return {2, why + "\n"}; }

bool ParseNumber(const std::string& s, int* n) {
    const auto r = std::from_chars(s.data(), s.data() + s.size(), *n);
    return r.ec == std::errc() && r.ptr == s.data() + s.size();
}

CommandResult Status(ManagerContext& ctx, bool as_json) {
    const MonitorState monitor = MonitorSnapshot(ctx);
    const bool full = ctx.memory_full ||
                      (ctx.sim_message_slots > 0 && ctx.sim_messages_used >= ctx.sim_message_slots);
    json j = {{"operator", Latin1ToUtf8(monitor.operator_line)},
              {"signal_bars", monitor.signal_level},
              {"lines", {monitor.info_line1, monitor.info_line2}},
              {"sim_message_slots", ctx.sim_message_slots},
              {"sim_book_size", ctx.books.sim.size()},
              {"card_book_size", ctx.books.card.size()},
              {"loaded", {{"sim_book", ctx.sim_book_loaded.load()},
                          {"card_book", ctx.card_book_loaded.load()},
                          {"messages", ctx.messages_loaded.load()}}},
              {"sim_messages_used", ctx.sim_messages_used},
              {"memory_full", full}};
    // The inbox count needs the messages read; status reads only what start-up learnt.
    const std::string inbox = ctx.messages_loaded
                                  ? BuildFolderView(ctx, Folder::kInbox, kDefaultSortKey).inbox_text
                                  : "SIM messages in use: " + std::to_string(ctx.sim_messages_used);
    if (ctx.messages_loaded) j["inbox"] = inbox;
    if (as_json) return {0, j.dump(2) + "\n"};
    std::string t = "Operator: " + TerminalLatin1(monitor.operator_line) + "\n" +
                    "Signal: " + std::to_string(monitor.signal_level) + " of 4 bars\n" +
                    monitor.info_line1 + "\n" + monitor.info_line2 + "\n" +
                    "SIM message slots: " + std::to_string(ctx.sim_message_slots) + "\n" +
                    "Phone books: SIM " + std::to_string(ctx.books.sim.size()) + ", Card " +
                    std::to_string(ctx.books.card.size()) + ", PDA " +
                    std::to_string(ctx.books.pda.size()) + " entries\n" +
                    inbox + (full ? ", SMS memory full" : "") + "\n";
    return {0, t};
}

CommandResult SmsList(ManagerContext& ctx, const std::string& name, bool as_json) {
    Folder folder;
    if (!FolderFromName(name, &folder)) return Bad("no folder named " + name);
    const FolderView view = BuildFolderView(ctx, folder, kDefaultSortKey);
    const auto columns = FolderColumns(folder);
    json rows = json::array();
    std::string t;
    for (const MessageRow& r : view.rows) {
        rows.push_back({{"position", r.position + 1},
                        {columns[0].title, Latin1ToUtf8(r.cells[0])},
                        {"message", Latin1ToUtf8(r.cells[1])},
                        {"date", Latin1ToUtf8(r.cells[2])},
                        {"memory", r.cells[4]},
                        {"unread", r.icon == kIconUnread}});
        t += r.cells[3] + "\t" + (r.icon == kIconUnread ? "*" : " ") + "\t" + TerminalLatin1(r.cells[0]) +
             "\t" + TerminalLatin1(r.cells[2]) + "\t" + r.cells[4] + "\t" + TerminalLatin1(r.cells[1]) + "\n";
    }
    if (as_json) return {0, json{{"folder", FolderName(folder)}, {"rows", rows}}.dump(2) + "\n"};
    return {0, std::string(FolderName(folder)) + ": " + std::to_string(view.rows.size()) +
                   " messages\n" + t};
}

CommandResult SmsRead(ManagerContext& ctx, const std::string& pos, bool as_json) {
    const int position = PositionFromHiddenCell(ctx.messages, pos);
    const auto r = position < 0 ? std::nullopt : OpenMessage(ctx, position);
    if (!r) return {1, "no message at position " + pos + "\n"};
    json j = {{"position", position + 1},
              {"status", Latin1ToUtf8(FieldText(r->status))},
              {"number", Latin1ToUtf8(FieldText(r->number))},
              {"name", Latin1ToUtf8(FieldText(r->name))},
              {"time_stamp", Latin1ToUtf8(FieldText(r->time_stamp))},
              {"memory", ctx.messages.IsSimSlot(position) ? "SIM" : "PDA"},
              {"text", Latin1ToUtf8(FieldText(r->text))}};
    if (as_json) return {0, j.dump(2) + "\n"};
    return {0, "From/To: " + TerminalLatin1(FieldText(r->number)) +
                   (FieldEmpty(r->name) ? "" : " (" + TerminalLatin1(FieldText(r->name)) + ")") + "\n" +
                   "Date: " + TerminalLatin1(FieldText(r->time_stamp)) + "\nStatus: " +
                   TerminalLatin1(FieldText(r->status)) + "\n\n" + TerminalLatin1(FieldText(r->text), true) +
                   "\n"};
}

CommandResult PbList(ManagerContext& ctx, ContactList& list, bool as_json) {
    json rows = json::array();
    std::string t;
    for (const ContactRow& r : list.rows) {
        rows.push_back({{"index", r.entry + 1}, {"name", Latin1ToUtf8(r.name)}, {"number", Latin1ToUtf8(r.number)}});
        t += std::to_string(r.entry + 1) + "\t" + TerminalLatin1(r.name) + "\t" + TerminalLatin1(r.number) + "\n";
    }
    (void)ctx;
    if (as_json) return {0, json{{"book", std::string(BookName(list.book))}, {"rows", rows}}.dump(2) + "\n"};
    return {0, t};
}

// Card indexes given on the command line as rows of the list, top to bottom.
bool RowsFor(const ContactList& list, const std::vector<std::string>& words, size_t from,
             std::vector<int>* rows, std::string* bad) {
    for (size_t i = from; i < words.size(); ++i) {
        int index = 0;
        bool found = false;
        if (ParseNumber(words[i], &index)) {
            for (size_t r = 0; r < list.rows.size(); ++r) {
                if (list.rows[r].entry + 1 == index) {
                    rows->push_back(static_cast<int>(r));
                    found = true;
                }
            }
        }
        if (!found) {
            *bad = words[i];
            return false;
        }
    }
    std::sort(rows->begin(), rows->end());
    return !rows->empty();
}

CommandResult Pb(ManagerContext& ctx, const std::vector<std::string>& w, bool as_json) {
    if (w.size() < 3) return Bad("pb needs an operation and a book");
    ContactList list;
    if (!BookFromName(w[2], &list.book)) return Bad("no phone book named " + w[2]);
    list.loaded = ctx.sim_book_loaded && ctx.card_book_loaded;
    RefreshContacts(ctx, list);
    const std::string& op = w[1];
    if (op == "list") return PbList(ctx, list, as_json);
    if (op == "new") return {NewContact(ctx, list) ? 0 : 1, ""};
    std::vector<int> rows;
    std::string bad;
    if (!RowsFor(list, w, 3, &rows, &bad)) return Bad("no listed entry with index " + bad);
    if (op == "edit") return {EditContact(ctx, list, rows.front()) ? 0 : 1, ""};
    if (op == "delete") return {DeleteContacts(ctx, list, rows) > 0 ? 0 : 1, ""};
    if (op == "copy" || op == "move")
        return {CopyContacts(ctx, list, rows, op == "move") == static_cast<int>(rows.size()) ? 0 : 1, ""};
    return Bad("unknown phone-book operation " + op);
}

}  // namespace

CommandResult RunCtlCommand(ManagerContext& ctx, const std::vector<std::string>& w, bool as_json) {
    if (w.empty()) return Bad("no command");
    if (auto done = RunOpsCommand(ctx, w, as_json)) return *done;
    if (w[0] == "status" && w.size() == 1) return Status(ctx, as_json);
    if (w[0] == "sms" && w.size() >= 2 && w[1] == "list" && w.size() <= 3)
        return SmsList(ctx, w.size() == 3 ? w[2] : "Inbox", as_json);
    if (w[0] == "sms" && w.size() == 3 && w[1] == "read") return SmsRead(ctx, w[2], as_json);
    if (w[0] == "pb") return Pb(ctx, w, as_json);
    return Bad("unknown command " + w[0]);
}

}  // namespace qmx2::manager::ctl
