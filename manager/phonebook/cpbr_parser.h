// Parsers of the card's phone-book replies: the size answer to "AT+CPBR=?" and the entry
// lines of "AT+CPBR=<first>,<last>".
#pragma once

#include <string_view>

#include "manager/phonebook/phonebook_entry.h"

namespace qmx2::manager {

struct BookSize {
    int entries = 0;
    int number_width = 0;
    int name_width = 0;
};

// "+CPBR: (first-last),nlength,tlength": the number after the first "-" from the reply's
// seventh character up to ")", then the two numbers after it. Fields that are missing are 0.
BookSize ParseBookSize(std::string_view reply);

// Stores every "+CPBR:" line of `reply` in `book` at entry index - 1. Lines whose index lies
// outside the book or that lack their commas are skipped. Returns the number of entries stored.
int ParseBookEntries(std::string_view reply, PhoneBook& book);

}  // namespace qmx2::manager
