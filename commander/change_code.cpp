// The change-code dialog opened from "Change Pin code": PIN, PIN2 or security code.
#include "commander/card_init.h"

namespace qmx2::commander {
namespace {

constexpr std::string_view kCannotChange = "Cannot change code! Please check your old code.";

std::string_view PrefixFor(ChangeCodeChoice choice) {
    switch (choice) {
        case ChangeCodeChoice::kPin2: return "AT+CPWD=\"P2\",\"";
        case ChangeCodeChoice::kSecurityCode: return "AT+CPWD=\"PS\",\"";
        default: return "AT+CPWD=\"SC\",\"";
    }
}

void Say(CardSession& s, std::string_view text, MessageOwner owner) {
    s.ui.SetWaitCursor(false);
    s.ui.ShowMessage({text, kCommanderTitle, owner});
}

}  // namespace

void ChangeAccessCode(CardSession& s) {
    ChangeCodeFields fields;
    for (;;) {
        if (!s.ui.RunChangeCodeDialog(&fields)) return;
        if (fields.new_code != fields.reenter_code) {
            Say(s, "PIN not matched.", MessageOwner::kNone);
            continue;
        }
        s.ui.SetWaitCursor(true);
        if (fields.choice != ChangeCodeChoice::kSecurityCode &&
            !Holds(s.at.Send("AT+CLCK=\"SC\",2", "+CLCK", 10), "+CLCK: 1")) {
            Say(s, "You must set the PIN code request to on before changing the PIN code!",
                MessageOwner::kDialog);
            return;
        }
        const std::string old_code = TakeCode(fields.old_code);
        const std::string new_code = TakeCode(fields.new_code);
        if (IsSendableCode(old_code) && IsSendableCode(new_code)) {
            const std::string command =
                std::string(PrefixFor(fields.choice)) + old_code + "\",\"" + new_code + "\"";
            // The final result line, not any "OK": an old code "OK" is echoed with the command.
            if (Holds(s.at.Send(command, "+CPWD", 10), "\r\nOK\r\n")) {
                s.ui.SetWaitCursor(false);
                return;
            }
        }
        Say(s, kCannotChange, MessageOwner::kDialog);
    }
}

}  // namespace qmx2::commander
