// The user-notification stand-in.
#include "commander/notification_board.h"

namespace qmx2::commander {

namespace {
constexpr size_t kMaxSoundChars = 512;
constexpr size_t kMaxKept = 256;  // a long-running commander keeps the newest ones
}  // namespace

void NotificationBoard::SetListener(std::function<void(const UserNotification&)> listener) {
    std::lock_guard lock(mu_);
    listener_ = std::move(listener);
}

void NotificationBoard::SetRefusing(bool refusing) {
    std::lock_guard lock(mu_);
    refusing_ = refusing;
}

void NotificationBoard::MarkHandled(std::string_view program) {
    std::lock_guard lock(mu_);
    for (UserNotification& n : all_)
        if (n.program == program) n.handled = true;
}

bool NotificationBoard::Raise(std::string_view program, const platform::WallTime& due,
                              std::string_view sound) {
    std::function<void(const UserNotification&)> listener;
    UserNotification n{std::string(program), due, std::string(sound.substr(0, kMaxSoundChars))};
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

}  // namespace qmx2::commander
