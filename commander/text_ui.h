// The commander's user interface for a run without a desktop: messages and notifications go to
// a log, codes come from the command line or, when none was given, from the terminal.
#pragma once

#include <functional>
#include <iosfwd>
#include <optional>
#include <string>

#include "commander/ui.h"

namespace qmx2::commander {

// Codes given up front. Each is offered once: a code the card refuses is not sent again, so a
// wrong option cannot use up the card's attempts.
struct HeadlessCodes {
    std::optional<std::string> pin;
    std::optional<std::string> pin2;
    std::optional<std::string> puk;
    std::optional<std::string> new_pin;
    std::optional<std::string> security_code;
    std::optional<std::string> other;  // network and phone lock codes
};

class TextUi : public CommanderUi {
public:
    // `in` may be null: then only the given codes are used and every other dialog is cancelled.
    TextUi(std::istream* in, std::ostream& log, HeadlessCodes codes)
        : in_(in), log_(log), codes_(std::move(codes)) {}

    // `in` is the terminal of the program's standard input: codes typed there are not shown.
    void HideTypedCodes(bool hide) { hide_typed_codes_ = hide; }

    MessageAnswer ShowMessage(const MessageRequest& request) override;
    void SetWaitCursor(bool) override {}
    void ShowMenuBar(bool) override {}
    bool RunCodeDialog(const CodeDialogText& text, platform::WideString* typed) override;
    bool RunPukDialog(const PukDialogText& text, PukFields* fields) override;
    bool RunChangeCodeDialog(ChangeCodeFields*) override { return false; }
    NetworkDialogAction NextNetworkAction(const NetworkDialogView&) override { return {}; }
    bool ShowAbout() override;
    void BringForward() override { Log("brought to the foreground by a second start"); }
    void PopupTrayMenu() override {}
    void TrayChanged() override {
        if (tray_listener_) tray_listener_();
    }
    void SetTrayListener(std::function<void()> listener) { tray_listener_ = std::move(listener); }

    void Log(const std::string& line);

private:
    std::optional<std::string> Ask(std::string_view prompt, std::optional<std::string>* given);

    std::istream* in_;
    std::ostream& log_;
    HeadlessCodes codes_;
    bool hide_typed_codes_ = false;
    std::function<void()> tray_listener_;
};

}  // namespace qmx2::commander
