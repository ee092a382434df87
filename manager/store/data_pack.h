// The byte images of the four local data files: bare sequences of fixed-size records, with no
// header or count. Packing writes used records only, so reading packs them from the first slot.
#pragma once

#include <string>
#include <string_view>

#include "manager/messages/message_record.h"
#include "manager/phonebook/phonebook_entry.h"
#include "manager/store/local_records.h"

namespace qmx2::manager {

// Handheld slots whose status is not empty, lowest slot first.
std::string PackMessages(const MessageTable& table);
// Whole records into consecutive handheld slots from the first, at most 300; each one's fields
// are closed inside the record and its slot number is set to its new position + 1. A trailing
// part of a record is ignored. Returns the records loaded.
int UnpackMessages(std::string_view bytes, MessageTable& table);

std::string PackBook(const PhoneBook& book);
int UnpackBook(std::string_view bytes, PhoneBook& book);

std::string PackProfiles(const MessageCentreProfile (&profiles)[kProfiles]);
// Zeroes all ten profiles first.
int UnpackProfiles(std::string_view bytes, MessageCentreProfile (&profiles)[kProfiles]);

std::string PackOptions(const OptionBlock& options);
// Up to 84 bytes over the block: a shorter file sets only the leading part.
void UnpackOptions(std::string_view bytes, OptionBlock& options);

}  // namespace qmx2::manager
