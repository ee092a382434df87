// Sending the write window's text to each of its recipients, keeping sent copies, and saving
// drafts.
#pragma once

#include <string>
#include <vector>

#include "manager/core/manager_context.h"
#include "manager/messages/write_window.h"

namespace qmx2::manager {

inline constexpr char16_t kLengthExceededSend[] =
    u"Short message length exceeded, only first 160 characters will be sent.";
inline constexpr char16_t kLengthExceededDraft[] =
    u"Short message length exceeded, only first 160 characters will be save.";
inline constexpr char16_t kRequestTimeOut[] = u"Comm failure - Request time out.";
inline constexpr char16_t kMessagesSent[] = u"Message(s) sent.";
inline constexpr char16_t kSentCopyFailed[] =
    u"Fail to save short message into sent messages folder!";
inline constexpr char16_t kDraftFailed[] = u"Fail to save short message into draft folder!";
inline constexpr char kSendFailureNote[] = " - send message failure.";

inline constexpr int kPromptTimeoutS = 10;
inline constexpr int kTextTimeoutS = 50;

struct SendReport {
    bool cancelled = false;  // the length question was answered Cancel, or nothing to send to
    int sent = 0;
    // "<entry> - send message failure." (UTF-8) for each recipient whose text was not taken;
    // entries the card gave no prompt for are listed as well, with the same note.
    std::vector<std::string> failures;
    std::vector<int> sent_copies;  // table positions of the sent copies
};

// "Send": the recipient list and the text stay as they were (only a "To" entry moves into the
// list), whatever the card answers.
SendReport SendMessage(ManagerContext& ctx, WriteWindowState& window);

// "Save to Draft": the table position of the draft, or -1 when nothing was saved.
int SaveDraft(ManagerContext& ctx, const WriteWindowState& window);

}  // namespace qmx2::manager
