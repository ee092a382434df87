// The boundary between the commander's logic and the person: message boxes, the code dialogs,
// the network selection dialog, the wait cursor, the menu bar and the tray. The Qt shell, the
// terminal of a headless run and the scripted double of the tests implement it.
//
// Dialogs that validate their input keep running in the logic: the logic calls the dialog
// again with the contents the user left in it, which is what "the dialog stays open" means.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "commander/access_code.h"
#include "platform/text.h"

namespace qmx2::commander {

inline constexpr std::string_view kCommanderTitle = "QMX2 commander";

enum class MessageOwner { kNone, kCommanderWindow, kDialog };
enum class MessageButtons { kOk, kRetryCancel };
enum class MessageAnswer { kOk, kRetry, kCancel };

struct MessageRequest {
    std::string_view text;
    std::string_view caption;
    MessageOwner owner = MessageOwner::kNone;
    bool foreground = false;
    MessageButtons buttons = MessageButtons::kOk;
};

// The three boxes of the PUK entry dialog, as typed.
struct PukFields {
    platform::WideString puk;
    platform::WideString new_pin;
    platform::WideString reenter_pin;
};

struct PukDialogText {
    std::string_view caption;     // "Enter PUK code" or "Enter PUK2 code"
    std::string_view puk_label;   // "Please enter PUK code:" or "Please enter PUK2 code:"
    std::string_view new_label;   // "Please enter new SIM PIN:"
    std::string_view again_label; // "Please re-enter SIM PIN:"
};

enum class ChangeCodeChoice { kPin = 0, kPin2 = 1, kSecurityCode = 2 };

struct ChangeCodeFields {
    ChangeCodeChoice choice = ChangeCodeChoice::kPin;
    platform::WideString old_code;
    platform::WideString new_code;
    platform::WideString reenter_code;
};

struct NetworkEntry {
    std::string name;
    int code = 0;  // the entry's data: the operator code's number
};

struct NetworkDialogView {
    const std::vector<NetworkEntry>& entries;
    int selected;  // -1: none
    bool select_enabled;
};

struct NetworkDialogAction {
    enum Kind { kPick, kSearch, kSelect, kCancel } kind = kCancel;
    int index = -1;  // kPick: the list entry picked
};

class CommanderUi {
public:
    virtual ~CommanderUi() = default;

    virtual MessageAnswer ShowMessage(const MessageRequest& request) = 0;
    virtual void SetWaitCursor(bool shown) = 0;
    virtual void ShowMenuBar(bool shown) = 0;

    // true for OK with *typed filled in; anything else counts as Cancel.
    virtual bool RunCodeDialog(const CodeDialogText& text, platform::WideString* typed) = 0;
    // *fields holds what the boxes show when the dialog opens; true for OK.
    virtual bool RunPukDialog(const PukDialogText& text, PukFields* fields) = 0;
    virtual bool RunChangeCodeDialog(ChangeCodeFields* fields) = 0;
    // One command of the network selection dialog.
    virtual NetworkDialogAction NextNetworkAction(const NetworkDialogView& view) = 0;
    // The network selection dialog has ended (registered or cancelled).
    virtual void EndNetworkDialog() {}

    // The about box; true when the person asked for its help topic.
    virtual bool ShowAbout() = 0;
    // The tray popup asked for by a click on the card icon.
    virtual void PopupTrayMenu() = 0;
    // Icons or menu marks changed; a shell repaints.
    virtual void TrayChanged() {}
    // A second commander gave way to this one: bring the window to the foreground.
    virtual void BringForward() {}
};

}  // namespace qmx2::commander
