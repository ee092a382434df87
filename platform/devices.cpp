// The device namespace and the program-side handle on a stream device.
#include "platform/device_file.h"
#include "platform/devices.h"
#include "platform/last_error.h"

namespace qmx2::platform {

bool SameDeviceName(WideView a, WideView b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char16_t x = a[i], y = b[i];
        if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 32);
        if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 32);
        if (x != y) return false;
    }
    return true;
}

void Devices::Register(WideView name, StreamDriver* driver) {
    std::lock_guard lk(mu_);
    for (auto& e : entries_) {
        if (SameDeviceName(e.name, name)) {
            e.driver = driver;
            return;
        }
    }
    entries_.push_back({WideString(name), driver});
}

void Devices::Unregister(WideView name) {
    std::lock_guard lk(mu_);
    for (auto it = entries_.begin(); it != entries_.end(); ++it) {
        if (SameDeviceName(it->name, name)) {
            entries_.erase(it);
            return;
        }
    }
}

void Devices::SetResolver(DeviceResolver* resolver) {
    std::lock_guard lk(mu_);
    resolver_ = resolver;
}

StreamDriver* Devices::Find(WideView name) {
    DeviceResolver* resolver = nullptr;
    {
        std::lock_guard lk(mu_);
        for (auto& e : entries_)
            if (SameDeviceName(e.name, name)) return e.driver;
        resolver = resolver_;
    }
    return resolver ? resolver->Resolve(name) : nullptr;
}

bool DeviceFile::Open(Devices& devices, WideView name, uint32_t access, uint32_t share) {
    Close();
    StreamDriver* d = devices.Find(name);
    if (!d) {
        SetLastError(ERROR_FILE_NOT_FOUND);
        return false;
    }
    const uintptr_t ctx = d->Open(access, share);
    if (!ctx) return false;
    driver_ = d;
    context_ = ctx;
    return true;
}

bool DeviceFile::Close() {
    if (!driver_) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    StreamDriver* d = driver_;
    driver_ = nullptr;
    return d->Close(context_);
}

bool DeviceFile::Read(void* buffer, uint32_t length, uint32_t* read) {
    if (read) *read = 0;
    if (!driver_) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    const int32_t n = driver_->Read(context_, buffer, length);
    if (n < 0) return false;
    if (read) *read = static_cast<uint32_t>(n);
    return true;
}

bool DeviceFile::Write(const void* buffer, uint32_t length, uint32_t* written) {
    if (written) *written = 0;
    if (!driver_) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    const int32_t n = driver_->Write(context_, buffer, length);
    if (n < 0) return false;
    if (written) *written = static_cast<uint32_t>(n);
    return true;
}

bool DeviceFile::IoControl(uint32_t code, const void* in, uint32_t in_length, void* out,
                           uint32_t out_length, uint32_t* returned) {
    if (!driver_) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    return driver_->IoControl(context_, code, in, in_length, out, out_length, returned);
}

bool DeviceFile::GetCommState(DCB* dcb) {
    uint32_t ret = 0;
    return IoControl(IOCTL_SERIAL_GET_DCB, nullptr, 0, dcb, sizeof(DCB), &ret);
}

bool DeviceFile::SetCommState(const DCB& dcb) {
    return IoControl(IOCTL_SERIAL_SET_DCB, &dcb, sizeof(DCB), nullptr, 0, nullptr);
}

bool DeviceFile::GetCommTimeouts(COMMTIMEOUTS* t) {
    uint32_t ret = 0;
    return IoControl(IOCTL_SERIAL_GET_TIMEOUTS, nullptr, 0, t, sizeof(COMMTIMEOUTS), &ret);
}

bool DeviceFile::SetCommTimeouts(const COMMTIMEOUTS& t) {
    return IoControl(IOCTL_SERIAL_SET_TIMEOUTS, &t, sizeof(COMMTIMEOUTS), nullptr, 0, nullptr);
}

bool DeviceFile::SetCommMask(uint32_t mask) {
    return IoControl(IOCTL_SERIAL_SET_WAIT_MASK, &mask, sizeof(mask), nullptr, 0, nullptr);
}

bool DeviceFile::GetCommMask(uint32_t* mask) {
    uint32_t ret = 0;
    return IoControl(IOCTL_SERIAL_GET_WAIT_MASK, nullptr, 0, mask, sizeof(*mask), &ret);
}

bool DeviceFile::WaitCommEvent(uint32_t* events) {
    uint32_t ret = 0;
    return IoControl(IOCTL_SERIAL_WAIT_ON_MASK, nullptr, 0, events, sizeof(*events), &ret);
}

bool DeviceFile::PurgeComm(uint32_t flags) {
    return IoControl(IOCTL_SERIAL_PURGE, &flags, sizeof(flags), nullptr, 0, nullptr);
}

bool DeviceFile::ClearCommError(uint32_t* errors, COMSTAT* status) {
    SERIAL_DEV_STATUS s{};
    uint32_t ret = 0;
    if (!IoControl(IOCTL_SERIAL_GET_COMMSTATUS, nullptr, 0, &s, sizeof(s), &ret)) return false;
    if (errors) *errors = s.Errors;
    if (status) *status = s.ComStat;
    return true;
}

bool DeviceFile::GetCommModemStatus(uint32_t* status) {
    uint32_t ret = 0;
    return IoControl(IOCTL_SERIAL_GET_MODEMSTATUS, nullptr, 0, status, sizeof(*status), &ret);
}

bool DeviceFile::GetCommProperties(COMMPROP* p) {
    uint32_t ret = 0;
    return IoControl(IOCTL_SERIAL_GET_PROPERTIES, nullptr, 0, p, sizeof(COMMPROP), &ret);
}

namespace {
thread_local std::string last_open_holder;
}  // namespace

std::string LastOpenHolder() { return last_open_holder; }
void SetLastOpenHolder(std::string holder) { last_open_holder = std::move(holder); }

}  // namespace qmx2::platform
