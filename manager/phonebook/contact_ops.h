// The contact window's commands with their card exchanges: "New...", "Edit...", "Delete",
// "Copy...", "Move..." (with "Paste contact" when an entry does not fit) and "Send Short
// Message...". Rows are given as indices into the list, top to bottom.
#pragma once

#include <string>
#include <vector>

#include "manager/phonebook/contact_list.h"

namespace qmx2::manager {

inline constexpr char16_t kSimBookFull[] = u"SIM phone book memory full.";
inline constexpr char16_t kCardBookFull[] = u"Card phone book memory full.";
inline constexpr char16_t kPdaBookFull[] = u"PDA phone book full.";
inline constexpr char16_t kNumberTooLong[] = u"The phone number is too long.";
inline constexpr char16_t kNameTooLong[] = u"The name is too long.";
inline constexpr char16_t kInvalidNumber[] = u"Invalid phone number.";
inline constexpr char16_t kConfirmDelete[] = u"Do you want to delete?";
inline constexpr char kPasteNotice[] =
    "Due to SIM/Card memory limitation, contact name and number will be truncated.";

inline constexpr int kDialogNameChars = 19;
inline constexpr int kDialogNumberChars = 30;
inline constexpr int kPasteChars = 99;
inline constexpr int kRecipientChars = 24;

// Drops what could end or split an AT command inside its quotes: quotation marks, CR, LF,
// Ctrl-Z, ESC and every other control character.
std::string CommandSafeText(std::string_view text);

// "AT+CPBW=<index>,"<number>",<type>,"<name>"".
std::string WriteEntryCommand(int index, std::string_view number, std::string_view type,
                              std::string_view name);

bool NewContact(ManagerContext& ctx, ContactList& list);
bool EditContact(ManagerContext& ctx, ContactList& list, int row);
int DeleteContacts(ManagerContext& ctx, ContactList& list, const std::vector<int>& rows);
// Returns the entries stored in the target book.
int CopyContacts(ManagerContext& ctx, ContactList& list, const std::vector<int>& rows, bool move);
void SendShortMessageTo(ManagerContext& ctx, ContactList& list, const std::vector<int>& rows);

}  // namespace qmx2::manager
