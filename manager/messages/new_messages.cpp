// Checking the card for new messages on each polling pass.
#include "manager/messages/new_messages.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <map>
#include <string>

#include "manager/core/polling.h"
#include "manager/messages/message_load.h"
#include "manager/messages/message_slots.h"
#include "manager/messages/read_parser.h"
#include "manager/messages/unread_index.h"
#include "manager/store/settings_registry.h"

namespace qmx2::manager {
namespace {

bool Holds(std::string_view reply, std::string_view what) {
    return reply.find(what) != std::string_view::npos;
}

void CheckMemory(ManagerContext& ctx) {
    const std::string_view reply = common::SendAtCommand(ctx.channel, "AT+CPMS?", "+CPMS", 1);
    char pattern[48];
    std::snprintf(pattern, sizeof pattern, "\"SM\",%d,%d,", ctx.sim_message_slots,
                  ctx.sim_message_slots);
    if (!Holds(reply, "\r\nOK\r\n") || !Holds(reply, pattern)) {
        ctx.memory_full = false;
        return;
    }
    ctx.memory_full = true;
    const bool open = ctx.ui.MessageWindowOpen();
    platform::WideString line = open ? ctx.ui.MessageStatusLine() : platform::WideString();
    if (line.size() > 99) line.resize(99);
    if (ctx.messages_loaded) ctx.load_position = kLoadKeepNotice;
    if (open) {
        ctx.ui.SetMessageStatusLine(line.find(kNewSmsArrived) != platform::WideString::npos
                                        ? kNewSmsAndFull
                                        : kSmsMemoryFull);
    }
}

// Entries "[n]" of a "NewMsgIdx" text, in order.
template <typename Fn>
void ForEachEntry(std::string_view list, Fn fn) {
    for (std::size_t open = list.find('['); open != std::string_view::npos;
         open = list.find('[', open + 1)) {
        const std::size_t close = list.find(']', open);
        if (close == std::string_view::npos) return;
        fn(list.substr(open + 1, close - open - 1));
    }
}

void PickUpHandedOverIndices(ManagerContext& ctx) {
    const auto handed = ReadManagerValue(ctx.registry, kValueNewMsgIdx);
    if (!handed) return;
    DeleteManagerValue(ctx.registry, kValueNewMsgIdx);
    if (handed->empty()) return;
    AppendUnreadEntries(ctx.registry, *handed);
    ForEachEntry(*handed, [&](std::string_view n) {
        ReadNewMessage(ctx, n);
        if (ctx.ui.MessageWindowOpen()) ctx.ui.RefreshMessageWindow();
    });
}

}  // namespace

bool CheckNewMessages(ManagerContext& ctx, platform::FunctionRef<bool()> keep_going) {
    CheckMemory(ctx);
    if (!keep_going()) return false;
    SelectTextMode(ctx);
    if (!keep_going()) return false;
    const std::string_view reply =
        common::SendAtCommand(ctx.channel, "AT+CMGL=\"REC UNREAD\"", "+CMGL", 10);
    if (Holds(reply, "\r\nOK\r") && Holds(reply, "+CMGL:")) {
        const std::string unread = ReadManagerValue(ctx.registry, kValueUnreadIdx).value_or("");
        // Where a listing has several entries the card is asked for each one again, so that a
        // text holding what looks like another entry cannot make one up.
        const std::string listing(reply);
        std::map<int, std::string> card_says;
        const std::vector<int> listed = ListedIndices(listing);
        // A first listing that names index 0 comes from a modem that numbers from 0.
        if (std::find(listed.begin(), listed.end(), 0) != listed.end()) {
            std::lock_guard lock(ctx.tables);
            NumberFromZero(ctx.messages);
        }
        if (listed.size() > 1) {
            for (int index : listed) {
                if (!ctx.messages.IsSimSlot(ctx.messages.PositionOf(index)) || card_says.count(index))
                    continue;
                card_says[index] = std::string(common::SendAtCommand(
                    ctx.channel, "AT+CMGR=" + std::to_string(index), "\r\nOK\r\n", 5));
            }
        }
        std::vector<int> card_unread;
        {
            std::lock_guard lock(ctx.tables);
            ParseUnreadListing(
                listing, unread, ctx.messages, [&](int index) { card_unread.push_back(index); },
                [&](int index) -> std::string_view {
                    auto it = card_says.find(index);
                    return it == card_says.end() ? std::string_view() : std::string_view(it->second);
                });
        }
        for (int index : card_unread) AddUnreadIndex(ctx.registry, index);
        ResolveSenderNames(ctx);
        if (ctx.ui.MessageWindowOpen()) ctx.ui.RefreshMessageWindow();
        return true;
    }
    if (keep_going()) PickUpHandedOverIndices(ctx);
    return false;
}

bool ReadNewMessage(ManagerContext& ctx, std::string_view index_text) {
    int index = 0;
    const char* end = index_text.data() + index_text.size();
    const auto [stop, ec] = std::from_chars(index_text.data(), end, index);
    if (index_text.empty() || ec != std::errc() || stop != end || index_text.front() == '-' ||
        !ctx.messages.IsSimSlot(ctx.messages.PositionOf(index)))
        return false;
    SelectTextMode(ctx);
    char command[32];
    std::snprintf(command, sizeof command, "AT+CMGR=%d", index);
    const std::string_view reply = common::SendAtCommand(ctx.channel, command, "+", 2);
    std::lock_guard lock(ctx.tables);
    const int position = ctx.messages.PositionOf(index);
    return ParseNewMessageReply(position + 1, reply, *ctx.messages.At(position));
}

void ShowNewMessageStatus(ManagerContext& ctx, bool on) {
    ctx.load_position = on ? kLoadKeepNotice : kLoadNothing;
    if (ctx.ui.MessageWindowOpen()) ctx.ui.SetMessageStatusLine(on ? kNewSmsArrived : u"");
}

void AnnounceNewMessages(ManagerContext& ctx) {
    ctx.ui.SetWaitCursor(false);
    ShowNewMessageStatus(ctx, true);
    ctx.ui.ShowMessage(kCaption, kNewSmsArrived, Buttons::kOk, false);
}

}  // namespace qmx2::manager
