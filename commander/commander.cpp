// The tray controller's start-up, window messages, notifications, menu-state thread and exit.
#include "commander/commander.h"

#include "commander/operator_table.h"
#include "common/data_call.h"
#include "platform/clock.h"

namespace qmx2::commander {
namespace {

constexpr int kManagedPositions[] = {kNetworkPosition, kSecurityPosition, kFirstSpeedGroup,
                                     kFirstSpeedGroup + 1, kFirstSpeedGroup + 2};
constexpr uint32_t kMenuStatePeriodMs = 500;
constexpr uint32_t kMenuStateJoinMs = 5000;
constexpr uint32_t kDeviceRemoveComplete = 0x8004;

}  // namespace

Commander::Commander(CommanderParts parts)
    : parts_(std::move(parts)), operator_names_{kOperatorTable, {}} {}

Commander::~Commander() {
    parts_.clock.Update([&] { stop_ = true; });
}

bool Commander::Start() {
    parts_.ui.SetWaitCursor(true);
    parts_.ui.ShowMenuBar(true);
    ReadSettingsIntoState();

    power_state_ = parts_.power.PowerState();
    menu_.Check(kCmdAutoPowerUp, auto_power_up_ != 0);
    if (power_state_ == kPoweredOn) {
        menu_.Check(kCmdPowerUp, true);
        if (!BringUpCard()) {
            parts_.host.EndCommander();
            return false;
        }
        SetCardImage(true);
    } else {
        menu_.Check(kCmdPowerUp, false);
        SetCardImage(false);
    }

    const bool thread = parts_.start_thread
                            ? parts_.start_thread(menu_state_thread_, [this] { MenuStateLoop(); })
                            : menu_state_thread_.Start(parts_.clock, [this] { MenuStateLoop(); });
    if (!thread) {
        parts_.ui.SetWaitCursor(false);
        parts_.ui.ShowMessage({"Unable to create thread!", kCommanderTitle, MessageOwner::kNone});
        parts_.host.EndCommander();
        return false;
    }
    icons_.card = true;
    parts_.ui.ShowMenuBar(false);
    ApplyRunAtEvent();
    menu_.MarkSpeed(selected_speed_);
    parts_.ui.SetWaitCursor(false);
    parts_.ui.TrayChanged();
    return true;
}

void Commander::ReadSettingsIntoState() {
    const CommanderSettings s = ReadSettings(parts_.registry);
    modem_command_ = s.modem_command;
    run_at_event_ = s.run_at_event;
    auto_power_up_ = s.auto_power_up;
    selected_speed_ = SpeedIndexOf(modem_command_);
}

bool Commander::BringUpCard() {
    CardSession session = Session();
    if (!WaitForFreePort(session, parts_.port)) return false;
    const std::optional<CardMarks> marks = InitialiseCard(session);
    if (!marks) return false;
    ApplyMarks(*marks);
    return true;
}

void Commander::ApplyMarks(const CardMarks& marks) {
    menu_.CheckRadio(kCmdPhoneLock, kCmdNoLock, marks.phone_lock ? kCmdPhoneLock : kCmdNoLock);
    menu_.CheckRadio(kCmdAutomatic, kCmdManual, marks.automatic_operator ? kCmdAutomatic : kCmdManual);
    menu_.Check(kCmdPinRequest, marks.pin_request);
}

void Commander::ApplyRunAtEvent() {
    parts_.host.ClearRunAtEvent(parts_.program_path);
    if (!run_at_event_) return;
    parts_.clock.SleepMs(500);
    parts_.host.RunAtDeviceChange(parts_.program_path);
}

void Commander::SelectSpeed(int index) {
    menu_.MarkSpeed(index);
    selected_speed_ = index;
}

void Commander::SetCardImage(bool powered) {
    icons_.card_powered = powered;
    parts_.ui.TrayChanged();
}

bool Commander::HandleMessage(uint32_t message, uint64_t wparam, int64_t lparam) {
    if (message >= kMsgFirstSpeed && message <= kMsgLastSpeed) {
        SelectSpeed(static_cast<int>(message - kMsgFirstSpeed));
        return true;
    }
    switch (message) {
        case kMsgOperatorAutomatic: menu_.CheckRadio(kCmdAutomatic, kCmdManual, kCmdAutomatic); break;
        case kMsgOperatorManual: menu_.CheckRadio(kCmdAutomatic, kCmdManual, kCmdManual); break;
        case kMsgPinRequestOn: menu_.Check(kCmdPinRequest, true); break;
        case kMsgPinRequestOff: menu_.Check(kCmdPinRequest, false); break;
        case kMsgPhoneLockOn: menu_.CheckRadio(kCmdPhoneLock, kCmdNoLock, kCmdPhoneLock); break;
        case kMsgPhoneLockOff: menu_.CheckRadio(kCmdPhoneLock, kCmdNoLock, kCmdNoLock); break;
        case kMsgPowerDown: PowerDownCard(); break;
        case kMsgMemoryFull:
            if (icons_.memory_full) {
                Notify(false, kMemoryFullCaption, kMemoryFullText);
            } else {
                icons_.memory_full = true;
                parts_.ui.TrayChanged();
                Notify(true, kMemoryFullCaption, kMemoryFullText);
            }
            break;
        case kMsgMemoryFree:
            icons_.memory_full = false;
            parts_.ui.TrayChanged();
            break;
        case kMsgNotify: Notify(true, kNewMessageCaption, kNewMessageText); break;
        case kMsgClearNotifications: parts_.notifications.MarkHandled(ManagerProgram()); break;
        case kMsgCommand: HandleCommand(static_cast<uint32_t>(wparam & 0xFFFF)); break;
        case kMsgTrayIcon:
            if (static_cast<uint32_t>(lparam) != kLeftButtonDown) break;
            if (wparam == kCardIcon) parts_.ui.PopupTrayMenu();
            if (wparam == kMemoryFullIcon)
                parts_.ui.ShowMessage({kMemoryFullText, kMemoryFullCaption, MessageOwner::kNone, true});
            break;
        case kMsgActivate: parts_.ui.BringForward(); break;
        case kMsgTimer:
            if (wparam == kCardWatchTimer) WatchCard();
            break;
        case kMsgDeviceChange:
            if (wparam == kDeviceRemoveComplete && !FindCardPort(parts_.registry))
                parts_.host.EndCommander();
            break;
        default:
            return false;
    }
    return true;
}

// A commander that missed the removal broadcast (or whose device manager died without sending
// it) must not stay behind without its card. Two looks in a row must find it gone, so that a
// device manager in the middle of a restart or a slow answer does not end it.
void Commander::WatchCard() {
    const bool gone = !FindCardPort(parts_.registry) || !parts_.host.DeviceHostRunning();
    card_missing_looks_ = gone ? card_missing_looks_ + 1 : 0;
    if (card_missing_looks_ == 2) parts_.host.EndCommander();
}

void Commander::Notify(bool sound, std::string_view title, std::string_view text) {
    const std::string program = ManagerProgram();
    parts_.notifications.MarkHandled(program);
    parts_.clock.SleepMs(10);
    platform::WallTime due = parts_.clock.LocalTime();
    due.year -= 1;  // due at once
    platform::UserNotification n{program, due, sound ? "\\Windows\\Alarm1.wav" : "", std::string(title),
                                 std::string(text)};
    if (!parts_.notifications.Raise(n))
        parts_.ui.ShowMessage({"CeSetUserNotification failed!", kCommanderTitle, MessageOwner::kNone});
}

void Commander::UpdateMenuState() {
    const bool manager = parts_.host.ManagerWindowExists();
    menu_.EnableCommand(kCmdCloseMonitor, manager);
    for (int p : kManagedPositions) menu_.EnablePosition(p, !manager);
    menu_.EnableCommand(kCmdOpenMonitor, true);
    if (power_state_ != kPoweredOn) {
        menu_.EnableCommand(kCmdOpenMonitor, false);
        menu_.EnableCommand(kCmdCloseMonitor, false);
        for (int p : kManagedPositions) menu_.EnablePosition(p, false);
    }
}

void Commander::MenuStateLoop() {
    for (;;) {
        UpdateMenuState();
        if (parts_.clock.WaitFor([&] { return stop_; }, kMenuStatePeriodMs)) return;
    }
}

void Commander::Exit() {
    parts_.clock.Update([&] { stop_ = true; });
    parts_.ui.ShowMenuBar(false);
    WriteRunAtEventFlag(parts_.registry, run_at_event_);
    parts_.host.CloseManager();
    parts_.notifications.MarkHandled(ManagerProgram());
    menu_state_thread_.Join(kMenuStateJoinMs);
    icons_.memory_full = false;
    icons_.card = false;
    parts_.ui.TrayChanged();
    parts_.ui.SetWaitCursor(false);
}

}  // namespace qmx2::commander
