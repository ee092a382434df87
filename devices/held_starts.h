// Programs that a driver starts while its card is coming in: the driver's COM_Init starts the
// commander before the device host has registered the port, and a commander that asked for the
// card's power in that gap would take a powered card for an unpowered one. The device host holds
// such starts and lets them go once the port is served, so the gap cannot be hit.
#pragma once

#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qmx2::devices {

class HeldStarts {
public:
    using Starter = std::function<bool(std::u16string_view image, std::u16string_view command_line)>;

    explicit HeldStarts(Starter start) : start_(std::move(start)) {}

    // While held, the start is queued and counts as done; afterwards it happens at once.
    bool Request(std::u16string_view image, std::u16string_view command_line);
    // Starts what was queued, in order; later requests start at once.
    void Release();
    // Forgets what was queued (the card did not come in after all).
    void Drop();

private:
    Starter start_;
    std::mutex mu_;
    bool held_ = true;
    std::vector<std::pair<std::u16string, std::u16string>> queued_;
};

}  // namespace qmx2::devices
