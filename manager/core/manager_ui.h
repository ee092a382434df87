// The phone manager's user-interface boundary: everything the logic shows to the person or asks
// of them. The window shells implement it with Qt, qmx2ctl with text on a terminal, tests with a
// script that answers prompts and records every text.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "manager/phonebook/phonebook_entry.h"
#include "platform/text.h"

namespace qmx2::manager {

// Every message box of the manager carries this caption and is brought to the foreground.
inline constexpr char16_t kCaption[] = u"Orvan Pellion 2.0";

enum class Buttons { kOk, kYesNo, kRetryCancel, kOkCancel };
enum class Answer { kOk, kYes, kNo, kRetry, kCancel };

// What the "New Entry"/"Edit Entry" and "Paste contact" dialogs edit (single-byte text).
struct ContactFields {
    std::string name;
    std::string number;
};

class ManagerUi {
public:
    virtual ~ManagerUi() = default;

    // A message box; `owned` says whether the main window owns it. May be called from the
    // polling worker ("New SMS arrived"), which then waits for the answer.
    virtual Answer ShowMessage(platform::WideView caption, platform::WideView text, Buttons buttons,
                               bool owned) = 0;
    // Dialog 110 "Important Note"; returns the state of "Do not show this message during
    // start-up" when the user closes it with OK.
    virtual bool ShowStartupNote() = 0;
    virtual void SetWaitCursor(bool on) = 0;

    // The main (monitor) window and the notification icon. The first show creates the window;
    // false when it could not be created (the program then ends).
    virtual bool ShowMainWindow(bool visible) = 0;
    virtual void RepaintMain() = 0;
    virtual void SetNotificationIcon(bool present) = 0;
    // Sends the close message to the message, write and contact windows.
    virtual void CloseChildWindows() = 0;

    // The message window, when it is open.
    virtual bool MessageWindowOpen() = 0;
    virtual platform::WideString MessageStatusLine() = 0;
    virtual void SetMessageStatusLine(platform::WideView text) = 0;
    // The focus message: the window rebuilds its current folder.
    virtual void RefreshMessageWindow() = 0;

    // "New Entry" (editing false) or "Edit Entry": false on Cancel.
    virtual bool EditContact(bool editing, ContactFields& fields, int name_width,
                             int number_width) = 0;
    // "Copy to..." / "Move to...": the chosen book, nothing on Cancel. `current` is the book
    // the memory selector shows, which OK without a choice keeps.
    virtual std::optional<BookId> ChooseBook(bool move, BookId current) = 0;
    // "Paste contact": `fields` holds the entry cut to the widths; false on Cancel.
    virtual bool PasteContact(const ContactFields& full, ContactFields& fields, int name_width,
                              int number_width) = 0;
    // The write window: brought to the front when open (false), else opened with recipients.
    virtual bool WriteWindowOpen() = 0;
    virtual void OpenWriteWindow(const std::vector<std::string>& recipients) = 0;
};

// The other programs' windows the manager talks to.
class PeerWindows {
public:
    virtual ~PeerWindows() = default;
    // The commander's window, class "Qmx2Com", title "QMX2 commander".
    virtual bool CommanderPresent() = 0;
    // Sends one message (wParam and lParam 0) and waits for the answer; false when absent.
    virtual bool SendToCommander(uint32_t message) = 0;
    // Queues one message for the commander (wParam and lParam 0) and returns at once.
    virtual bool PostToCommander(uint32_t message) = 0;
    // A running manager's window, class "QMXManager" with the program's title: brought forward.
    virtual bool BringRunningManagerForward() = 0;
};

// Window messages to the commander.
inline constexpr uint32_t kMsgPinRequestOn = 7025;
inline constexpr uint32_t kMsgPinRequestOff = 7026;
inline constexpr uint32_t kMsgPhoneLockOn = 7027;
inline constexpr uint32_t kMsgPhoneLockOff = 7028;
inline constexpr uint32_t kMsgOperatorAuto = 6025;
inline constexpr uint32_t kMsgOperatorManual = 6026;
inline constexpr uint32_t kMsgPowerDown = 8025;

}  // namespace qmx2::manager
