// Message window rules.
#include "manager/messages/message_window.h"

#include "common/text_utils.h"

namespace qmx2::manager {

MessageCommands UpdateMessageCommands(MessageCommands s, ListChange change, Folder folder,
                                      bool first_column_empty, const ClipboardState& clip) {
    s.paste = !FieldEmpty(clip.buffer.status);
    if (change == ListChange::kFolderSelected) {
        s.send = s.reply = s.forward = false;
        return s;
    }
    const bool on = change == ListChange::kMessageSelected;
    s.open = s.move = s.copy = s.del = on;
    if (!on) {
        s.send = s.reply = s.forward = false;
        return s;
    }
    const bool named = !first_column_empty;
    switch (folder) {
    case Folder::kInbox: s.send = false; s.reply = true; s.forward = true; break;
    case Folder::kPda: s.send = named; s.reply = named; s.forward = true; break;
    case Folder::kOwn: s.send = named; s.reply = false; s.forward = true; break;
    case Folder::kSent: s.send = true; s.reply = false; s.forward = true; break;
    case Folder::kDraft: s.send = named; s.reply = false; s.forward = true; break;
    case Folder::kDeleted:
    case Folder::kPersonal: s.reply = false; s.forward = false; break;  // "Send..." as it was
    }
    return s;
}

std::string DisplayLineBreaks(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        out.push_back(c == '\r' ? '\n' : c);
    }
    return out;
}

MessageDialogView MessageDialogFor(Folder folder, const MessageRecord& record) {
    MessageDialogView v;
    v.who_label = std::string(FolderColumns(folder)[0].title) + ":";
    v.who = std::string(FieldEmpty(record.name) ? FieldText(record.number) : FieldText(record.name));
    v.text = DisplayLineBreaks(FieldText(record.text));
    char stamp[64];
    common::FormatStampForDisplay(std::string(FieldText(record.time_stamp)).c_str(), stamp,
                                  sizeof stamp);
    v.stamp = stamp;
    return v;
}

DialogPlace MessageDialogPlace(int screen_width, int dialog_width) {
    const int x = (screen_width - dialog_width) / 2;
    return {x < 0 ? 0 : x, 26};
}

}  // namespace qmx2::manager
