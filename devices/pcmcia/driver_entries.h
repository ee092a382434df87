// The COM_ entry points of a loaded driver library, bound by name, serving one device (the
// handle COM_Init gave) as a StreamDriver.
#pragma once

#include <cstdint>

#include "platform/dynamic_library.h"
#include "platform/stream_driver.h"

namespace qmx2::devices {

class DriverEntries : public platform::StreamDriver {
public:
    bool Bind(platform::DynamicLibrary& lib) {
        init = reinterpret_cast<platform::PfnComInit>(lib.Find("COM_Init"));
        deinit = reinterpret_cast<platform::PfnComDeinit>(lib.Find("COM_Deinit"));
        open = reinterpret_cast<platform::PfnComOpen>(lib.Find("COM_Open"));
        close = reinterpret_cast<platform::PfnComClose>(lib.Find("COM_Close"));
        read = reinterpret_cast<platform::PfnComRead>(lib.Find("COM_Read"));
        write = reinterpret_cast<platform::PfnComWrite>(lib.Find("COM_Write"));
        io_control = reinterpret_cast<platform::PfnComIOControl>(lib.Find("COM_IOControl"));
        return init && deinit && open && close && read && write && io_control;
    }
    uintptr_t Open(uint32_t access, uint32_t share) override { return open(device, access, share); }
    bool Close(uintptr_t context) override { return close(context) != 0; }
    int32_t Read(uintptr_t context, void* buffer, uint32_t length) override {
        return read(context, buffer, length);
    }
    int32_t Write(uintptr_t context, const void* buffer, uint32_t length) override {
        return write(context, buffer, length);
    }
    bool IoControl(uintptr_t context, uint32_t code, const void* in, uint32_t in_length,
                   void* out, uint32_t out_length, uint32_t* returned) override {
        return io_control(context, code, static_cast<const uint8_t*>(in), in_length,
                          static_cast<uint8_t*>(out), out_length, returned) != 0;
    }

    platform::PfnComInit init = nullptr;
    platform::PfnComDeinit deinit = nullptr;
    platform::PfnComOpen open = nullptr;
    platform::PfnComClose close = nullptr;
    platform::PfnComRead read = nullptr;
    platform::PfnComWrite write = nullptr;
    platform::PfnComIOControl io_control = nullptr;
    uintptr_t device = 0;
};

}  // namespace qmx2::devices
