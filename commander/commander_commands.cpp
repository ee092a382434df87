// The tray menu's commands and the card's power.
#include "commander/commander.h"

#include "commander/network_dialog.h"

namespace qmx2::commander {
namespace {

constexpr std::string_view kOk = "\r\nOK\r\n";

std::string LockCommand(std::string_view facility, int mode, std::string_view code) {
    return "AT+CLCK=\"" + std::string(facility) + "\"," + std::to_string(mode) + ",\"" +
           std::string(code) + "\",7";
}

}  // namespace

void Commander::HandleCommand(uint32_t command) {
    if (command >= kCmdFirstSpeed && command <= kCmdLastSpeed) {
        const int index = static_cast<int>(command - kCmdFirstSpeed);
        modem_command_ = std::string(SpeedCommand(index));
        SelectSpeed(index);
        StoreSpeed(parts_.registry, index);
        return;
    }
    switch (command) {
        case kCmdAutomatic: SelectAutomaticOperator(); break;
        case kCmdManual: {
            CardSession session = Session();
            if (RunNetworkSelection(session, operator_names_))
                menu_.CheckRadio(kCmdAutomatic, kCmdManual, kCmdManual);
            break;
        }
        case kCmdChangePin: {
            parts_.ui.ShowMenuBar(true);
            CardSession session = Session();
            ChangeAccessCode(session);
            parts_.ui.ShowMenuBar(false);
            break;
        }
        case kCmdPinRequest: SetPinRequest(); break;
        case kCmdPhoneLock:
        case kCmdNoLock: SetPhoneLock(command); break;
        case kCmdAbout:
            if (parts_.ui.ShowAbout() && !parts_.host.StartProgram("peghelp.exe", "qmx2.htc"))
                parts_.ui.ShowMessage({"The help viewer \"peghelp.exe\" cannot be started.",
                                       kCommanderTitle, MessageOwner::kCommanderWindow});
            break;
        case kCmdOpenMonitor:
            if (!parts_.host.StartProgram(ManagerProgram()))
                parts_.ui.ShowMessage({"The executable file not found, cannot open monitor.", "",
                                       MessageOwner::kNone});
            break;
        case kCmdCloseMonitor: parts_.host.CloseManager(); break;
        case kCmdPowerUp: TogglePower(); break;
        case kCmdAutoPowerUp:
            auto_power_up_ = auto_power_up_ ? 0 : 1;
            menu_.Check(kCmdAutoPowerUp, auto_power_up_ != 0);
            WriteAutoPowerUp(parts_.registry, auto_power_up_);
            break;
        case kCmdToggleRunAtEvent:
            run_at_event_ = !run_at_event_;
            ApplyRunAtEvent();
            break;
        case kCmdExit:
        case kCmdShellOk: parts_.host.EndCommander(); break;
        default: break;
    }
}

void Commander::SelectAutomaticOperator() {
    if (menu_.IsChecked(kCmdAutomatic)) {
        menu_.CheckRadio(kCmdAutomatic, kCmdManual, kCmdAutomatic);
        return;
    }
    parts_.ui.SetWaitCursor(true);
    const bool accepted = Holds(parts_.card.Send("AT+COPS=0", kOk, 30), kOk);
    parts_.ui.SetWaitCursor(false);
    if (accepted) menu_.CheckRadio(kCmdAutomatic, kCmdManual, kCmdAutomatic);
}

void Commander::SetPinRequest() {
    parts_.ui.ShowMenuBar(true);
    CardSession session = Session();
    if (const std::optional<std::string> code = AskForCode(session, CodeKind::kSimPin)) {
        const bool was_on = menu_.IsChecked(kCmdPinRequest);
        menu_.Check(kCmdPinRequest, false);
        bool accepted = false;
        if (IsSendableCode(*code)) {
            parts_.ui.SetWaitCursor(true);
            accepted = Holds(parts_.card.Send(LockCommand("SC", was_on ? 0 : 1, *code), "+CLCK", 10), kOk);
            parts_.ui.SetWaitCursor(false);
        }
        menu_.Check(kCmdPinRequest, accepted ? !was_on : was_on);
        if (!accepted)
            parts_.ui.ShowMessage({"Cannot change PIN status!", kCommanderTitle,
                                   MessageOwner::kCommanderWindow});
    }
    parts_.ui.ShowMenuBar(false);
}

void Commander::SetPhoneLock(uint32_t command) {
    parts_.ui.ShowMenuBar(true);
    if (menu_.IsChecked(command)) {
        menu_.CheckRadio(kCmdPhoneLock, kCmdNoLock, command);
    } else {
        CardSession session = Session();
        if (const std::optional<std::string> code = AskForCode(session, CodeKind::kSecurityCode)) {
            bool accepted = false;
            if (IsSendableCode(*code)) {
                parts_.ui.SetWaitCursor(true);
                const int mode = command == kCmdPhoneLock ? 1 : 0;
                accepted = Holds(parts_.card.Send(LockCommand("PS", mode, *code), kOk, 5), kOk);
            }
            if (accepted)
                menu_.CheckRadio(kCmdPhoneLock, kCmdNoLock, command);
            else
                TellUser(session, "Code validation failed.");
            parts_.ui.SetWaitCursor(false);
        }
    }
    parts_.ui.ShowMenuBar(false);
}

void Commander::PowerDownCard() {
    parts_.host.CloseManager();
    if (!parts_.power.PowerDown()) return;
    power_state_ = kPoweredOff;
    menu_.Check(kCmdPowerUp, false);
    SetCardImage(false);
}

void Commander::TogglePower() {
    const int state = parts_.power.PowerState();
    if (state == kPoweredOn) {
        PowerDownCard();
        return;
    }
    if (state != kPoweredOff) return;
    parts_.ui.SetWaitCursor(true);
    const bool powered = parts_.power.PowerUp();
    if (powered) {
        power_state_ = kPoweredOn;
        ReadSettingsIntoState();
        CardSession session = Session();
        const bool port_free = WaitForFreePort(session, parts_.port);
        parts_.ui.ShowMenuBar(true);
        const std::optional<CardMarks> marks =
            port_free ? InitialiseCard(session) : std::optional<CardMarks>();
        if (!marks) {
            parts_.host.EndCommander();
            return;
        }
        ApplyMarks(*marks);
        parts_.ui.ShowMenuBar(false);
        ApplyRunAtEvent();
        menu_.MarkSpeed(selected_speed_);
        menu_.Check(kCmdPowerUp, true);
    }
    parts_.ui.SetWaitCursor(false);
    if (powered) SetCardImage(true);
}

}  // namespace qmx2::commander
