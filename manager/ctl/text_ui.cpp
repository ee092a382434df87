// Messages and questions of the manager on a terminal.
#include "manager/ctl/text_ui.h"

#include <iostream>

#include "manager/core/startup_sequence.h"
#include "manager/ctl/terminal_text.h"
#include "manager/phonebook/contact_ops.h"

namespace qmx2::manager::ctl {

std::vector<std::string> TextUi::Messages() {
    std::lock_guard l(mu_);
    return messages_;
}

bool TextUi::Ask(const std::string& question, bool default_answer) {
    switch (options_.reply) {
    case Reply::kYes: return true;
    case Reply::kNo: return false;
    case Reply::kDefault: return default_answer;
    case Reply::kAsk: break;
    }
    std::fprintf(options_.out, "%s [y/n] ", question.c_str());
    std::fflush(options_.out);
    std::string line;
    if (!std::getline(std::cin, line)) return default_answer;
    return !line.empty() && (line[0] == 'y' || line[0] == 'Y');
}

Answer TextUi::ShowMessage(platform::WideView caption, platform::WideView text, Buttons buttons,
                           bool) {
    const std::string line = TerminalText(caption) + ": " + TerminalText(text, true);
    {
        std::lock_guard l(mu_);
        messages_.push_back(line);
    }
    std::fprintf(options_.out, "%s\n", line.c_str());
    switch (buttons) {
    case Buttons::kOk: return Answer::kOk;
    case Buttons::kYesNo: return Ask("Yes?", false) ? Answer::kYes : Answer::kNo;
    case Buttons::kRetryCancel: return Ask("Retry?", false) ? Answer::kRetry : Answer::kCancel;
    case Buttons::kOkCancel: return Ask("OK?", false) ? Answer::kOk : Answer::kCancel;
    }
    return Answer::kOk;
}

// A terminal cannot tick the note's box: it is taken as ticked, so that the note is shown once
// per handheld and not before every command's output.
bool TextUi::ShowStartupNote() {
    std::fprintf(options_.out, "%s: %s\n", kStartupNoteTitle,
                 platform::ToUtf8(kStartupNoteText).c_str());
    return true;
}

bool TextUi::EditContact(bool, ContactFields& fields, int, int) {
    if (!options_.contact) return false;
    // The dialog's boxes take no more than this; a longer value is refused rather than cut.
    if (options_.contact->name.size() > static_cast<std::size_t>(kDialogNameChars) ||
        options_.contact->number.size() > static_cast<std::size_t>(kDialogNumberChars)) {
        std::fprintf(options_.out, "qmx2ctl: --name takes at most %d characters and --number %d\n",
                     kDialogNameChars, kDialogNumberChars);
        return false;
    }
    if (!options_.contact->name.empty()) fields.name = options_.contact->name;
    if (!options_.contact->number.empty()) fields.number = options_.contact->number;
    return true;
}

std::optional<BookId> TextUi::ChooseBook(bool, BookId current) {
    return options_.target ? options_.target : std::optional<BookId>(current);
}

bool TextUi::PasteContact(const ContactFields& full, ContactFields& fields, int, int) {
    std::fprintf(options_.out, "Paste contact: %s\n  %s, %s -> %s, %s\n", kPasteNotice,
                 TerminalLatin1(full.name).c_str(), TerminalLatin1(full.number).c_str(),
                 TerminalLatin1(fields.name).c_str(), TerminalLatin1(fields.number).c_str());
    return Ask("Store the truncated contact?", true);
}

void TextUi::OpenWriteWindow(const std::vector<std::string>&) {}

}  // namespace qmx2::manager::ctl
