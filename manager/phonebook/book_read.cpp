// Phone-book reads of the polling worker.
#include "manager/phonebook/book_read.h"

#include <cstdio>
#include <string_view>

#include "manager/phonebook/cpbr_parser.h"

namespace qmx2::manager {
namespace {

bool FinalOk(const char* reply) {
    return std::string_view(reply).find("\r\nOK\r\n") != std::string_view::npos;
}

bool SelectBook(ManagerContext& ctx, const char* command) {
    return FinalOk(common::SendAtCommand(ctx.channel, command, "+CPBS", 20));
}

bool ReadRange(ManagerContext& ctx, PhoneBook& book, int first, int last) {
    char command[48];
    std::snprintf(command, sizeof command, "AT+CPBR=%d,%d", first, last);
    const char* reply = common::SendAtCommand(ctx.channel, command, "+CPBR", 20);
    if (!FinalOk(reply)) return false;
    std::lock_guard lock(ctx.tables);
    ParseBookEntries(reply, book);
    return true;
}

}  // namespace

bool ReadSimBook(ManagerContext& ctx, platform::FunctionRef<bool()> keep_going) {
    if (!SelectBook(ctx, "AT+CPBS=\"SM\"")) return false;
    const int size = ctx.books.sim.size();
    for (int first = 1; first <= size; first += kEntriesPerRead) {
        if (!keep_going()) return false;
        const int last = first + kEntriesPerRead - 1 < size ? first + kEntriesPerRead - 1 : size;
        if (!ReadRange(ctx, ctx.books.sim, first, last)) return false;
    }
    return true;
}

bool ReadCardBook(ManagerContext& ctx, platform::FunctionRef<bool()> keep_going) {
    if (!SelectBook(ctx, "AT+CPBS=\"ME\"")) return false;
    const int size = ctx.books.card.size();
    if (size == 0) return true;
    if (!keep_going()) return false;
    return ReadRange(ctx, ctx.books.card, 1, size);
}

}  // namespace qmx2::manager
