// The tray controller: start-up, the tray menu's commands, the messages of other programs, the
// card's power, notifications and the exit sequence. Its methods run on the window thread; the
// menu-state thread it starts only enables and grays menu entries.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "commander/card_driver.h"
#include "commander/card_init.h"
#include "commander/host.h"
#include "commander/settings.h"
#include "commander/tray_menu.h"
#include "common/operator_names.h"
#include "platform/sync.h"

namespace qmx2::platform {
class Registry;
}

namespace qmx2::commander {

// Window messages the commander answers.
inline constexpr uint32_t kMsgTrayIcon = 3025;
inline constexpr uint32_t kMsgMemoryFull = 4025;
inline constexpr uint32_t kMsgMemoryFree = 4026;
inline constexpr uint32_t kMsgNotify = 4027;
inline constexpr uint32_t kMsgClearNotifications = 4028;

inline constexpr std::string_view kMemoryFullCaption = "SMS memory full!";
inline constexpr std::string_view kMemoryFullText =
    "Please remove some short messages from SIM, otherwise any new short message can not be received.";
// What the desktop shows for 4027, which the phone manager raises for a new short message.
inline constexpr std::string_view kNewMessageCaption = "QMX2";
inline constexpr std::string_view kNewMessageText = "A new short message has arrived.";
inline constexpr uint32_t kMsgFirstSpeed = 5025;
inline constexpr uint32_t kMsgLastSpeed = 5039;
inline constexpr uint32_t kMsgOperatorAutomatic = 6025;
inline constexpr uint32_t kMsgOperatorManual = 6026;
inline constexpr uint32_t kMsgPinRequestOn = 7025;
inline constexpr uint32_t kMsgPinRequestOff = 7026;
inline constexpr uint32_t kMsgPhoneLockOn = 7027;
inline constexpr uint32_t kMsgPhoneLockOff = 7028;
inline constexpr uint32_t kMsgPowerDown = 8025;
inline constexpr uint32_t kMsgCommand = 0x0111;       // WM_COMMAND, command in the low word
inline constexpr uint32_t kMsgDeviceChange = 0x0219;  // WM_DEVICECHANGE
inline constexpr uint32_t kLeftButtonDown = 0x0201;
inline constexpr uint32_t kMsgActivate = 0x0006;      // WM_ACTIVATE: a second start gave way
inline constexpr uint32_t kMsgTimer = 0x0113;         // WM_TIMER
inline constexpr uint64_t kCardWatchTimer = 1;        // looks for the card now and then

inline constexpr uint32_t kCardIcon = 5000;
inline constexpr uint32_t kMemoryFullIcon = 5001;

// Everything the commander talks to; all outlive it.
struct CommanderParts {
    platform::Clock& clock;
    platform::Registry& registry;
    CommanderUi& ui;
    CardChannel& card;
    CardPower& power;
    PortProbe& port;
    CommanderHost& host;
    UserNotifications& notifications;
    std::string program_folder;  // without a trailing "\"
    std::string program_path;    // the commander's own program, for run-at-event
    // Starts the menu-state thread; false when it cannot be created. Empty: a platform thread.
    std::function<bool(platform::Thread&, std::function<void()>)> start_thread = {};
};

struct TrayIcons {
    bool card = false;          // 5000
    bool card_powered = false;  // which image the card icon shows
    bool memory_full = false;   // 5001
};

class Commander {
public:
    explicit Commander(CommanderParts parts);
    ~Commander();
    Commander(const Commander&) = delete;
    Commander& operator=(const Commander&) = delete;

    // The window's creation. false when the commander has asked its window to go (a failed
    // initialisation): the caller lets the posted WM_DESTROY end it.
    bool Start();
    // A message from the shell or another program. false for a number it does not answer.
    bool HandleMessage(uint32_t message, uint64_t wparam, int64_t lparam);
    void HandleCommand(uint32_t command);
    // WM_DESTROY: stops the menu-state thread, saves the flag, closes the phone manager,
    // removes the icons. The caller then ends the message loop.
    void Exit();

    // One pass of the menu-state thread's rules.
    void UpdateMenuState();

    const TrayMenu& menu() const { return menu_; }
    TrayIcons icons() const { return icons_; }
    int power_state() const { return power_state_; }
    const std::string& modem_command() const { return modem_command_; }
    int selected_speed() const { return selected_speed_; }
    bool run_at_event() const { return run_at_event_; }

private:
    CardSession Session() { return {parts_.clock, parts_.ui, parts_.card}; }
    std::string ManagerProgram() const { return parts_.program_folder + "\\Qmx2PPC.exe"; }
    void ReadSettingsIntoState();
    bool BringUpCard();  // free port and initialisation; marks set on success
    void ApplyMarks(const CardMarks& marks);
    void ApplyRunAtEvent();
    void SelectSpeed(int index);
    void SetCardImage(bool powered);
    void TogglePower();
    void PowerDownCard();
    void Notify(bool sound, std::string_view title, std::string_view text);
    void SetPinRequest();
    void SetPhoneLock(uint32_t command);
    void SelectAutomaticOperator();
    void MenuStateLoop();
    void WatchCard();

    CommanderParts parts_;
    TrayMenu menu_;
    TrayIcons icons_;
    std::atomic<int> power_state_{kPowerUnknown};
    uint32_t auto_power_up_ = 0;
    bool run_at_event_ = false;
    std::string modem_command_{kDefaultModemCommand};
    int selected_speed_ = -1;
    int card_missing_looks_ = 0;
    common::OperatorLookup operator_names_;
    bool stop_ = false;  // the menu-state thread's stop flag, under the clock's lock
    platform::Thread menu_state_thread_;
};

}  // namespace qmx2::commander
