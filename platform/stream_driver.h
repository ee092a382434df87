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

}  // namespace qmx2::platform
