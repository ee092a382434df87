// The delete command of the message window.
#include "manager/messages/delete.h"

#include <mutex>
#include <string>

#include "manager/core/polling.h"
#include "manager/messages/message_slots.h"
#include "manager/messages/new_messages.h"

namespace qmx2::manager {
namespace {

// Moves the record into the first free handheld slot with "(DEL)" behind its status; with no
// free slot it stays where it was.
void MarkDeleted(ManagerContext& ctx, int position) {
    std::lock_guard lock(ctx.tables);
    MessageRecord* r = ctx.messages.At(position);
    const std::optional<int> slot = FirstFreeHandheldSlot(ctx.messages);
    if (!r || !slot) return;
    MessageRecord copy = *r;
    SetField(copy.status, std::string(FieldText(r->status)) + "(DEL)");
    ClearRecord(*r);
    StoreInSlot(ctx.messages, *slot, copy);
}

}  // namespace

int DeleteMessages(ManagerContext& ctx, Folder current, const std::vector<int>& rows) {
    int handled = 0;
    bool confirm = false;
    {
        std::lock_guard lock(ctx.tables);  // the "General" page stores the option under it
        confirm = ctx.options.confirm_on_delete != 0;
    }
    for (int row : rows) {
        if (handled == 0 && confirm &&
            ctx.ui.ShowMessage(kCaption, kConfirmDeleteMessage, Buttons::kYesNo, true) !=
                Answer::kYes)
            return 0;
        const int position = row - 1;
        if (!ctx.messages.At(position)) continue;
        ++handled;
        if (current == Folder::kInbox || current == Folder::kOwn) {
            PausePolling(ctx, kStatePaused);
            common::SendAtCommand(ctx.channel, "AT+CMGD=" + std::to_string(ctx.messages.IndexOf(position)),
                                  "OK", 10);
            ResumePolling(ctx);
            ShowNewMessageStatus(ctx, false);  // the load position goes back to "nothing"
        }
        if (current == Folder::kDeleted) {
            std::lock_guard lock(ctx.tables);
            ClearRecord(*ctx.messages.At(position));
        } else {
            MarkDeleted(ctx, position);
        }
    }
    if (handled > 0) ctx.ui.RefreshMessageWindow();
    return handled;
}

}  // namespace qmx2::manager
