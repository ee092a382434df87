// Program starts held until the card's port is served.
#include "devices/held_starts.h"

namespace qmx2::devices {

bool HeldStarts::Request(std::u16string_view image, std::u16string_view command_line) {
    {
        std::lock_guard lock(mu_);
        if (held_) {
            queued_.emplace_back(image, command_line);
            return true;
        }
    }
    return start_(image, command_line);
}

void HeldStarts::Release() {
    std::vector<std::pair<std::u16string, std::u16string>> due;
    {
        std::lock_guard lock(mu_);
        held_ = false;
        due.swap(queued_);
    }
    for (const auto& [image, line] : due) start_(image, line);
}

void HeldStarts::Drop() {
    std::lock_guard lock(mu_);
    queued_.clear();
}

}  // namespace qmx2::devices
