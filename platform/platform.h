// The context of one handheld as a program sees it: its clock, its folder, its registry, its
// devices, its windows and its process starter. A program builds one at start; a test builds as
// many as it needs, each on its own root and clock.
#pragma once

#include <string>

namespace qmx2::platform {

class Clock;
class Registry;
class Devices;
class WindowSystem;
class Processes;
class Notifications;

struct Platform {
    Clock* clock = nullptr;
    std::string root;  // host folder that holds the handheld (QMX2_ROOT)
    Registry* registry = nullptr;
    Devices* devices = nullptr;
    WindowSystem* windows = nullptr;
    Processes* processes = nullptr;
    Notifications* notifications = nullptr;
};

}  // namespace qmx2::platform
