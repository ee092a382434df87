// The shapes of the driver's stream entry points, for hosts that bind them by name.
#pragma once

#include <cstdint>

namespace qmx2::driver {

using PfnSerialDllEntry = int32_t (*)(void* instance, uint32_t reason, void* reserved);
using PfnComInit = uintptr_t (*)(const char16_t* active_key);
using PfnComDeinit = int32_t (*)(uintptr_t device);
using PfnComOpen = uintptr_t (*)(uintptr_t device, uint32_t access, uint32_t share);
using PfnComClose = int32_t (*)(uintptr_t open);
using PfnComRead = int32_t (*)(uintptr_t open, void* buffer, uint32_t length);
using PfnComWrite = int32_t (*)(uintptr_t open, const void* buffer, uint32_t length);
using PfnComSeek = int32_t (*)(uintptr_t open, int32_t distance, uint32_t method);
using PfnComPowerUp = void (*)(uintptr_t device);
using PfnComPowerDown = int32_t (*)(uintptr_t device);
using PfnComIOControl = int32_t (*)(uintptr_t open, uint32_t code, const uint8_t* in,
                                    uint32_t in_length, uint8_t* out, uint32_t out_length,
                                    uint32_t* returned);

}  // namespace qmx2::driver
