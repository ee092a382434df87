// The phone manager's user-interface boundary as text: messages are printed with their caption,
// questions are answered from the command line (--yes, --no) or asked on the terminal (--ask),
// and the contact dialogs take their fields from the command's options.
#pragma once

#include <cstdio>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "manager/core/manager_ui.h"

namespace qmx2::manager::ctl {

enum class Reply { kDefault, kYes, kNo, kAsk };

struct TextUiOptions {
    Reply reply = Reply::kDefault;
    std::optional<ContactFields> contact;  // --name/--number for "New Entry"/"Edit Entry"
    std::optional<BookId> target;          // --to for "Copy to..."/"Move to..."
    std::FILE* out = stderr;               // where messages go
};

class TextUi : public ManagerUi {
public:
    explicit TextUi(TextUiOptions options) : options_(std::move(options)) {}

    // Every message shown, as "caption: text" (also for --json output).
    std::vector<std::string> Messages();

    Answer ShowMessage(platform::WideView caption, platform::WideView text, Buttons buttons,
                       bool owned) override;
    bool ShowStartupNote() override;
    void SetWaitCursor(bool) override {}
    bool ShowMainWindow(bool) override { return true; }
    void RepaintMain() override {}
    void SetNotificationIcon(bool) override {}
    void CloseChildWindows() override {}
    bool MessageWindowOpen() override { return false; }
    platform::WideString MessageStatusLine() override { return {}; }
    void SetMessageStatusLine(platform::WideView) override {}
    void RefreshMessageWindow() override {}
    bool EditContact(bool editing, ContactFields& fields, int name_width, int number_width) override;
    std::optional<BookId> ChooseBook(bool move, BookId current) override;
    bool PasteContact(const ContactFields& full, ContactFields& fields, int name_width,
                      int number_width) override;
    bool WriteWindowOpen() override { return false; }
    void OpenWriteWindow(const std::vector<std::string>& recipients) override;

private:
    bool Ask(const std::string& question, bool default_answer);

    TextUiOptions options_;
    std::mutex mu_;
    std::vector<std::string> messages_;
};

}  // namespace qmx2::manager::ctl
