// The message load of the polling worker and the sender-name lookup.
#include "manager/messages/message_load.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "common/text_utils.h"
#include "manager/core/polling.h"
#include "manager/messages/message_slots.h"
#include "manager/messages/read_parser.h"
#include "manager/messages/unread_index.h"
#include "manager/store/settings_registry.h"

namespace qmx2::manager {
namespace {

bool Holds(const char* reply, std::string_view what) {
    return std::string_view(reply).find(what) != std::string_view::npos;
}

struct ReducedEntry {
    std::string number;
    const PhonebookEntry* entry;
};

void AddReduced(PhoneBook& book, std::vector<ReducedEntry>& out) {
    char digits[64];
    for (const PhonebookEntry& e : book.entries) {
        common::DialableDigits(e.number, digits, sizeof digits);
        if (digits[0] != 0) out.push_back({digits, &e});
    }
}

// The final OK, also when the reply stopped before its last LF.
bool Answered(const char* reply) { return Holds(reply, "\r\nOK\r"); }

// Reads one SIM index into its slot; false on a failure that ends the load.
bool ReadSlot(ManagerContext& ctx, const std::string& unread, int index, int* found) {
    char command[32];
    std::snprintf(command, sizeof command, "AT+CMGR=%d", index);
    const char* reply = common::SendAtCommand(ctx.channel, command, "\r\nOK\r\n", 5);
    if (!Answered(reply)) return Holds(reply, "+CMS ERROR:");
    if (!Holds(reply, "+CMGR:")) return true;
    ReadParse parse;
    {
        std::lock_guard lock(ctx.tables);
        const int position = ctx.messages.PositionOf(index);
        parse = ParseReadReply(position, index, reply, unread, *ctx.messages.At(position));
    }
    if (parse.card_unread) AddUnreadIndex(ctx.registry, index);
    ++*found;
    return true;
}

// Fewer messages read from 1 up than the card counts in use: a modem that numbers from 0
// (Huawei E220 and other USB sticks) holds the rest at index 0. The records read so far move
// up one slot, to where index 0 puts them, and index 0 is read. The card never gets here.
bool FindMessagesFromZero(ManagerContext& ctx, const std::string& unread, int found) {
    MessageTable& t = ctx.messages;
    if (t.first_index != 1 || t.sim_slots == 0 || found >= ctx.sim_messages_used) return true;
    const char* probe = common::SendAtCommand(ctx.channel, "AT+CMGR=0", "\r\nOK\r\n", 5);
    if (!Answered(probe) || !Holds(probe, "+CMGR:")) return true;
    {
        std::lock_guard lock(ctx.tables);
        NumberFromZero(t);
    }
    return ReadSlot(ctx, unread, 0, &found);
}

}  // namespace

bool LoadAllMessages(ManagerContext& ctx, platform::FunctionRef<bool()> keep_going) {
    const std::string unread = ReadManagerValue(ctx.registry, kValueUnreadIdx).value_or("");
    SelectTextMode(ctx);
    int found = 0;
    for (int p = 0; p < ctx.messages.sim_slots; ++p) {
        if (!keep_going()) return false;
        ctx.load_position = p + 1;
        if (!ReadSlot(ctx, unread, ctx.messages.IndexOf(p), &found)) return false;
    }
    if (!FindMessagesFromZero(ctx, unread, found)) return false;
    ctx.load_position = ctx.messages.sim_slots + 1;
    ResolveSenderNames(ctx);
    return true;
}

void ResolveSenderNames(ManagerContext& ctx) {
    std::lock_guard lock(ctx.tables);
    std::vector<ReducedEntry> entries;
    AddReduced(ctx.books.sim, entries);
    AddReduced(ctx.books.card, entries);
    AddReduced(ctx.books.pda, entries);
    char digits[64];
    for (MessageRecord& r : ctx.messages.records) {
        if (FieldEmpty(r.number)) continue;
        common::DialableDigits(r.number, digits, sizeof digits);
        for (const ReducedEntry& e : entries) {
            if (e.number == digits) {
                SetField(r.name, FieldText(e.entry->name));
                break;
            }
        }
    }
}

}  // namespace qmx2::manager
