// The contact window's list as data: the rows of the book the memory selector shows, their
// sort, the loading notice, and which commands are enabled.
#pragma once

#include <string>
#include <vector>

#include "manager/core/manager_context.h"

namespace qmx2::manager {

inline constexpr char kLoadingBooks[] = "Loading phone book, please wait...";

struct ContactRow {
    int entry;  // position in the book (card index - 1)
    std::string name;
    std::string number;
};

enum class ContactColumn { kName = 0, kNumber = 1 };

struct ContactList {
    BookId book = BookId::kSim;  // the memory selector
    std::vector<ContactRow> rows;
    // The last sort, to tell a second click on the same column.
    BookId sorted_book = BookId::kSim;
    ContactColumn sorted_column = ContactColumn::kName;
    bool sorted_ascending = true;
    bool loaded = false;  // both card books read: "New..." enabled
    std::string status_line;
};

// Fills the rows of `list.book` (entries with both a name and a number, in index order) and
// sorts them by name, ascending.
void RefreshContacts(ManagerContext& ctx, ContactList& list);
// A click on a column header.
void SortContactsByClick(ContactList& list, ContactColumn column);
// One 2-second tick of the window's timer before it is loaded.
void ContactLoadingTick(ManagerContext& ctx, ContactList& list);

struct ContactCommands {
    bool new_entry, edit, remove, copy, move;
};
ContactCommands EnabledContactCommands(const ContactList& list, bool row_marked);

bool BookFromName(std::string_view name, BookId* book);

}  // namespace qmx2::manager
