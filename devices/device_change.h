// How the device host tells the handheld's windows that a device came or went.
#pragma once

#include <memory>
#include <string>

#include "devices/device_host.h"
#include "platform/clock.h"

namespace qmx2::devices {

// The broadcast of the handheld at root. Logs each event on stderr as well.
DeviceChangeSink MakeDeviceChangeSink(platform::Clock& clock, const std::string& root);

}  // namespace qmx2::devices
