// The tray menu as data: its entries, their check and radio marks and their enabled state, so
// that the logic, the menu-state thread, a shell that draws it and the tests share one model.
// The window thread changes marks; the menu-state thread changes enabled states; one small lock
// keeps each change whole.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace qmx2::commander {

enum MenuCommand : uint32_t {
    kCmdShellOk = 1,
    kCmdExit = 40002,
    kCmdAbout = 40003,
    kCmdToggleRunAtEvent = 40004,  // no menu entry; the shell's accelerator
    kCmdOpenMonitor = 40010,
    kCmdFirstSpeed = 40017,
    kCmdLastSpeed = 40031,
    kCmdCloseMonitor = 40032,
    kCmdChangePin = 40034,
    kCmdPinRequest = 40035,
    kCmdPhoneLock = 40036,
    kCmdNoLock = 40037,
    kCmdAutomatic = 40038,
    kCmdManual = 40039,
    kCmdPowerUp = 40040,
    kCmdAutoPowerUp = 40042,
};

// Popup positions of the submenus that the phone manager owns while it runs.
inline constexpr int kNetworkPosition = 0;
inline constexpr int kSecurityPosition = 2;
inline constexpr int kFirstSpeedGroup = 4;  // "Modem", "ISDN V.110", "ISDN V.120": 4 to 6
inline constexpr int kSpeedsPerGroup = 5;

struct MenuItem {
    std::string label;         // empty for a separator
    uint32_t command = 0;      // 0 for a separator or a submenu
    bool checked = false;      // check or radio mark
    bool enabled = true;
    std::vector<MenuItem> items;  // a submenu's entries

    bool separator() const { return label.empty(); }
};

class TrayMenu {
public:
    TrayMenu();

    std::vector<MenuItem> Snapshot() const;
    MenuItem At(int position) const;
    // The entry with this command anywhere in the menu; a default item when there is none.
    MenuItem Find(uint32_t command) const;
    int PositionCount() const;

    void Check(uint32_t command, bool checked);
    bool IsChecked(uint32_t command) const;
    // Marks `command` and clears the other entries between first and last (one radio group).
    void CheckRadio(uint32_t first, uint32_t last, uint32_t command);

    // Speed entry index 0..14 (group = index / 5) marks its group and itself and clears every
    // other speed mark; -1 clears them all.
    void MarkSpeed(int index);
    int MarkedSpeed() const;       // -1: none
    int MarkedSpeedGroup() const;  // popup position 4..6, or -1

    void EnableCommand(uint32_t command, bool enabled);
    void EnablePosition(int position, bool enabled);

private:
    MenuItem* FindLocked(uint32_t command);
    const MenuItem* FindLocked(uint32_t command) const;

    mutable std::mutex mu_;
    std::vector<MenuItem> popup_;
};

}  // namespace qmx2::commander
