// The commander's icons on the tray service.
#include "commander/tray_sync.h"

namespace qmx2::commander {
namespace {

bool Shown(platform::TrayIcons& tray, platform::HWND owner, uint32_t id, std::string* image) {
    for (const platform::TrayIcon& icon : tray.Icons())
        if (icon.owner == owner && icon.id == id) return *image = icon.icon, true;
    return false;
}

void Show(platform::TrayIcons& tray, platform::HWND owner, uint32_t id, bool wanted, const char* image) {
    std::string now;
    const bool shown = Shown(tray, owner, id, &now);
    const platform::TrayIcon icon{owner, id, image, "", kMsgTrayIcon};
    if (!wanted) {
        if (shown) tray.Delete(owner, id);
    } else if (!shown) {
        tray.Add(icon);
    } else if (now != image) {
        tray.Modify(icon);
    }
}

}  // namespace

void SyncTrayIcons(platform::TrayIcons& tray, platform::HWND owner, const TrayIcons& state) {
    Show(tray, owner, kCardIcon, state.card,
         state.card_powered ? platform::kIconCardPowered : platform::kIconCardOff);
    Show(tray, owner, kMemoryFullIcon, state.memory_full, platform::kIconMemoryFull);
}

}  // namespace qmx2::commander
