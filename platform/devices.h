// The device namespace of one handheld: device names such as "COM3:" mapped to stream
// drivers. A driver registered in this process is called directly; names it does not know are
// asked of a resolver (the device host's socket, for a program running beside qmx2-device).
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "platform/stream_driver.h"
#include "platform/text.h"

namespace qmx2::platform {

class DeviceResolver {
public:
    virtual ~DeviceResolver() = default;
    // A driver that serves `name`, or nullptr if there is no such device. The resolver keeps
    // ownership; the driver stays valid while the resolver lives.
    virtual StreamDriver* Resolve(WideView name) = 0;
};

class Devices {
public:
    // Names compare without regard to letter case, as on the handheld.
    void Register(WideView name, StreamDriver* driver);
    void Unregister(WideView name);
    void SetResolver(DeviceResolver* resolver);

    StreamDriver* Find(WideView name);

private:
    struct Entry {
        WideString name;
        StreamDriver* driver;
    };
    std::mutex mu_;
    std::vector<Entry> entries_;
    DeviceResolver* resolver_ = nullptr;
};

bool SameDeviceName(WideView a, WideView b);

// Who held the device when this thread's last open was refused, as the device host names it
// ("Qmx2PPC, pid 4242"); empty when the open worked or nobody could say. The handheld's own
// refusal carries no name, so the programs' window texts stay as they are; the tools add it.
std::string LastOpenHolder();
void SetLastOpenHolder(std::string holder);

}  // namespace qmx2::platform
