// What a stream device offers the platform: the shape of a driver's COM_ entry points. The
// serial driver library, the kernel-tty and TCP bridges of the device host, and test doubles
// all implement it; programs never call it directly but open the device through DeviceFile.
#pragma once

#include <cstdint>

namespace qmx2::platform {

class StreamDriver {
public:
    virtual ~StreamDriver() = default;

    // An open context, or 0 with the thread's last error set.
    virtual uintptr_t Open(uint32_t access, uint32_t share) = 0;
    virtual bool Close(uintptr_t open_context) = 0;
    // Bytes read or written, or -1 with the thread's last error set.
    virtual int32_t Read(uintptr_t open_context, void* buffer, uint32_t length) = 0;
    virtual int32_t Write(uintptr_t open_context, const void* buffer, uint32_t length) = 0;
    virtual bool IoControl(uintptr_t open_context, uint32_t code, const void* in, uint32_t in_length,
                           void* out, uint32_t out_length, uint32_t* returned) = 0;
};

// The shapes of a driver library's exported entry points, for hosts that bind them by name.
// The serial driver's export file includes this header and checks each export against them.
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

}  // namespace qmx2::platform
