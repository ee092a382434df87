// The device manager of one handheld: brings a card in, registers its port under
// "Drivers\Active", serves the programs' opens of it over the host socket, and on the way out
// removes the entry and tells every window that the device is gone.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "devices/card_backend.h"
#include "devices/port_server.h"
#include "platform/clock.h"
#include "platform/devices.h"
#include "platform/registry.h"

namespace qmx2::devices {

// Tells the handheld's windows that a device came (DBT_DEVICEARRIVAL) or went
// (DBT_DEVICEREMOVECOMPLETE).
using DeviceChangeSink = std::function<void(uint32_t event, platform::WideView device_name)>;

struct DeviceHostOptions {
    std::string root;                // the handheld folder; the socket is <root>/run/device.sock
    platform::WideString name = u"COM3:";
};

class DeviceHost {
public:
    // `card` may be null: the host then serves only the devices registered in devices() (the
    // built-in ports).
    DeviceHost(platform::Clock& clock, platform::Registry& registry, CardBackend* card,
               DeviceHostOptions options, DeviceChangeSink sink);
    ~DeviceHost();

    // False with *error when the card cannot be brought in, the socket cannot be served or the
    // registry refuses the entry; nothing is left behind then.
    bool Start(std::string* error);
    // Removes the entry, broadcasts the removal, closes every open and takes the card out.
    void Stop();

    platform::Devices& devices() { return devices_; }
    const platform::WideString& active_key() const { return active_key_; }

private:
    platform::Clock& clock_;
    platform::Registry& registry_;
    CardBackend* card_;
    DeviceHostOptions options_;
    DeviceChangeSink sink_;
    platform::Devices devices_;
    PortServer server_;
    platform::WideString active_key_;
    bool started_ = false;
};

}  // namespace qmx2::devices
