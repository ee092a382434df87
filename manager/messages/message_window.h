// The message window's rules as data: which commands its menu offers for what is selected, the
// message dialog's labels and fields, and where that dialog sits.
#pragma once

#include <string>

#include "manager/messages/clipboard.h"
#include "manager/messages/folder_view.h"

namespace qmx2::manager {

struct MessageCommands {
    bool open = false, move = false, copy = false, del = false;  // "Open", "Move", "Copy", "Delete"
    bool send = false, reply = false, forward = false;           // "Send...", "Reply...", "Forward..."
    bool paste = false;
};

// What the message list just told the window.
enum class ListChange { kFolderSelected, kNothingSelected, kMessageSelected };

// The new states after a notification from the list. `folder` is the folder in view
// (kPersonal for the root); `first_column_empty` is the selected row's "From"/"To" cell.
// Some situations leave a command as it was, so the states before are given.
MessageCommands UpdateMessageCommands(MessageCommands before, ListChange change, Folder folder,
                                      bool first_column_empty, const ClipboardState& clip);

struct MessageDialogView {
    std::string who_label;                     // "From:" or "To:"
    std::string message_label = "Message:";
    std::string date_label = "Date & Time:";   // "Date && Time:" in the dialog template
    std::string who;                           // the name, or the number without one
    std::string text;                          // line breaks as '\n'
    std::string stamp;                         // as the message list shows it
};

// Dialog 196 "Message" for a record shown in `folder`.
MessageDialogView MessageDialogFor(Folder folder, const MessageRecord& record);

// Every line feed, lone carriage return and CR LF pair becomes one '\n'.
std::string DisplayLineBreaks(std::string_view text);

// Centred horizontally over the screen (left edge 0 rather than negative), 26 below its top.
struct DialogPlace {
    int x;
    int y;
};
DialogPlace MessageDialogPlace(int screen_width, int dialog_width);

}  // namespace qmx2::manager
