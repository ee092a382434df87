// The headless user interface.
#include "commander/text_ui.h"

#include "platform/terminal.h"

#include <istream>
#include <ostream>

namespace qmx2::commander {
namespace {

std::string OneLine(std::string_view text) {
    std::string line;
    for (char c : text) line += (c == '\r' || c == '\n') ? ' ' : c;
    return line;
}

platform::WideString Widen(std::string_view s) {
    platform::WideString w;
    for (char c : s) w.push_back(static_cast<unsigned char>(c));
    return w;
}

}  // namespace

void TextUi::Log(const std::string& line) { log_ << "Qmx2Com: " << line << std::endl; }

MessageAnswer TextUi::ShowMessage(const MessageRequest& r) {
    Log((r.caption.empty() ? std::string() : "[" + std::string(r.caption) + "] ") + OneLine(r.text));
    if (r.buttons == MessageButtons::kOk) return MessageAnswer::kOk;
    if (!in_) return MessageAnswer::kCancel;
    Log("Retry or Cancel? [r/c]");
    std::string answer;
    if (!std::getline(*in_, answer)) return MessageAnswer::kCancel;
    return !answer.empty() && (answer[0] == 'r' || answer[0] == 'R') ? MessageAnswer::kRetry
                                                                      : MessageAnswer::kCancel;
}

std::optional<std::string> TextUi::Ask(std::string_view prompt, std::optional<std::string>* given) {
    if (given && *given) {
        std::optional<std::string> code = std::move(*given);
        given->reset();
        Log(std::string(prompt) + " (given)");
        return code;
    }
    if (!in_) return std::nullopt;
    Log(std::string(prompt));
    std::string line;
    {
        std::optional<platform::HiddenTyping> hidden;
        if (hide_typed_codes_) hidden.emplace();
        const bool read = static_cast<bool>(std::getline(*in_, line));
        if (hidden && hidden->active()) log_ << std::endl;  // the Enter was not shown either
        if (!read) return std::nullopt;
    }
    // A terminal in raw mode, or a file written elsewhere, ends the line with CR LF.
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

bool TextUi::RunCodeDialog(const CodeDialogText& text, platform::WideString* typed) {
    std::optional<std::string>* given = &codes_.other;
    if (text.kind == CodeKind::kSimPin) given = &codes_.pin;
    if (text.kind == CodeKind::kSimPin2) given = &codes_.pin2;
    if (text.kind == CodeKind::kSecurityCode) given = &codes_.security_code;
    const std::optional<std::string> code = Ask(text.prompt, given);
    if (!code) return false;
    *typed = Widen(*code);
    return true;
}

bool TextUi::RunPukDialog(const PukDialogText& text, PukFields* fields) {
    const std::optional<std::string> puk = Ask(text.puk_label, &codes_.puk);
    if (!puk) return false;
    const std::optional<std::string> pin = Ask(text.new_label, &codes_.new_pin);
    if (!pin) return false;
    fields->puk = Widen(*puk);
    fields->new_pin = fields->reenter_pin = Widen(*pin);
    return true;
}

bool TextUi::ShowAbout() {
    Log("QMX2 commander, the tray controller of the GSM card");
    return false;
}

}  // namespace qmx2::commander
