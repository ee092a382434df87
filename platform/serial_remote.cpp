// Proxy drivers that forward stream calls to the device host.
#include "platform/serial_remote.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include "platform/comm_types.h"
#include "platform/last_error.h"
#include "platform/serial_wire.h"

namespace qmx2::platform {

int ConnectDeviceSocket(const std::string& socket_path) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socket_path.size() >= sizeof(addr.sun_path)) return -1;
    std::memcpy(addr.sun_path, socket_path.c_str(), socket_path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool DeviceHostRunning(const std::string& socket_path) {
    const int fd = ConnectDeviceSocket(socket_path);
    if (fd < 0) return false;
    close(fd);
    return true;
}

namespace {

// One exchange on a connected socket, blocking outside the clock.
bool Exchange(Clock& clock, int fd, const WireRequest& r, WireAnswer* a) {
    ExternalWait outside(clock);
    std::vector<uint8_t> frame;
    return SendFrame(fd, EncodeRequest(r)) && ReceiveFrame(fd, &frame) &&
           DecodeAnswer(frame.data(), frame.size(), a);
}

// One open on the host: the connection that owns it, and a lock saying whether that
// connection is in use. A call made while it is busy goes over a fresh connection that
// attaches to the same open.
struct Link {
    int fd = -1;
    uint64_t token = 0;
    std::mutex busy;
    // What the host sent beyond a read's length: the next reads' bytes, in order.
    std::mutex ahead_mu;
    std::deque<uint8_t> ahead;
    ~Link() {
        if (fd >= 0) close(fd);
    }
};

}  // namespace

class RemoteDeviceResolver::Proxy final : public StreamDriver {
public:
    Proxy(Clock& clock, const std::string& path, WideView name)
        : clock_(clock), path_(path), name_(name) {}

    const WideString& name() const { return name_; }

    uintptr_t Open(uint32_t access, uint32_t share) override {
        auto link = std::make_shared<Link>();
        link->fd = ConnectDeviceSocket(path_);
        if (link->fd < 0) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return 0;
        }
        WireRequest r;
        r.op = WireOp::kOpen;
        r.access = access;
        r.share = share;
        r.name = name_;
        WireAnswer a;
        if (!Exchange(clock_, link->fd, r, &a)) {
            SetLastError(ERROR_FILE_NOT_FOUND);
            return 0;
        }
        // A refused open may come with the holder's name.
        SetLastOpenHolder(a.value == 0 ? std::string(a.data.begin(), a.data.end()) : std::string());
        if (a.value == 0) {
            SetLastError(a.error);
            return 0;
        }
        link->token = static_cast<uint64_t>(a.value);
        std::lock_guard lk(mu_);
        const uintptr_t handle = next_handle_++;
        links_[handle] = std::move(link);
        return handle;
    }

    bool Close(uintptr_t handle) override {
        std::shared_ptr<Link> link;
        {
            std::lock_guard lk(mu_);
            auto it = links_.find(handle);
            if (it != links_.end()) {
                link = std::move(it->second);
                links_.erase(it);
            }
        }
        if (!link) {
            SetLastError(ERROR_INVALID_HANDLE);
            return false;
        }
        if (link->busy.try_lock()) {
            WireRequest r;
            r.op = WireOp::kClose;
            WireAnswer a;
            Exchange(clock_, link->fd, r, &a);
            link->busy.unlock();
        } else {
            // A call of this handle is blocked on the host: hanging up makes the host close
            // the open, which releases that call.
            shutdown(link->fd, SHUT_RDWR);
        }
        return true;
    }

    int32_t Read(uintptr_t handle, void* buffer, uint32_t length) override {
        if (length > 0 && !buffer) return Fail(ERROR_INVALID_PARAMETER, -1);
        const std::shared_ptr<Link> link = Find(handle);
        if (!link) return Fail(ERROR_INVALID_HANDLE, -1);
        uint8_t* out = static_cast<uint8_t*>(buffer);
        const uint32_t taken = TakeAhead(*link, out, length);
        if (length > 0 && taken == length) return static_cast<int32_t>(taken);
        WireRequest r;
        r.op = WireOp::kRead;
        r.length = std::min(length - taken, kWireMaxData);
        r.flags = kWireReadAhead;
        WireAnswer a;
        if (!Call(handle, r, &a)) return taken ? static_cast<int32_t>(taken) : -1;
        const size_t n = a.value > 0 ? std::min<size_t>({a.data.size(), r.length,
                                                         static_cast<size_t>(a.value)})
                                     : 0;
        if (n) std::memcpy(out + taken, a.data.data(), n);
        if (a.data.size() > n) {
            std::lock_guard lk(link->ahead_mu);
            link->ahead.insert(link->ahead.end(), a.data.begin() + static_cast<ptrdiff_t>(n),
                               a.data.end());
        }
        if (a.value < 0 || a.error) SetLastError(a.error);
        if (a.value < 0) return taken ? static_cast<int32_t>(taken) : -1;
        return static_cast<int32_t>(taken + n);
    }

    int32_t Write(uintptr_t handle, const void* buffer, uint32_t length) override {
        if (length > 0 && !buffer) return Fail(ERROR_INVALID_PARAMETER, -1);
        const uint8_t* p = static_cast<const uint8_t*>(buffer);
        uint32_t done = 0;
        do {
            WireRequest r;
            r.op = WireOp::kWrite;
            const uint32_t piece = std::min(length - done, kWireMaxData);
            r.data.assign(p + done, p + done + piece);
            WireAnswer a;
            if (!Call(handle, r, &a)) return done ? static_cast<int32_t>(done) : -1;
            if (a.value < 0) {
                SetLastError(a.error);
                return done ? static_cast<int32_t>(done) : -1;
            }
            done += static_cast<uint32_t>(std::min<int64_t>(a.value, piece));
            if (a.value < piece) break;
        } while (done < length);
        return static_cast<int32_t>(done);
    }

    bool IoControl(uintptr_t handle, uint32_t code, const void* in, uint32_t in_length, void* out,
                   uint32_t out_length, uint32_t* returned) override {
        if ((in && in_length > kWireMaxData) || (out && out_length > kWireMaxData))
            return Fail(ERROR_INVALID_PARAMETER, 0);
        WireRequest r;
        r.op = WireOp::kIoControl;
        r.code = code;
        r.flags = static_cast<uint8_t>((in ? kWireHasIn : 0) | (out ? kWireHasOut : 0) |
                                       (returned ? kWireHasReturned : 0));
        r.length = out ? out_length : 0;
        if (in) r.data.assign(static_cast<const uint8_t*>(in),
                              static_cast<const uint8_t*>(in) + in_length);
        // The bytes read ahead are the oldest of the port's receive buffer.
        if (code == IOCTL_SERIAL_PURGE && in && in_length >= 4) {
            uint32_t purge = 0;
            std::memcpy(&purge, in, 4);
            if (purge & PURGE_RXCLEAR) {
                if (const auto link = Find(handle)) {
                    std::lock_guard lk(link->ahead_mu);
                    link->ahead.clear();
                }
            }
        }
        WireAnswer a;
        if (!Call(handle, r, &a)) return false;
        if (code == IOCTL_SERIAL_GET_COMMSTATUS && a.value &&
            a.data.size() >= sizeof(SERIAL_DEV_STATUS)) {
            if (const auto link = Find(handle)) {
                std::lock_guard lk(link->ahead_mu);
                SERIAL_DEV_STATUS status;
                std::memcpy(&status, a.data.data(), sizeof status);
                status.ComStat.cbInQue += static_cast<uint32_t>(link->ahead.size());
                std::memcpy(a.data.data(), &status, sizeof status);
            }
        }
        if (out) std::memcpy(out, a.data.data(), std::min<size_t>(a.data.size(), out_length));
        if (returned) *returned = std::min(a.returned, out_length);
        if (!a.value) SetLastError(a.error);
        return a.value != 0;
    }

private:
    static int32_t Fail(uint32_t error, int32_t result) {
        SetLastError(error);
        return result;
    }

    std::shared_ptr<Link> Find(uintptr_t handle) {
        std::lock_guard lk(mu_);
        auto it = links_.find(handle);
        return it != links_.end() ? it->second : nullptr;
    }

    static uint32_t TakeAhead(Link& link, uint8_t* out, uint32_t length) {
        std::lock_guard lk(link.ahead_mu);
        const uint32_t n = static_cast<uint32_t>(std::min<size_t>(link.ahead.size(), length));
        std::copy_n(link.ahead.begin(), n, out);
        link.ahead.erase(link.ahead.begin(), link.ahead.begin() + n);
        return n;
    }

    bool Call(uintptr_t handle, const WireRequest& r, WireAnswer* a) {
        const std::shared_ptr<Link> link = Find(handle);
        if (!link) return Fail(ERROR_INVALID_HANDLE, 0);
        if (link->busy.try_lock()) {
            const bool ok = Exchange(clock_, link->fd, r, a);
            link->busy.unlock();
            return ok ? true : Fail(ERROR_DEVICE_REMOVED, 0);
        }
        const int fd = ConnectDeviceSocket(path_);
        if (fd < 0) return Fail(ERROR_DEVICE_REMOVED, 0);
        WireRequest attach;
        attach.op = WireOp::kAttach;
        attach.token = link->token;
        WireAnswer attached;
        const bool ok = Exchange(clock_, fd, attach, &attached) &&
                        (attached.value ? Exchange(clock_, fd, r, a) : false);
        close(fd);
        if (!ok) return Fail(attached.value ? ERROR_DEVICE_REMOVED : ERROR_INVALID_HANDLE, 0);
        return true;
    }

    Clock& clock_;
    const std::string path_;
    const WideString name_;
    std::mutex mu_;
    std::map<uintptr_t, std::shared_ptr<Link>> links_;
    uintptr_t next_handle_ = 1;
};

RemoteDeviceResolver::RemoteDeviceResolver(Clock& clock, std::string socket_path)
    : clock_(clock), path_(std::move(socket_path)) {}

RemoteDeviceResolver::~RemoteDeviceResolver() = default;

StreamDriver* RemoteDeviceResolver::Resolve(WideView name) {
    const int fd = ConnectDeviceSocket(path_);
    if (fd < 0) return nullptr;
    WireRequest r;
    r.op = WireOp::kQuery;
    r.name = WideString(name.substr(0, kWireMaxName));
    WireAnswer a;
    const bool ok = Exchange(clock_, fd, r, &a);
    close(fd);
    if (!ok || a.value != 1 || name.size() > kWireMaxName) return nullptr;
    std::lock_guard lk(mu_);
    for (auto& p : proxies_)
        if (SameDeviceName(p->name(), name)) return p.get();
    proxies_.push_back(std::make_unique<Proxy>(clock_, path_, name));
    return proxies_.back().get();
}

}  // namespace qmx2::platform
