// Calls on the user-interface boundary moved to the GUI thread.
#include "manager/core/gui_thread_ui.h"

namespace qmx2::manager {
namespace {

Answer CautiousAnswer(Buttons buttons) {
    switch (buttons) {
    case Buttons::kOk: return Answer::kOk;
    case Buttons::kYesNo: return Answer::kNo;
    case Buttons::kRetryCancel:
    case Buttons::kOkCancel: return Answer::kCancel;
    }
    return Answer::kCancel;
}

}  // namespace

void GuiThreadUi::Shutdown() {
    std::lock_guard lock(mu_);
    shut_ = true;
    done_.notify_all();
}

bool GuiThreadUi::RunAndWait(const std::function<void()>& call) {
    if (gui_.OnGuiThread()) {
        call();
        return true;
    }
    // Shared with the queued task, which may outlive a caller released by Shutdown.
    struct Pending {
        bool started = false;  // once the call runs, the caller waits for its end whatever happens
        bool ran = false;
        bool skipped = false;
    };
    auto pending = std::make_shared<Pending>();
    {
        std::lock_guard lock(mu_);
        if (shut_) return false;
    }
    const bool queued = gui_.Queue([this, pending, call] {
        {
            std::lock_guard lock(mu_);
            if (shut_) {
                pending->skipped = true;
                done_.notify_all();
                return;
            }
            pending->started = true;
        }
        call();
        std::lock_guard lock(mu_);
        pending->ran = true;
        done_.notify_all();
    });
    if (!queued) return false;
    std::unique_lock lock(mu_);
    done_.wait(lock, [&] {
        return pending->ran || pending->skipped || (shut_ && !pending->started);
    });
    return pending->ran;
}

void GuiThreadUi::Post(std::function<void()> call) {
    if (gui_.OnGuiThread()) return call();
    {
        std::lock_guard lock(mu_);
        if (shut_) return;
    }
    gui_.Queue(std::move(call));
}

Answer GuiThreadUi::ShowMessage(platform::WideView caption, platform::WideView text,
                                Buttons buttons, bool owned) {
    Answer answer = CautiousAnswer(buttons);
    const platform::WideString c(caption), t(text);
    RunAndWait([&] { answer = windows_.ShowMessage(c, t, buttons, owned); });
    return answer;
}

bool GuiThreadUi::ShowStartupNote() {
    bool checked = false;
    RunAndWait([&] { checked = windows_.ShowStartupNote(); });
    return checked;
}

void GuiThreadUi::SetWaitCursor(bool on) {
    Post([this, on] { windows_.SetWaitCursor(on); });
}

bool GuiThreadUi::ShowMainWindow(bool visible) {
    bool ok = false;
    RunAndWait([&] { ok = windows_.ShowMainWindow(visible); });
    return ok;
}

void GuiThreadUi::RepaintMain() {
    Post([this] { windows_.RepaintMain(); });
}

void GuiThreadUi::SetNotificationIcon(bool present) {
    Post([this, present] { windows_.SetNotificationIcon(present); });
}

void GuiThreadUi::CloseChildWindows() {
    RunAndWait([&] { windows_.CloseChildWindows(); });
}

bool GuiThreadUi::MessageWindowOpen() {
    bool open = false;
    RunAndWait([&] { open = windows_.MessageWindowOpen(); });
    return open;
}

platform::WideString GuiThreadUi::MessageStatusLine() {
    platform::WideString text;
    RunAndWait([&] { text = windows_.MessageStatusLine(); });
    return text;
}

void GuiThreadUi::SetMessageStatusLine(platform::WideView text) {
    Post([this, t = platform::WideString(text)] { windows_.SetMessageStatusLine(t); });
}

void GuiThreadUi::RefreshMessageWindow() {
    Post([this] { windows_.RefreshMessageWindow(); });
}

bool GuiThreadUi::EditContact(bool editing, ContactFields& fields, int name_width,
                              int number_width) {
    bool ok = false;
    RunAndWait([&] { ok = windows_.EditContact(editing, fields, name_width, number_width); });
    return ok;
}

std::optional<BookId> GuiThreadUi::ChooseBook(bool move, BookId current) {
    std::optional<BookId> book;
    RunAndWait([&] { book = windows_.ChooseBook(move, current); });
    return book;
}

bool GuiThreadUi::PasteContact(const ContactFields& full, ContactFields& fields, int name_width,
                               int number_width) {
    bool ok = false;
    RunAndWait([&] { ok = windows_.PasteContact(full, fields, name_width, number_width); });
    return ok;
}

bool GuiThreadUi::WriteWindowOpen() {
    bool open = false;
    RunAndWait([&] { open = windows_.WriteWindowOpen(); });
    return open;
}

void GuiThreadUi::OpenWriteWindow(const std::vector<std::string>& recipients) {
    RunAndWait([&] { windows_.OpenWriteWindow(recipients); });
}

}  // namespace qmx2::manager
