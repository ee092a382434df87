// The user-notification stand-in: notifications that programs set, kept where a test can read
// them and a shell can show them (the desktop as a popup, a headless run as a log line).
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "commander/host.h"

namespace qmx2::commander {

struct UserNotification {
    std::string program;
    platform::WallTime due;
    std::string sound;  // empty: light only
    bool handled = false;
};

class NotificationBoard : public UserNotifications {
public:
    // Called for every new notification, on the thread that raised it.
    void SetListener(std::function<void(const UserNotification&)> listener);
    // Refuse every later Raise, as a service that has run out of room does.
    void SetRefusing(bool refusing);

    void MarkHandled(std::string_view program) override;
    bool Raise(std::string_view program, const platform::WallTime& due, std::string_view sound) override;

    std::vector<UserNotification> All() const;
    int Pending(std::string_view program) const;

private:
    mutable std::mutex mu_;
    std::vector<UserNotification> all_;
    std::function<void(const UserNotification&)> listener_;
    bool refusing_ = false;
};

}  // namespace qmx2::commander
