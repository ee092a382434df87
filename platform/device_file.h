// An open handle on a stream device, as the handheld's file interface gives it to programs:
// CreateFile on a device name, ReadFile, WriteFile, DeviceIoControl, the comm-state helpers and
// CloseHandle. Failures return false and leave the thread's last error. Opening and using a
// handle allocates nothing, so the AT command transaction can open one per command.
#pragma once

#include <cstdint>

#include "platform/comm_types.h"
#include "platform/devices.h"

namespace qmx2::platform {

class DeviceFile {
public:
    DeviceFile() = default;
    ~DeviceFile() { Close(); }
    DeviceFile(const DeviceFile&) = delete;
    DeviceFile& operator=(const DeviceFile&) = delete;

    // ERROR_FILE_NOT_FOUND when there is no such device; otherwise the driver's own error.
    bool Open(Devices& devices, WideView name, uint32_t access, uint32_t share);
    bool IsOpen() const { return driver_ != nullptr; }
    bool Close();

    bool Read(void* buffer, uint32_t length, uint32_t* read);
    bool Write(const void* buffer, uint32_t length, uint32_t* written);
    bool IoControl(uint32_t code, const void* in, uint32_t in_length, void* out,
                   uint32_t out_length, uint32_t* returned);

    bool GetCommState(DCB* dcb);
    bool SetCommState(const DCB& dcb);
    bool GetCommTimeouts(COMMTIMEOUTS* timeouts);
    bool SetCommTimeouts(const COMMTIMEOUTS& timeouts);
    bool SetCommMask(uint32_t mask);
    bool GetCommMask(uint32_t* mask);
    bool WaitCommEvent(uint32_t* events);
    bool PurgeComm(uint32_t flags);
    bool ClearCommError(uint32_t* errors, COMSTAT* status);
    bool GetCommModemStatus(uint32_t* status);
    bool GetCommProperties(COMMPROP* properties);

private:
    StreamDriver* driver_ = nullptr;
    uintptr_t context_ = 0;
};

}  // namespace qmx2::platform
