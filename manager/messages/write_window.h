// What the write window holds (recipient list, "To" entry, message text) and how it is filled
// when the message window opens it in one of its modes.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "manager/messages/message_record.h"

namespace qmx2::manager {

struct WriteWindowState {
    std::vector<std::u16string> recipients;
    int selected = -1;     // the selected recipient, -1 none
    std::u16string to_box;  // the number entry
    std::u16string text;    // the message text, line breaks as CR LF
};

// Modes of the opening message: 0 empty, 1 reply (the record's number), 2 and 3 forward (the
// record's text), 4 send a stored message (both).
enum WriteMode : int { kWriteEmpty = 0, kWriteReply = 1, kWriteForward = 2, kWriteForwardToo = 3,
                       kWriteSendStored = 4 };

// The window's content for a mode; `record` may be null for mode 0. Nothing when the mode needs
// a record and none is given, or the mode is unknown (the window is then not opened).
std::optional<WriteWindowState> PrefillWriteWindow(int mode, const MessageRecord* record);

// Line feeds, lone CRs and CR LF pairs all become CR LF, as the edit box needs.
std::u16string EditBoxText(std::string_view record_text);

}  // namespace qmx2::manager
