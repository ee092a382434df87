// The message load of the polling worker and the sender-name lookup.
#include "manager/messages/message_load.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "common/text_utils.h"
#include "manager/core/polling.h"
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

}  // namespace

bool LoadAllMessages(ManagerContext& ctx, platform::FunctionRef<bool()> keep_going) {
    const std::string unread = ReadManagerValue(ctx.registry, kValueUnreadIdx).value_or("");
    SelectTextMode(ctx);
    for (int i = 1; i <= ctx.messages.sim_slots; ++i) {
        if (!keep_going()) return false;
        ctx.load_position = i;
        char command[32];
        std::snprintf(command, sizeof command, "AT+CMGR=%d", i);
        const char* reply = common::SendAtCommand(ctx.channel, command, "\r\nOK\r\n", 5);
        if (Holds(reply, "\r\nOK\r\n") || Holds(reply, "\r\nOK\r")) {
            if (!Holds(reply, "+CMGR:")) continue;
            ReadParse parse;
            {
                std::lock_guard lock(ctx.tables);
                parse = ParseReadReply(i - 1, reply, unread, *ctx.messages.At(i - 1));
            }
            if (parse.card_unread) AddUnreadIndex(ctx.registry, i);
        } else if (!Holds(reply, "+CMS ERROR:")) {
            return false;
        }
    }
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
