// Device-change broadcasts through the handheld's window system, then the programs registered
// to run at the device-change event.
#include <cstdio>

#include "devices/device_change.h"
#include "platform/process.h"
#include "platform/run_at_event.h"
#include "platform/windows.h"

namespace qmx2::devices {

DeviceChangeSink MakeDeviceChangeSink(platform::Clock& clock, const std::string& root) {
    std::shared_ptr<platform::WindowSystem> windows = platform::OpenWindowSystem(clock, root);
    auto processes = std::make_shared<platform::Processes>(clock, root);
    return [windows, processes, root](uint32_t event, platform::WideView name) {
        const int reached = windows ? windows->BroadcastDeviceChange(event, name) : 0;
        std::fprintf(stderr, "qmx2-device: device change 0x%04X %s (%d windows)\n", event,
                     platform::ToUtf8(name).c_str(), reached < 0 ? 0 : reached);
        const int started =
            platform::RunAtEvents(root).Fire(platform::NOTIFICATION_EVENT_DEVICE_CHANGE, *processes);
        if (started > 0) std::fprintf(stderr, "qmx2-device: started %d program(s) at the device change\n", started);
    };
}

}  // namespace qmx2::devices
