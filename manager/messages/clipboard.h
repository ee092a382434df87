// Move, copy and paste of messages through "\Program Files\QMX2\clipboard.txt": whole 1176-byte
// records one after the other, no header. The buffer, count and mode live only in memory.
#pragma once

#include <vector>

#include "manager/core/manager_context.h"
#include "manager/messages/folder_view.h"

namespace qmx2::manager {

inline constexpr char kClipboardFile[] = "clipboard.txt";
inline constexpr char16_t kSimFull[] = u"SIM memory full, cannot paste message.";
inline constexpr char16_t kPdaFull[] = u"PDA full, cannot paste message.";
inline constexpr char16_t kCannotPaste[] = u"Cannot paste here!";

struct ClipboardState {
    bool move = false;
    int count = 0;
    MessageRecord buffer{};  // paste does nothing while its status is empty
};

// "Move" or "Copy": `rows` are the hidden-column values (slot + 1) of the marked rows, top to
// bottom. The file is written whole, so a failed write leaves the earlier clipboard untouched;
// the clipboard is then empty. False when the file could not be written.
bool PutOnClipboard(ManagerContext& ctx, ClipboardState& clip, const std::vector<int>& rows,
                    bool move);

struct PasteReport {
    int pasted = 0;
    bool stopped = false;  // a notice ended the paste before the last record
    bool refreshed = false;
};

// "Paste" into `target`. The clipboard file is only read, so a paste that stops half-way can be
// looked at again; a move pasted into the folder it came from leaves each message in its slot.
PasteReport Paste(ManagerContext& ctx, ClipboardState& clip, Folder target);

}  // namespace qmx2::manager
