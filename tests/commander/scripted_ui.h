// A user double for the commander's tests: answers dialogs from queues and records every text
// it is shown, word for word, in one log.
#pragma once

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "commander/ui.h"

namespace qmx2::commander::testing {

class ScriptedUi : public CommanderUi {
public:
    // Queued answers; an empty queue means Cancel (or OK for plain messages).
    std::deque<MessageAnswer> message_answers;
    std::deque<std::optional<platform::WideString>> codes;
    std::deque<std::optional<PukFields>> puks;
    std::deque<std::optional<ChangeCodeFields>> changes;
    std::deque<NetworkDialogAction> network_actions;

    std::vector<std::string> log;       // "message:<caption>:<text>", "code:<caption>", ...
    std::vector<std::string> messages;  // just the texts of message boxes
    struct Shown {
        std::string text, caption;
        MessageOwner owner;
        bool foreground;
        MessageButtons buttons;
    };
    std::vector<Shown> shown;
    std::vector<bool> select_enabled_seen;
    std::vector<size_t> list_sizes_seen;
    bool wait_cursor = false;
    bool menu_bar = false;
    int abouts = 0;
    bool about_asks_help = false;
    int brought_forward = 0;
    int popups = 0;
    int tray_changes = 0;
    PukDialogText last_puk_text{};
    CodeDialogText last_code_text{};

    MessageAnswer ShowMessage(const MessageRequest& r) override {
        log.push_back("message:" + std::string(r.caption) + ":" + std::string(r.text));
        messages.emplace_back(r.text);
        shown.push_back({std::string(r.text), std::string(r.caption), r.owner, r.foreground,
                         r.buttons});
        if (r.buttons == MessageButtons::kOk) return MessageAnswer::kOk;
        if (message_answers.empty()) return MessageAnswer::kCancel;
        MessageAnswer a = message_answers.front();
        message_answers.pop_front();
        return a;
    }
    void SetWaitCursor(bool shown) override { wait_cursor = shown; }
    void ShowMenuBar(bool shown) override {
        menu_bar = shown;
        log.push_back(shown ? "menubar:show" : "menubar:hide");
    }
    bool RunCodeDialog(const CodeDialogText& text, platform::WideString* typed) override {
        log.push_back("code:" + std::string(text.caption) + ":" + std::string(text.prompt) +
                      (wait_cursor ? ":wait" : ""));
        last_code_text = text;
        if (codes.empty()) return false;
        std::optional<platform::WideString> c = codes.front();
        codes.pop_front();
        if (!c) return false;
        *typed = *c;
        return true;
    }
    bool RunPukDialog(const PukDialogText& text, PukFields* fields) override {
        log.push_back("puk:" + std::string(text.caption) + ":" + std::string(text.puk_label));
        last_puk_text = text;
        seen_puk_fields.push_back(*fields);
        if (puks.empty()) return false;
        std::optional<PukFields> p = puks.front();
        puks.pop_front();
        if (!p) return false;
        *fields = *p;
        return true;
    }
    bool RunChangeCodeDialog(ChangeCodeFields* fields) override {
        log.push_back("change");
        if (changes.empty()) return false;
        std::optional<ChangeCodeFields> c = changes.front();
        changes.pop_front();
        if (!c) return false;
        *fields = *c;
        return true;
    }
    NetworkDialogAction NextNetworkAction(const NetworkDialogView& view) override {
        select_enabled_seen.push_back(view.select_enabled);
        list_sizes_seen.push_back(view.entries.size());
        last_network_entries = view.entries;
        if (network_actions.empty()) return {NetworkDialogAction::kCancel};
        NetworkDialogAction a = network_actions.front();
        network_actions.pop_front();
        return a;
    }
    bool ShowAbout() override {
        ++abouts;
        return about_asks_help;
    }
    void BringForward() override { ++brought_forward; }
    void PopupTrayMenu() override { ++popups; }
    void TrayChanged() override { ++tray_changes; }

    std::vector<PukFields> seen_puk_fields;
    std::vector<NetworkEntry> last_network_entries;
};

inline platform::WideString W(std::string_view s) { return platform::WideString(s.begin(), s.end()); }

}  // namespace qmx2::commander::testing
