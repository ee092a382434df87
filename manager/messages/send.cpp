// The send exchange per recipient: text mode, AT+CMGS with the number and its type, the prompt,
// the text ended by Ctrl-Z, the final OK; then a sent copy in a handheld slot.
#include "manager/messages/send.h"

#include <mutex>

#include "manager/core/polling.h"
#include "manager/messages/message_slots.h"
#include "manager/messages/message_text.h"

namespace qmx2::manager {
namespace {

void Notice(ManagerContext& ctx, std::u16string_view text) {
    ctx.ui.SetWaitCursor(false);
    ctx.ui.ShowMessage(kCaption, text, Buttons::kOk, true);
}

// Each unit as its low byte; a unit above 255 whose low byte is a control byte or a quote is
// kept as '?' rather than turned into one.
std::string RecordText(std::u16string_view text) {
    std::string out;
    for (char16_t u : text) {
        const auto b = static_cast<unsigned char>(u & 0xFF);
        out.push_back(u > 0xFF && (b < 0x20 || b == '"' || b == 0x7F) ? '?' : static_cast<char>(b));
    }
    return out;
}

std::u16string_view EditText(const WriteWindowState& w) {
    return std::u16string_view(w.text).substr(0, kMaxEditText);
}

// The text to send or store: the whole text, or its first 160 after the user agreed.
std::optional<std::u16string_view> AgreedText(ManagerContext& ctx, const WriteWindowState& w,
                                              std::u16string_view question) {
    const std::u16string_view text = EditText(w);
    if (MessageLength(text) <= kMessageLimit) return text;
    if (ctx.ui.ShowMessage(kCaption, question, Buttons::kOkCancel, true) != Answer::kOk)
        return std::nullopt;
    return CutToLength(text, kMessageLimit);
}

void SaveSentCopy(ManagerContext& ctx, const WriteWindowState& w, const std::string& number,
                  SendReport& report) {
    MessageRecord r{};
    SetField(r.time_stamp, SentStamp(ctx.clock.LocalTime()));
    SetField(r.number, number);
    SetField(r.text, RecordText(CutToLength(EditText(w), kMessageLimit)));
    SetField(r.status, "STO SENT");
    std::optional<int> slot;
    {
        std::lock_guard lock(ctx.tables);
        slot = FirstFreeHandheldSlot(ctx.messages);
        if (slot) StoreInSlot(ctx.messages, *slot, r);
    }
    if (slot) {
        report.sent_copies.push_back(*slot);
    } else {
        Notice(ctx, kSentCopyFailed);
    }
}

enum class Exchange { kNoPrompt, kFailed, kSent };

Exchange SendOne(ManagerContext& ctx, const std::string& number, const std::string& card_text) {
    SelectTextMode(ctx);
    const std::string command =
        std::string("AT+CMGS=\"") + number + "\"," + NumberType(number);
    const char* reply = common::SendAtLine(ctx.channel, command, "", kPromptTimeoutS);
    if (std::string_view(reply).find('>') == std::string_view::npos) return Exchange::kNoPrompt;
    std::string data = card_text;
    data.push_back('\x1A');
    reply = common::SendAtRaw(ctx.channel, data.data(), data.size(), "OK", kTextTimeoutS);
    return std::string_view(reply).find("\r\nOK\r\n") != std::string_view::npos ? Exchange::kSent
                                                                              : Exchange::kFailed;
}

std::string EntryText(std::u16string_view entry) { return platform::ToUtf8(entry); }

}  // namespace

SendReport SendMessage(ManagerContext& ctx, WriteWindowState& w) {
    SendReport report;
    if (!w.to_box.empty()) {
        w.recipients.push_back(w.to_box.substr(0, kMaxRecipientChars));
        w.selected = static_cast<int>(w.recipients.size()) - 1;
        w.to_box.clear();
    }
    report.cancelled = true;
    if (w.recipients.empty()) return report;
    const std::optional<std::u16string_view> text = AgreedText(ctx, w, kLengthExceededSend);
    if (!text) return report;
    report.cancelled = false;
    const std::string card_text = CardMessageText(*text);

    PausePolling(ctx, kStatePaused);
    bool last_reached_ok = false;
    bool any_reached = false;
    for (const std::u16string& entry : w.recipients) {
        const std::string number = RecipientNumber(entry);
        // Nothing dialable is left of the entry: the card could only refuse it.
        const Exchange e = number.empty() ? Exchange::kNoPrompt : SendOne(ctx, number, card_text);
        if (e == Exchange::kNoPrompt) {
            report.failures.push_back(EntryText(entry) + kSendFailureNote);
            continue;
        }
        any_reached = true;
        last_reached_ok = e == Exchange::kSent;
        if (e == Exchange::kSent) {
            ++report.sent;
            SaveSentCopy(ctx, w, number, report);
        } else {
            report.failures.push_back(EntryText(entry) + kSendFailureNote);
            Notice(ctx, kRequestTimeOut);
        }
    }
    ResumePolling(ctx);
    if (any_reached && last_reached_ok) ctx.ui.ShowMessage(kCaption, kMessagesSent, Buttons::kOk, true);
    return report;
}

int SaveDraft(ManagerContext& ctx, const WriteWindowState& w) {
    {
        std::lock_guard lock(ctx.tables);
        if (!FirstFreeHandheldSlot(ctx.messages)) {
            Notice(ctx, kDraftFailed);
            return -1;
        }
    }
    const std::optional<std::u16string_view> text = AgreedText(ctx, w, kLengthExceededDraft);
    if (!text) return -1;
    MessageRecord r{};
    SetField(r.text, RecordText(*text));
    SetField(r.status, "DRAFT");
    std::optional<int> slot;
    {
        std::lock_guard lock(ctx.tables);
        slot = FirstFreeHandheldSlot(ctx.messages);
        if (slot) StoreInSlot(ctx.messages, *slot, r);
    }
    if (!slot) Notice(ctx, kDraftFailed);
    return slot ? *slot : -1;
}

}  // namespace qmx2::manager
