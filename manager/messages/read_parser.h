// Parsers of the card's text-mode message replies: "+CMGR:" of a message read, "+CMGL:" of an
// unread listing, and the "+CMGR:" of a message that has just arrived. Pure functions of the
// reply text: a record is written only after its header has been parsed, and every copy is cut
// to its field.
#pragma once

#include <string_view>
#include <vector>

#include "manager/messages/message_record.h"
#include "platform/function_ref.h"

namespace qmx2::manager {

struct ReadParse {
    bool parsed = false;       // a "+CMGR:" header with a quoted status was found
    bool card_unread = false;  // the card reported "REC UNREAD" (add it to the unread index)
};

// True when `unread_list` ("[3][12]...") holds the entry "[index]", brackets included.
bool UnreadListHolds(std::string_view unread_list, int index);

// Fills `record` (table position `position`) from a reply to "AT+CMGR=<sim_index>"; the unread
// list is asked for the SIM index. Without `sim_index` the card's numbering: position + 1.
ReadParse ParseReadReply(int position, int sim_index, std::string_view reply,
                         std::string_view unread_list, MessageRecord& record);
ReadParse ParseReadReply(int position, std::string_view reply, std::string_view unread_list,
                         MessageRecord& record);

// Fills the records of the table listed in a reply to AT+CMGL="REC UNREAD". Entries whose index
// lies outside the table's SIM slots are skipped. `on_card_unread` gets every index the card
// listed as "REC UNREAD". Returns the number of records filled.
//
// A listing of one entry is read as the card gives it. In a listing of several, a message's text
// could hold a line that looks like the start of another entry ("\r\n+CMGL: 9,..."), so each
// entry then stands only when `card_says` (the card's own "+CMGR:" reply for that index, empty
// when it gave none) confirms it: `ConfirmListedEntry` below.
int ParseUnreadListing(std::string_view reply, std::string_view unread_list, MessageTable& table,
                       platform::FunctionRef<void(int)> on_card_unread,
                       platform::FunctionRef<std::string_view(int)> card_says);

// The SIM indices a listing's entry heads name, in order, counting every line that looks like one.
std::vector<int> ListedIndices(std::string_view reply);

// Whether `entry`, parsed from a listing, is the card's message `index`: the card's "+CMGR:"
// reply for it has the listed number and stamp and a text that begins with the listed one. The
// entry then takes the card's whole text. An empty or failed reply confirms nothing but refutes
// nothing either (the entry stands as listed); "+CMS ERROR" (no message there) refutes it.
bool ConfirmListedEntry(int index, std::string_view card_reply, MessageRecord& entry);

// Fills `record` from the reply to "AT+CMGR=<n>" for a message that has just arrived: it is
// marked "REC UNREAD" whatever the card says. Returns false (record untouched) without "+CMGR:".
bool ParseNewMessageReply(int index, std::string_view reply, MessageRecord& record);

}  // namespace qmx2::manager
