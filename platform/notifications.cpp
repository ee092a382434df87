// The headless user-notification board.
#include "platform/notifications.h"

namespace qmx2::platform {

namespace {
constexpr size_t kMaxKept = 256;  // a long-running program keeps the newest ones
}  // namespace

void NotificationBoard::SetListener(std::function<void(const UserNotification&)> listener) {
    std::lock_guard lock(mu_);
    listener_ = std::move(listener);
}

void NotificationBoard::SetHandledListener(std::function<void(std::string_view)> listener) {
    std::lock_guard lock(mu_);
    handled_listener_ = std::move(listener);
}

void NotificationBoard::SetRefusing(bool refusing) {
    std::lock_guard lock(mu_);
    refusing_ = refusing;
}

bool NotificationBoard::Raise(const UserNotification& notification) {
    std::function<void(const UserNotification&)> listener;
    UserNotification n = notification;
    n.sound.resize(std::min(n.sound.size(), kMaxNotificationSoundChars));
    n.handled = false;
    {
        std::lock_guard lock(mu_);
        if (refusing_) return false;
        if (all_.size() == kMaxKept) all_.erase(all_.begin());
        all_.push_back(n);
        listener = listener_;
    }
    if (listener) listener(n);
    return true;
}

void NotificationBoard::MarkHandled(std::string_view program) {
    std::function<void(std::string_view)> listener;
    {
        std::lock_guard lock(mu_);
        for (UserNotification& n : all_)
            if (n.program == program) n.handled = true;
        listener = handled_listener_;
    }
    if (listener) listener(program);
}

std::vector<UserNotification> NotificationBoard::All() const {
    std::lock_guard lock(mu_);
    return all_;
}

int NotificationBoard::Pending(std::string_view program) const {
    std::lock_guard lock(mu_);
    int n = 0;
    for (const UserNotification& u : all_) n += u.program == program && !u.handled;
    return n;
}

}  // namespace qmx2::platform
