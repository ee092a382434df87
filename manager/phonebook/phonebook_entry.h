// The phone-book entry and the three books the manager keeps: the SIM's, the card's own and
// the handheld's. Entry k of a book has the card index k + 1.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "manager/core/fixed_text.h"

namespace qmx2::manager {

struct PhonebookEntry {
    char number[31];      // empty: the entry is free
    char number_type[4];  // "145" for numbers with "+", else "129"; from the card as it says
    char name[17];
};

static_assert(sizeof(PhonebookEntry) == 52);
static_assert(offsetof(PhonebookEntry, number) == 0);
static_assert(offsetof(PhonebookEntry, number_type) == 31);
static_assert(offsetof(PhonebookEntry, name) == 35);

inline constexpr int kMaxNumberWidth = 30;
inline constexpr int kMaxNameWidth = 16;
inline constexpr int kHandheldBookSize = 100;
// A card that reports a larger book than this is taken at this size.
inline constexpr int kMaxBookSize = 9999;

enum class BookId { kSim = 0, kCard = 1, kPda = 2 };

struct PhoneBook {
    std::vector<PhonebookEntry> entries;
    int number_width = kMaxNumberWidth;
    int name_width = kMaxNameWidth;

    int size() const { return static_cast<int>(entries.size()); }
    PhonebookEntry* At(int k) {
        return k >= 0 && k < size() ? &entries[static_cast<std::size_t>(k)] : nullptr;
    }
    // The lowest free entry, or -1.
    int FirstFree() const {
        for (int k = 0; k < size(); ++k)
            if (FieldEmpty(entries[static_cast<std::size_t>(k)].number)) return k;
        return -1;
    }
};

struct PhoneBooks {
    PhoneBook sim;
    PhoneBook card;
    PhoneBook pda;

    PhoneBook& Book(BookId id) {
        return id == BookId::kSim ? sim : id == BookId::kCard ? card : pda;
    }
};

inline void SealEntry(PhonebookEntry& e) {
    SealField(e.number);
    SealField(e.number_type);
    SealField(e.name);
}

// "145" when the number begins with "+", else "129".
inline std::string_view NumberTypeFor(std::string_view number) {
    return !number.empty() && number.front() == '+' ? "145" : "129";
}

// The book names of the memory selector and the card's memory of each.
std::string_view BookName(BookId id);         // "SIM", "Card", "PDA"
std::string_view BookSelectCommand(BookId id);  // AT+CPBS="SM" / AT+CPBS="ME"; empty for PDA

}  // namespace qmx2::manager
