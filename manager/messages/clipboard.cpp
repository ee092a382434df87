// Putting marked messages on the clipboard file and pasting them into a folder.
#include "manager/messages/clipboard.h"

#include <cstring>
#include <mutex>
#include <string>

#include "manager/core/polling.h"
#include "manager/messages/message_slots.h"
#include "manager/messages/sim_write.h"
#include "manager/store/data_files.h"

namespace qmx2::manager {
namespace {

bool StatusHas(const MessageRecord& r, std::string_view what) {
    return FieldText(r.status).find(what) != std::string_view::npos;
}

void Notice(ManagerContext& ctx, std::u16string_view text) {
    ctx.ui.ShowMessage(kCaption, text, Buttons::kOk, true);
}

// A "(DEL)" record pasted into "Inbox" or "Sent Messages" is not stored, and its source is kept:
// removing it would lose the message.
constexpr int kNotStored = -2;

// Copies the record into the first free handheld slot, its status replaced when `status` is
// given. -1 (after the notice) when the handheld area is full.
int CopyToHandheld(ManagerContext& ctx, const MessageRecord& r, const char* status) {
    MessageRecord copy = r;
    if (status) SetField(copy.status, status);
    std::optional<int> slot;
    {
        std::lock_guard lock(ctx.tables);
        slot = FirstFreeHandheldSlot(ctx.messages);
        if (slot) StoreInSlot(ctx.messages, *slot, copy);
    }
    if (!slot) Notice(ctx, kPdaFull);
    return slot ? *slot : -1;
}

// Where the record went (table position), -1 nowhere, or nothing when the paste must stop.
std::optional<int> PasteOne(ManagerContext& ctx, ClipboardState& clip, Folder target) {
    const MessageRecord& r = clip.buffer;
    const int own_slot = r.slot_number - 1;
    switch (target) {
    case Folder::kOwn: {
        if (ctx.memory_full) {
            Notice(ctx, kSimFull);
            return std::nullopt;
        }
        return WriteRecordToSim(ctx, r);
    }
    case Folder::kPda: {
        const int slot = CopyToHandheld(ctx, r, "PDA");
        if (slot < 0) return std::nullopt;
        return slot;
    }
    case Folder::kInbox:
    case Folder::kSent: {
        const bool accepted = StatusHas(r, target == Folder::kInbox ? "READ" : "STO SENT");
        if (!accepted || !ctx.messages.At(own_slot)) break;
        if (StatusHas(r, "(DEL)")) return kNotStored;
        std::lock_guard lock(ctx.tables);
        *ctx.messages.At(own_slot) = r;
        return own_slot;
    }
    case Folder::kDeleted: {
        if (!StatusHas(r, "(DEL)")) break;
        const int slot = CopyToHandheld(ctx, r, nullptr);
        if (slot < 0) return std::nullopt;
        // The source stays where it is, also after a move.
        ClearRecord(clip.buffer);
        return slot;
    }
    default:
        break;
    }
    Notice(ctx, kCannotPaste);
    return std::nullopt;
}

// A moved record's source: cleared, and deleted on the SIM when it was a SIM slot.
void RemoveSource(ManagerContext& ctx, int source) {
    if (!ctx.messages.At(source)) return;
    {
        std::lock_guard lock(ctx.tables);
        ClearRecord(*ctx.messages.At(source));
    }
    if (!ctx.messages.IsSimSlot(source)) return;
    PausePolling(ctx, kStatePaused);
    common::SendAtCommand(ctx.channel, "AT+CMGD=" + std::to_string(ctx.messages.IndexOf(source)),
                          "OK", 10);
    ResumePolling(ctx);
}

}  // namespace

bool PutOnClipboard(ManagerContext& ctx, ClipboardState& clip, const std::vector<int>& rows,
                    bool move) {
    clip.move = move;
    clip.count = 0;
    std::string bytes;
    MessageRecord first{};
    {
        std::lock_guard lock(ctx.tables);
        for (int row : rows) {
            const MessageRecord* r = ctx.messages.At(row - 1);
            if (!r) continue;
            if (bytes.empty()) first = *r;
            bytes.append(reinterpret_cast<const char*>(r), sizeof *r);
        }
    }
    if (!ctx.folder.WriteWhole(kClipboardFile, bytes)) {
        ClearRecord(clip.buffer);
        return false;
    }
    clip.count = static_cast<int>(bytes.size() / sizeof(MessageRecord));
    clip.buffer = first;
    return true;
}

PasteReport Paste(ManagerContext& ctx, ClipboardState& clip, Folder target) {
    PasteReport report;
    if (FieldEmpty(clip.buffer.status)) return report;
    const std::optional<std::string> file = ctx.folder.Read(kClipboardFile);
    if (!file) return report;
    const std::size_t in_file = file->size() / sizeof(MessageRecord);
    for (std::size_t i = 0; i < in_file && static_cast<int>(i) < clip.count; ++i) {
        std::memcpy(&clip.buffer, file->data() + i * sizeof(MessageRecord), sizeof(MessageRecord));
        SealRecord(clip.buffer);
        const int source = clip.buffer.slot_number - 1;
        const std::optional<int> placed = PasteOne(ctx, clip, target);
        if (!placed) {
            report.stopped = true;
            break;
        }
        const bool removes = clip.move && !FieldEmpty(clip.buffer.status) && *placed != source &&
                             *placed != kNotStored;
        if (removes && ctx.messages.IsSimSlot(source) && !ctx.messages.IsSimSlot(*placed) &&
            !SaveMessageFile(ctx)) {
            // The handheld copy is not on the disk: keep the message on the SIM only.
            std::lock_guard lock(ctx.tables);
            ClearRecord(*ctx.messages.At(*placed));
            report.stopped = true;
            break;
        }
        ++report.pasted;
        if (clip.move && !FieldEmpty(clip.buffer.status)) {
            // A message moved into the folder it came from is already back in its own slot.
            if (removes) RemoveSource(ctx, source);
            ClearRecord(clip.buffer);
        }
    }
    ctx.ui.RefreshMessageWindow();
    report.refreshed = true;
    return report;
}

}  // namespace qmx2::manager
