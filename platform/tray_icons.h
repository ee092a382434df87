// The notification-area icons of the handheld: a program adds, changes and deletes icons by its
// window and an identifier; a click on an icon is posted to that window as the icon's callback
// message (wParam = identifier, lParam = the mouse message).
//
// Backends: TrayIconLog (here) keeps the icons where a test reads them and writes a log line per
// change; MakeDesktopTrayIcons (platform/desktop/desktop_tray.h) shows them in the desktop's tray
// and falls back to the log when the session has none.
#pragma once

#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/windows.h"

namespace qmx2::platform {

inline constexpr uint32_t WM_LBUTTONDOWN = 0x0201;

// Icon names of the resources (":/icons/<name>.png" in the desktop backend).
inline constexpr const char* kIconCardPowered = "card-powered";
inline constexpr const char* kIconCardOff = "card-off";
inline constexpr const char* kIconMemoryFull = "memory-full";
inline constexpr const char* kIconCommander = "app-commander";
inline constexpr const char* kIconManager = "app-manager";
inline constexpr const char* kIconHelp = "app-help";

struct TrayIcon {
    HWND owner = 0;
    uint32_t id = 0;
    std::string icon;   // a resource name above
    std::string tip;    // empty: no tip
    uint32_t callback_message = 0;
};

// Where a click goes: PostMessage of the handheld's windows, or a test's recorder.
using TrayPoster = std::function<void(HWND owner, uint32_t msg, WPARAM wparam, LPARAM lparam)>;
using TrayLog = std::function<void(const std::string& line)>;

class TrayIcons {
public:
    virtual ~TrayIcons() = default;
    // false when the owner already has an icon with this identifier.
    virtual bool Add(const TrayIcon& icon) = 0;
    // Changes image, tip and callback of an icon; false when there is no such icon.
    virtual bool Modify(const TrayIcon& icon) = 0;
    // false when there is no such icon.
    virtual bool Delete(HWND owner, uint32_t id) = 0;
    // The icons shown, in the order they were added.
    virtual std::vector<TrayIcon> Icons() const = 0;
};

// The headless backend. Thread-safe; Click plays a left-button click on an icon.
class TrayIconLog : public TrayIcons {
public:
    explicit TrayIconLog(TrayPoster poster = {}, TrayLog log = {})
        : poster_(std::move(poster)), log_(std::move(log)) {}

    bool Add(const TrayIcon& icon) override;
    bool Modify(const TrayIcon& icon) override;
    bool Delete(HWND owner, uint32_t id) override;
    std::vector<TrayIcon> Icons() const override;

    // false when there is no such icon.
    bool Click(HWND owner, uint32_t id);

private:
    void Log(const std::string& line) const;

    TrayPoster poster_;
    TrayLog log_;
    mutable std::mutex mu_;
    std::vector<TrayIcon> icons_;
};

// A poster that posts to the handheld's windows.
TrayPoster PostTo(WindowSystem& windows);

}  // namespace qmx2::platform
