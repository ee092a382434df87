// Power requests to the serial driver (no read or write access needed) and the port check.
#include "commander/card_driver.h"

#include "platform/comm_types.h"
#include "platform/device_file.h"

namespace qmx2::commander {

bool CardDriver::Request(uint32_t code, void* out, uint32_t out_length) {
    platform::DeviceFile file;
    if (!file.Open(devices_, port_, 0, 0)) return false;
    const uint8_t in = 1;
    uint32_t returned = 0;
    return file.IoControl(code, &in, sizeof in, out, out_length, &returned);
}

int CardDriver::PowerState() {
    uint32_t powered = 0;
    if (!Request(platform::IOCTL_CARD_IS_POWERED, &powered, sizeof powered)) return kPowerUnknown;
    return powered == 1 ? kPoweredOn : powered == 0 ? kPoweredOff : kPowerUnknown;
}

bool CardDriver::PowerUp() {
    uint8_t ignored[2] = {};
    return Request(platform::IOCTL_CARD_POWER_UP, ignored, sizeof ignored);
}

bool CardDriver::PowerDown() {
    uint8_t ignored[2] = {};
    return Request(platform::IOCTL_CARD_POWER_DOWN, ignored, sizeof ignored);
}

bool CardDriver::TryOpen() {
    platform::DeviceFile file;
    return file.Open(devices_, port_, platform::GENERIC_READ | platform::GENERIC_WRITE, 0);
}

}  // namespace qmx2::commander
