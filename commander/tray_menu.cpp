// The tray menu's entries and marks.
#include "commander/tray_menu.h"

namespace qmx2::commander {
namespace {

MenuItem Entry(std::string label, uint32_t command) {
    MenuItem m;
    m.label = std::move(label);
    m.command = command;
    return m;
}
MenuItem Separator() { return MenuItem{}; }
MenuItem Submenu(std::string label, std::vector<MenuItem> items) {
    MenuItem m = Entry(std::move(label), 0);
    m.items = std::move(items);
    return m;
}

std::vector<MenuItem> SpeedEntries(uint32_t first) {
    static const char* const kLabels[] = {"9.6kbps", "14.4kbps", "19.2kbps", "28.8kbps", "43.2kbps"};
    std::vector<MenuItem> items;
    for (uint32_t i = 0; i < kSpeedsPerGroup; ++i) items.push_back(Entry(kLabels[i], first + i));
    return items;
}

template <typename Items, typename Fn>
auto* Search(Items& items, uint32_t command, Fn&& self) {
    for (auto& item : items) {
        if (item.command == command && command != 0) return &item;
        if (auto* found = self(item.items, command, self)) return found;
    }
    return static_cast<decltype(&items[0])>(nullptr);
}

}  // namespace

TrayMenu::TrayMenu()
    : popup_{
          Submenu("Network Select", {Entry("Automatic", kCmdAutomatic), Entry("Manual", kCmdManual)}),
          Separator(),
          Submenu("Security", {Entry("Change Pin code", kCmdChangePin),
                               Entry("Pin code request", kCmdPinRequest), Separator(),
                               Entry("Security level - Phone", kCmdPhoneLock),
                               Entry("Security level - None", kCmdNoLock)}),
          Separator(),
          Submenu("Modem", SpeedEntries(40017)),
          Submenu("ISDN V.110", SpeedEntries(40022)),
          Submenu("ISDN V.120", SpeedEntries(40027)),
          Separator(),
          Entry("About", kCmdAbout),
          Entry("Open Monitor", kCmdOpenMonitor),
          Entry("Close Monitor", kCmdCloseMonitor),
          Submenu("Power", {Entry("Automatic Power Up", kCmdAutoPowerUp), Entry("Power Up", kCmdPowerUp)}),
          Entry("Exit", kCmdExit),
      } {}

MenuItem* TrayMenu::FindLocked(uint32_t command) {
    auto self = [](std::vector<MenuItem>& items, uint32_t c, auto& me) -> MenuItem* {
        return Search(items, c, me);
    };
    return self(popup_, command, self);
}

const MenuItem* TrayMenu::FindLocked(uint32_t command) const {
    return const_cast<TrayMenu*>(this)->FindLocked(command);
}

std::vector<MenuItem> TrayMenu::Snapshot() const {
    std::lock_guard lock(mu_);
    return popup_;
}

MenuItem TrayMenu::At(int position) const {
    std::lock_guard lock(mu_);
    if (position < 0 || position >= static_cast<int>(popup_.size())) return {};
    return popup_[position];
}

MenuItem TrayMenu::Find(uint32_t command) const {
    std::lock_guard lock(mu_);
    const MenuItem* item = FindLocked(command);
    return item ? *item : MenuItem{};
}

int TrayMenu::PositionCount() const {
    std::lock_guard lock(mu_);
    return static_cast<int>(popup_.size());
}

void TrayMenu::Check(uint32_t command, bool checked) {
    std::lock_guard lock(mu_);
    if (MenuItem* item = FindLocked(command)) item->checked = checked;
}

bool TrayMenu::IsChecked(uint32_t command) const {
    std::lock_guard lock(mu_);
    const MenuItem* item = FindLocked(command);
    return item && item->checked;
}

void TrayMenu::CheckRadio(uint32_t first, uint32_t last, uint32_t command) {
    std::lock_guard lock(mu_);
    for (uint32_t c = first; c <= last; ++c)
        if (MenuItem* item = FindLocked(c)) item->checked = c == command;
}

void TrayMenu::MarkSpeed(int index) {
    std::lock_guard lock(mu_);
    for (int g = 0; g < 3; ++g) {
        MenuItem& group = popup_[kFirstSpeedGroup + g];
        group.checked = index >= 0 && index / kSpeedsPerGroup == g;
        for (int i = 0; i < kSpeedsPerGroup; ++i)
            group.items[i].checked = index == g * kSpeedsPerGroup + i;
    }
}

int TrayMenu::MarkedSpeed() const {
    std::lock_guard lock(mu_);
    for (int g = 0; g < 3; ++g)
        for (int i = 0; i < kSpeedsPerGroup; ++i)
            if (popup_[kFirstSpeedGroup + g].items[i].checked) return g * kSpeedsPerGroup + i;
    return -1;
}

int TrayMenu::MarkedSpeedGroup() const {
    std::lock_guard lock(mu_);
    for (int g = 0; g < 3; ++g)
        if (popup_[kFirstSpeedGroup + g].checked) return kFirstSpeedGroup + g;
    return -1;
}

void TrayMenu::EnableCommand(uint32_t command, bool enabled) {
    std::lock_guard lock(mu_);
    if (MenuItem* item = FindLocked(command)) item->enabled = enabled;
}

void TrayMenu::EnablePosition(int position, bool enabled) {
    std::lock_guard lock(mu_);
    if (position >= 0 && position < static_cast<int>(popup_.size())) popup_[position].enabled = enabled;
}

}  // namespace qmx2::commander
