// Device-change broadcasts through the handheld's window system.
#include <cstdio>

#include "devices/device_change.h"
#include "platform/windows.h"

namespace qmx2::devices {

DeviceChangeSink MakeDeviceChangeSink(platform::Clock& clock, const std::string& root) {
    std::shared_ptr<platform::WindowSystem> windows = platform::OpenWindowSystem(clock, root);
    return [windows](uint32_t event, platform::WideView name) {
        const int reached = windows ? windows->BroadcastDeviceChange(event, name) : 0;
        std::fprintf(stderr, "qmx2-device: device change 0x%04X %s (%d windows)\n", event,
                     platform::ToUtf8(name).c_str(), reached < 0 ? 0 : reached);
    };
}

}  // namespace qmx2::devices
