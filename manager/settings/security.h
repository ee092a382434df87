// The "Security" page: phone lock ("security level") and PIN request read from the card, the two
// change dialogs, and changing the PIN, PIN2 and security code.
#pragma once

#include <string>

#include "manager/core/manager_context.h"

namespace qmx2::manager {

inline constexpr char kLevelPhone[] = "Phone";
inline constexpr char kLevelNone[] = "None";
inline constexpr char kStateOn[] = "On";
inline constexpr char kStateOff[] = "Off";
inline constexpr char kPortBusy[] = "Comm port busy";

inline constexpr char16_t kCannotChangeLevel[] = u"Cannot change security level!";
inline constexpr char16_t kCannotChangePinStatus[] = u"Cannot change PIN status!";
inline constexpr char16_t kCodesDiffer[] = u"New code does not match.";
inline constexpr char16_t kPinRequestOffForPin[] =
    u"You must set the PIN code request to on before changing the PIN code!";
inline constexpr char16_t kPinRequestOffForPin2[] =
    u"You must set the PIN code request to on before changing the PIN2 code!";
inline constexpr char16_t kCannotChangeCode[] = u"Cannot change code! Please check your old code.";
inline constexpr char16_t kPortBusyNotice[] = u"Comm port busy!";
inline constexpr int kSecurityTimeoutS = 10;
inline constexpr std::size_t kMaxCodeChars = 19;

struct SecurityFields {
    std::string level;        // "Phone", "None" or "Comm port busy"
    std::string pin_request;  // "On", "Off" or "Comm port busy"
};

// AT+CLCK="PS",2 and AT+CLCK="SC",2 under the pause.
SecurityFields ReadSecurityStates(ManagerContext& ctx);

// A code goes between quotes into a command. One holding a quote, a ';', or any control
// character (CR, LF, Ctrl-Z, ESC, ...) cannot be a code of the card and is refused: nothing is
// sent, and the dialog ends as the card's refusal would, rather than sending a changed code that
// would use up one of the SIM's attempts.
bool CodeIsSendable(std::u16string_view code);

// The two small dialogs. `current` is the page's field text; the selection starts at "None"
// ("Off") when it holds that word, else at "Phone" ("On").
struct ChoiceDialog {
    int selection = 0;  // 0 "None"/"Off", 1 "Phone"/"On"
    std::u16string password;
};
ChoiceDialog OpenSecurityLevelDialog(std::string_view current);
ChoiceDialog OpenPinRequestDialog(std::string_view current);
const char* LevelText(int selection);
const char* PinRequestText(int selection);
// OK: true when the card took the change (the page then shows the chosen text); false after
// the failure notice. Cancel sends nothing and needs no call.
bool SecurityLevelOk(ManagerContext& ctx, const ChoiceDialog& d);
bool PinRequestOk(ManagerContext& ctx, const ChoiceDialog& d);

enum class AccessCode { kPin = 0, kPin2 = 1, kSecurity = 2 };
struct AccessCodesDialog {
    AccessCode which = AccessCode::kPin;
    std::u16string old_code, new_code, confirm;  // each at most 8 characters in the dialog
};
// Choosing another code empties the three fields.
void ChooseAccessCode(AccessCodesDialog& d, AccessCode which);
bool AccessCodesOk(ManagerContext& ctx, const AccessCodesDialog& d);

}  // namespace qmx2::manager
