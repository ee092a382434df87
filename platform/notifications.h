// The handheld's user notifications: a program sets a notification that is due at a time, flashes
// the light and may play a wave file; the program later marks its notifications handled.
//
// Backends: NotificationBoard (here) keeps them where a test reads them; the desktop backend
// (platform/desktop/desktop_notifications.h) also shows them as desktop notifications over
// D-Bus and plays the sound.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "platform/clock.h"

namespace qmx2::platform {

inline constexpr size_t kMaxNotificationSoundChars = 512;

struct UserNotification {
    std::string program;  // handheld path of the program it belongs to
    WallTime due;         // at or before now: due at once
    std::string sound;    // handheld path of a wave file; empty: light only
    std::string title;    // what a desktop shows; empty: the program's file name
    std::string text;
    bool handled = false;
};

class Notifications {
public:
    virtual ~Notifications() = default;
    // false when the service refuses the notification. The sound is cut to 512 characters.
    virtual bool Raise(const UserNotification& notification) = 0;
    // Marks every earlier notification of `program` handled (a desktop closes them).
    virtual void MarkHandled(std::string_view program) = 0;
};

// The headless backend. Thread-safe.
class NotificationBoard : public Notifications {
public:
    // Called for every new notification, on the thread that raised it.
    void SetListener(std::function<void(const UserNotification&)> listener);
    // Called for every MarkHandled, on the calling thread.
    void SetHandledListener(std::function<void(std::string_view program)> listener);
    // Refuse every later Raise, as a service that has run out of room does.
    void SetRefusing(bool refusing);

    bool Raise(const UserNotification& notification) override;
    void MarkHandled(std::string_view program) override;

    // The newest 256 notifications.
    std::vector<UserNotification> All() const;
    int Pending(std::string_view program) const;

private:
    mutable std::mutex mu_;
    std::vector<UserNotification> all_;
    std::function<void(const UserNotification&)> listener_;
    std::function<void(std::string_view)> handled_listener_;
    bool refusing_ = false;
};

}  // namespace qmx2::platform
