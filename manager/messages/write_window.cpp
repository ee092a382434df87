// Filling the write window from a stored message.
#include "manager/messages/write_window.h"

#include "manager/core/fixed_text.h"

namespace qmx2::manager {

std::u16string EditBoxText(std::string_view text) {
    std::u16string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += u"\r\n";
            continue;
        }
        out.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
    }
    return out;
}

std::optional<WriteWindowState> PrefillWriteWindow(int mode, const MessageRecord* record) {
    WriteWindowState w;
    if (mode == kWriteEmpty) return w;
    if (!record || mode < kWriteReply || mode > kWriteSendStored) return std::nullopt;
    if (mode == kWriteReply || mode == kWriteSendStored) {
        const std::string_view number = FieldText(record->number);
        if (!number.empty()) w.recipients.push_back(EditBoxText(number));
    }
    if (mode != kWriteReply) w.text = EditBoxText(FieldText(record->text));
    return w;
}

}  // namespace qmx2::manager
