// The contact list's rows, sort order and loading notice.
#include "manager/phonebook/contact_list.h"

#include <algorithm>

namespace qmx2::manager {
namespace {

void Sort(ContactList& list, ContactColumn column, bool ascending) {
    auto key = [column](const ContactRow& r) -> const std::string& {
        return column == ContactColumn::kName ? r.name : r.number;
    };
    std::stable_sort(list.rows.begin(), list.rows.end(), [&](const ContactRow& a, const ContactRow& b) {
        return ascending ? key(a) < key(b) : key(b) < key(a);
    });
    list.sorted_book = list.book;
    list.sorted_column = column;
    list.sorted_ascending = ascending;
}

}  // namespace

std::string_view BookName(BookId id) {
    return id == BookId::kSim ? "SIM" : id == BookId::kCard ? "Card" : "PDA";
}

std::string_view BookSelectCommand(BookId id) {
    return id == BookId::kSim ? "AT+CPBS=\"SM\"" : id == BookId::kCard ? "AT+CPBS=\"ME\"" : "";
}

bool BookFromName(std::string_view name, BookId* book) {
    for (BookId id : {BookId::kSim, BookId::kCard, BookId::kPda}) {
        if (name == BookName(id)) {
            *book = id;
            return true;
        }
    }
    return false;
}

void RefreshContacts(ManagerContext& ctx, ContactList& list) {
    list.rows.clear();
    {
        std::lock_guard lock(ctx.tables);
        const PhoneBook& book = ctx.books.Book(list.book);
        for (int k = 0; k < book.size(); ++k) {
            const PhonebookEntry& e = book.entries[static_cast<std::size_t>(k)];
            if (FieldEmpty(e.name) || FieldEmpty(e.number)) continue;
            list.rows.push_back({k, std::string(FieldText(e.name)), std::string(FieldText(e.number))});
        }
    }
    Sort(list, ContactColumn::kName, true);
}

void SortContactsByClick(ContactList& list, ContactColumn column) {
    const bool again = list.sorted_book == list.book && list.sorted_column == column &&
                       list.sorted_ascending;
    Sort(list, column, !again);
}

void ContactLoadingTick(ManagerContext& ctx, ContactList& list) {
    if (list.loaded) return;
    if (ctx.sim_book_loaded && ctx.card_book_loaded) {
        list.loaded = true;
        list.status_line.clear();
    } else {
        list.status_line = kLoadingBooks;
    }
    RefreshContacts(ctx, list);
}

ContactCommands EnabledContactCommands(const ContactList& list, bool row_marked) {
    return {list.loaded, row_marked, row_marked, row_marked, row_marked};
}

}  // namespace qmx2::manager
