// The integration harness of the manager's tests.
#include "tests/manager/manager_harness.h"

namespace qmx2::manager::testing {

std::vector<std::string> ScriptedUi::Shown() {
    std::lock_guard l(mu_);
    return shown_;
}

Answer ScriptedUi::ShowMessage(platform::WideView caption, platform::WideView text, Buttons buttons,
                               bool) {
    std::lock_guard l(mu_);
    shown_.push_back(platform::ToUtf8(caption) + "|" + platform::ToUtf8(text));
    if (!answers.empty()) {
        const Answer a = answers.front();
        answers.pop_front();
        return a;
    }
    return buttons == Buttons::kRetryCancel ? Answer::kCancel
           : buttons == Buttons::kYesNo     ? Answer::kNo
                                            : Answer::kOk;
}

bool ScriptedUi::ShowStartupNote() {
    ++notes;
    return note_checked;
}

platform::WideString ScriptedUi::MessageStatusLine() {
    std::lock_guard l(mu_);
    return status_line;
}

void ScriptedUi::SetMessageStatusLine(platform::WideView text) {
    std::lock_guard l(mu_);
    status_line = text;
}

bool ScriptedUi::EditContact(bool, ContactFields& fields, int, int) {
    if (edits.empty() || !edits.front()) {
        if (!edits.empty()) edits.pop_front();
        return false;
    }
    fields = *edits.front();
    edits.pop_front();
    return true;
}

std::optional<BookId> ScriptedUi::ChooseBook(bool, BookId current) {
    if (book_choices.empty()) return current;
    auto c = book_choices.front();
    book_choices.pop_front();
    return c;
}

bool ScriptedUi::PasteContact(const ContactFields&, ContactFields& fields, int, int) {
    paste_offers.push_back(fields);
    if (pastes.empty()) return true;
    auto p = pastes.front();
    pastes.pop_front();
    if (!p) return false;
    fields = *p;
    return true;
}

void ScriptedUi::OpenWriteWindow(const std::vector<std::string>& recipients) {
    write_window = true;
    written_to.push_back(recipients);
}

std::optional<std::string> MemoryFolder::Read(std::string_view name) {
    auto it = files.find(std::string(name));
    if (it == files.end()) return std::nullopt;
    return it->second;
}

bool MemoryFolder::WriteWhole(std::string_view name, std::string_view bytes) {
    if (failing.count(std::string(name))) return false;
    if (around_write) around_write();
    files[std::string(name)] = std::string(bytes);
    if (around_write) around_write();
    return true;
}

bool MemoryFolder::Copy(std::string_view from, std::string_view to) {
    auto it = files.find(std::string(from));
    if (it == files.end()) return false;
    files[std::string(to)] = it->second;
    return true;
}

Harness::Harness() : clock(platform::MakeVirtualClock()), card(*clock) {
    devices.Register(u"COM3:", &card);
    ctx = std::make_unique<ManagerContext>(
        ManagerServices{*clock, devices, registry, folder, ui, peers});
}

Harness::~Harness() { StopWorker(); }

void Harness::StopWorker() {
    ctx->stop_worker = true;
    worker.Join();
}

void Harness::RegisterCard(const std::u16string& pnp, const std::u16string& name) {
    registry.SetText(u"Drivers\\Active\\07", u"PnpId", pnp);
    registry.SetText(u"Drivers\\Active\\07", u"Name", name);
    registry.SetText(u"Drivers\\Active", u"Dummy", u"");
}

void Harness::UseCardPort(platform::StreamDriver& port) {
    devices.Unregister(u"COM3:");
    devices.Register(u"COM3:", &port);
    RegisterCard();
}

bool Harness::RunUntil(const std::function<bool()>& done, uint32_t limit_ms) {
    for (uint32_t waited = 0; waited < limit_ms; waited += 100) {
        if (done()) return true;
        clock->SleepMs(100);
    }
    return done();
}

}  // namespace qmx2::manager::testing
