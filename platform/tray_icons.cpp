// The headless tray: a list of icons and a log line per change.
#include "platform/tray_icons.h"

#include <algorithm>

namespace qmx2::platform {

namespace {

std::string Describe(const char* verb, const TrayIcon& icon) {
    std::string line = std::string("tray icon ") + std::to_string(icon.id) + " " + verb + ": " + icon.icon;
    if (!icon.tip.empty()) line += " \"" + icon.tip + "\"";
    return line;
}

}  // namespace

bool TrayIconLog::Add(const TrayIcon& icon) {
    {
        std::lock_guard lock(mu_);
        const bool taken = std::any_of(icons_.begin(), icons_.end(), [&](const TrayIcon& i) {
            return i.owner == icon.owner && i.id == icon.id;
        });
        if (taken) return false;
        icons_.push_back(icon);
    }
    Log(Describe("added", icon));
    return true;
}

bool TrayIconLog::Modify(const TrayIcon& icon) {
    {
        std::lock_guard lock(mu_);
        auto it = std::find_if(icons_.begin(), icons_.end(), [&](const TrayIcon& i) {
            return i.owner == icon.owner && i.id == icon.id;
        });
        if (it == icons_.end()) return false;
        *it = icon;
    }
    Log(Describe("changed", icon));
    return true;
}

bool TrayIconLog::Delete(HWND owner, uint32_t id) {
    {
        std::lock_guard lock(mu_);
        const auto gone = std::erase_if(icons_, [&](const TrayIcon& i) { return i.owner == owner && i.id == id; });
        if (gone == 0) return false;
    }
    Log("tray icon " + std::to_string(id) + " removed");
    return true;
}

std::vector<TrayIcon> TrayIconLog::Icons() const {
    std::lock_guard lock(mu_);
    return icons_;
}

bool TrayIconLog::Click(HWND owner, uint32_t id) {
    TrayIcon found;
    {
        std::lock_guard lock(mu_);
        auto it = std::find_if(icons_.begin(), icons_.end(),
                               [&](const TrayIcon& i) { return i.owner == owner && i.id == id; });
        if (it == icons_.end()) return false;
        found = *it;
    }
    if (poster_) poster_(found.owner, found.callback_message, found.id, WM_LBUTTONDOWN);
    return true;
}

void TrayIconLog::Log(const std::string& line) const {
    if (log_) log_(line);
}

TrayPoster PostTo(WindowSystem& windows) {
    return [&windows](HWND owner, uint32_t msg, WPARAM wparam, LPARAM lparam) {
        windows.PostMessage(owner, msg, wparam, lparam);
    };
}

}  // namespace qmx2::platform
