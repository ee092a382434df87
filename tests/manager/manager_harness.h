// A whole manager on the virtual clock for integration tests: the card double registered as
// "COM3:" under "Drivers\Active", an in-memory registry and data folder, a scripted user
// interface that records every text and answers from queues, and the commander's window.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "manager/core/manager_context.h"
#include "platform/clock.h"
#include "platform/devices.h"
#include "platform/stream_driver.h"
#include "platform/sync.h"
#include "tests/manager/fake_card.h"
#include "tests/manager/fake_registry.h"

namespace qmx2::manager::testing {

class ScriptedUi : public ManagerUi {
public:
    // Every message box as "caption|text"; answers come from `answers` (default: OK, or
    // Cancel for Retry/Cancel, No for Yes/No).
    std::vector<std::string> Shown();
    std::deque<Answer> answers;
    bool note_checked = false;
    int notes = 0;
    bool message_window = false;
    std::u16string status_line;
    int refreshes = 0;
    int repaints = 0;
    bool wait_cursor = false;
    bool main_visible = false;
    bool icon = false;
    int child_closes = 0;
    std::deque<std::optional<ContactFields>> edits;
    std::deque<std::optional<BookId>> book_choices;
    std::deque<std::optional<ContactFields>> pastes;
    std::vector<ContactFields> paste_offers;
    bool write_window = false;
    std::vector<std::vector<std::string>> written_to;

    Answer ShowMessage(platform::WideView caption, platform::WideView text, Buttons buttons,
                       bool owned) override;
    bool ShowStartupNote() override;
    void SetWaitCursor(bool on) override { wait_cursor = on; }
    bool main_window_fails = false;  // the main window cannot be created
    bool ShowMainWindow(bool visible) override {
        if (main_window_fails) return false;
        main_visible = visible;
        return true;
    }
    void RepaintMain() override { ++repaints; }
    void SetNotificationIcon(bool present) override { icon = present; }
    void CloseChildWindows() override { ++child_closes; }
    bool MessageWindowOpen() override { return message_window; }
    platform::WideString MessageStatusLine() override;
    void SetMessageStatusLine(platform::WideView text) override;
    void RefreshMessageWindow() override { ++refreshes; }
    bool EditContact(bool editing, ContactFields& fields, int name_width, int number_width) override;
    std::optional<BookId> ChooseBook(bool move, BookId current) override;
    bool PasteContact(const ContactFields& full, ContactFields& fields, int name_width,
                      int number_width) override;
    bool WriteWindowOpen() override { return write_window; }
    void OpenWriteWindow(const std::vector<std::string>& recipients) override;

private:
    std::mutex mu_;
    std::vector<std::string> shown_;
};

class FakePeers : public PeerWindows {
public:
    bool commander = true;
    bool running_manager = false;
    std::vector<uint32_t> sent;
    bool CommanderPresent() override { return commander; }
    bool SendToCommander(uint32_t message) override {
        if (!commander) return false;
        sent.push_back(message);
        return true;
    }
    std::vector<uint32_t> posted;
    bool PostToCommander(uint32_t message) override {
        if (!commander) return false;
        posted.push_back(message);
        return true;
    }
    bool BringRunningManagerForward() override { return running_manager; }
};

class MemoryFolder : public DataFolder {
public:
    std::map<std::string, std::string> files;
    std::set<std::string> failing;  // writes to these fail and leave the file as it was
    std::function<void()> around_write;  // runs just before and just after every write
    bool EnsureExists() override { return true; }
    std::optional<std::string> Read(std::string_view name) override;
    bool WriteWhole(std::string_view name, std::string_view bytes) override;
    bool Copy(std::string_view from, std::string_view to) override;
    std::string DisplayPath(std::string_view name) override {
        return "\\Program Files\\QMX2\\" + std::string(name);
    }
};

struct Harness {
    Harness();
    ~Harness();

    // Registers the card's active-driver entry (PnpId with a suffix, as drivers write it).
    void RegisterCard(const std::u16string& pnp = u"Orvan_Mobile_Phones-Orvan_Pellion-4C2D",
                      const std::u16string& name = u"COM3:");
    // Puts `port` (an emulated card) at COM3: in place of the fake card, with the driver entry.
    void UseCardPort(platform::StreamDriver& port);
    // Runs the clock until `done` holds (checked at least every 100 ms of virtual time).
    bool RunUntil(const std::function<bool()>& done, uint32_t limit_ms = 600000);
    void StopWorker();

    std::unique_ptr<platform::VirtualClock> clock;
    platform::Devices devices;
    FakeRegistry registry;
    MemoryFolder folder;
    ScriptedUi ui;
    FakePeers peers;
    FakeCard card;
    std::unique_ptr<ManagerContext> ctx;
    platform::Thread worker;
};

}  // namespace qmx2::manager::testing
