// Contact operations: every change is written to the card first (SIM, Card) and mirrored in
// memory only when the card took it.
#include "manager/phonebook/contact_ops.h"

#include <cstdio>

#include "manager/core/polling.h"
#include "manager/messages/message_load.h"

namespace qmx2::manager {
namespace {

void Tell(ManagerContext& ctx, platform::WideView text) {
    ctx.ui.ShowMessage(kCaption, text, Buttons::kOk, true);
}

// After a change to a book: the contact list, and the names the messages show for their
// numbers at once rather than on the worker's next pass.
void AfterBookChange(ManagerContext& ctx, ContactList& list) {
    RefreshContacts(ctx, list);
    ResolveSenderNames(ctx);
    if (ctx.ui.MessageWindowOpen()) ctx.ui.RefreshMessageWindow();
}

platform::WideView FullText(BookId book) {
    return book == BookId::kSim ? kSimBookFull : book == BookId::kCard ? kCardBookFull : kPdaBookFull;
}

bool OnCard(BookId book) { return book != BookId::kPda; }

bool Failed(std::string_view reply) { return reply.find("ERROR") != std::string_view::npos; }

// One claim of the channel around a group of commands; false when the card said ERROR to the
// write (the last command of the group).
bool WriteOnCard(ManagerContext& ctx, BookId book, const std::string& write) {
    PausePolling(ctx, kStatePaused);
    common::SendAtCommand(ctx.channel, BookSelectCommand(book), "+CPBS", 10);
    const bool ok = !Failed(common::SendAtCommand(ctx.channel, write, "+CPBW", 10));
    ResumePolling(ctx);
    return ok;
}

void ClearOnCard(ManagerContext& ctx, BookId book, int entry) {
    char command[32];
    std::snprintf(command, sizeof command, "AT+CPBW=%d", entry + 1);
    WriteOnCard(ctx, book, command);
}

void Store(ManagerContext& ctx, BookId book, int entry, std::string_view number,
           std::string_view type, std::string_view name) {
    std::lock_guard lock(ctx.tables);
    PhonebookEntry* e = ctx.books.Book(book).At(entry);
    if (e == nullptr) return;
    SetField(e->number, number);
    SetField(e->number_type, type);
    SetField(e->name, name);
}

void Clear(ManagerContext& ctx, BookId book, int entry) {
    std::lock_guard lock(ctx.tables);
    if (PhonebookEntry* e = ctx.books.Book(book).At(entry)) *e = PhonebookEntry{};
}

// The dialog's OK: at most 19 characters of name and 30 of number, made safe for a command.
ContactFields Taken(const ContactFields& f) {
    return {CommandSafeText(f.name).substr(0, kDialogNameChars),
            CommandSafeText(f.number).substr(0, kDialogNumberChars)};
}

bool FitsOrTell(ManagerContext& ctx, const PhoneBook& book, const ContactFields& f) {
    if (static_cast<int>(f.number.size()) > book.number_width) {
        Tell(ctx, kNumberTooLong);
        return false;
    }
    if (static_cast<int>(f.name.size()) > book.name_width) {
        Tell(ctx, kNameTooLong);
        return false;
    }
    return true;
}

bool ValidRow(const ContactList& list, int row) {
    return row >= 0 && row < static_cast<int>(list.rows.size());
}

}  // namespace

std::string CommandSafeText(std::string_view text) {
    std::string out;
    for (char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || c == '"') continue;
        out.push_back(c);
    }
    return out;
}

std::string WriteEntryCommand(int index, std::string_view number, std::string_view type,
                              std::string_view name) {
    return "AT+CPBW=" + std::to_string(index) + ",\"" + CommandSafeText(number) + "\"," +
           CommandSafeText(type) + ",\"" + CommandSafeText(name) + "\"";
}

bool NewContact(ManagerContext& ctx, ContactList& list) {
    const BookId book = list.book;
    const int free = ctx.books.Book(book).FirstFree();
    if (free < 0) {
        Tell(ctx, FullText(book));
        return false;
    }
    if (OnCard(book)) {
        PausePolling(ctx, kStatePaused);
        common::SendAtCommand(ctx.channel, BookSelectCommand(book), "+CPBS", 10);
        ResumePolling(ctx);
    }
    const PhoneBook& target = ctx.books.Book(book);
    ContactFields fields;
    if (!ctx.ui.EditContact(false, fields, target.name_width, target.number_width)) return false;
    const ContactFields f = Taken(fields);
    if (!FitsOrTell(ctx, target, f)) return false;
    const std::string_view type = NumberTypeFor(f.number);
    if (OnCard(book) && !WriteOnCard(ctx, book, WriteEntryCommand(free + 1, f.number, type, f.name))) {
        Tell(ctx, kInvalidNumber);
        return false;
    }
    Store(ctx, book, free, f.number, type, f.name);
    AfterBookChange(ctx, list);
    return true;
}

bool EditContact(ManagerContext& ctx, ContactList& list, int row) {
    if (!ValidRow(list, row)) return false;
    const BookId book = list.book;
    const int entry = list.rows[static_cast<std::size_t>(row)].entry;
    const PhoneBook& target = ctx.books.Book(book);
    ContactFields fields{list.rows[static_cast<std::size_t>(row)].name,
                         list.rows[static_cast<std::size_t>(row)].number};
    if (!ctx.ui.EditContact(true, fields, target.name_width, target.number_width)) return false;
    const ContactFields f = Taken(fields);
    if (!FitsOrTell(ctx, target, f)) return false;
    const std::string_view type = NumberTypeFor(f.number);
    if (OnCard(book) && !WriteOnCard(ctx, book, WriteEntryCommand(entry + 1, f.number, type, f.name))) {
        Tell(ctx, kInvalidNumber);
        return false;
    }
    Store(ctx, book, entry, f.number, type, f.name);
    AfterBookChange(ctx, list);
    return true;
}

int DeleteContacts(ManagerContext& ctx, ContactList& list, const std::vector<int>& rows) {
    int handled = 0;
    for (int row : rows) {
        if (!ValidRow(list, row)) continue;
        if (handled == 0 && ctx.options.confirm_on_delete &&
            ctx.ui.ShowMessage(kCaption, kConfirmDelete, Buttons::kYesNo, true) != Answer::kYes)
            return 0;
        const int entry = list.rows[static_cast<std::size_t>(row)].entry;
        if (OnCard(list.book)) ClearOnCard(ctx, list.book, entry);
        Clear(ctx, list.book, entry);
        ++handled;
    }
    if (handled > 0) AfterBookChange(ctx, list);
    return handled;
}

int CopyContacts(ManagerContext& ctx, ContactList& list, const std::vector<int>& rows, bool move) {
    const BookId source = list.book;
    int stored = 0;
    bool first = true;
    for (int row : rows) {
        if (!ValidRow(list, row)) continue;
        const int from = list.rows[static_cast<std::size_t>(row)].entry;
        PhonebookEntry copy = *ctx.books.Book(source).At(from);
        if (first) {
            first = false;
            const auto chosen = ctx.ui.ChooseBook(move, list.book);
            if (!chosen) return stored;
            list.book = *chosen;
        }
        const BookId target = list.book;
        PhoneBook& book = ctx.books.Book(target);
        const int free = book.FirstFree();
        if (free < 0) {
            Tell(ctx, FullText(target));
            list.book = source;
            break;
        }
        ContactFields f{std::string(FieldText(copy.name)), std::string(FieldText(copy.number))};
        if (OnCard(target)) {
            if (static_cast<int>(f.number.size()) > book.number_width ||
                static_cast<int>(f.name.size()) > book.name_width) {
                const ContactFields full = f;
                ContactFields cut{f.name.substr(0, static_cast<std::size_t>(book.name_width)),
                                  f.number.substr(0, static_cast<std::size_t>(book.number_width))};
                if (!ctx.ui.PasteContact(full, cut, book.name_width, book.number_width)) continue;
                f = {CommandSafeText(cut.name).substr(0, kPasteChars),
                     CommandSafeText(cut.number).substr(0, kPasteChars)};
            }
            const std::string type(FieldText(copy.number_type));
            if (!WriteOnCard(ctx, target, WriteEntryCommand(free + 1, f.number, type, f.name))) {
                Tell(ctx, kInvalidNumber);
                continue;
            }
            Store(ctx, target, free, f.number, type, f.name);
        } else {
            std::lock_guard lock(ctx.tables);
            *book.At(free) = copy;
        }
        ++stored;
        if (move) {
            if (OnCard(source)) ClearOnCard(ctx, source, from);
            Clear(ctx, source, from);
        }
    }
    if (stored > 0) {
        AfterBookChange(ctx, list);
    } else {
        RefreshContacts(ctx, list);
    }
    return stored;
}

void SendShortMessageTo(ManagerContext& ctx, ContactList& list, const std::vector<int>& rows) {
    if (ctx.ui.WriteWindowOpen()) return;
    std::vector<std::string> recipients;
    for (int row : rows)
        if (ValidRow(list, row))
            recipients.push_back(list.rows[static_cast<std::size_t>(row)].number.substr(0, kRecipientChars));
    ctx.ui.OpenWriteWindow(recipients);
}

}  // namespace qmx2::manager
