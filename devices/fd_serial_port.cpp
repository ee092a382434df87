// The descriptor-backed line of a software serial port.
#include "devices/fd_serial_port.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/last_error.h"

namespace qmx2::devices {

using namespace qmx2::platform;

FdSerialPort::FdSerialPort(Clock& clock, SoftwarePortOptions options)
    : SoftwareSerialPort(clock, std::move(options)) {}

FdSerialPort::~FdSerialPort() { Detach(); }

bool FdSerialPort::Attach(int fd, std::string* error) {
    if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
        *error = std::string("cannot make a pipe: ") + std::strerror(errno);
        close(fd);
        return false;
    }
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
    fd_ = fd;
    struct stat st {};
    is_socket_ = fstat(fd, &st) == 0 && S_ISSOCK(st.st_mode);
    started_ = true;
    reader_.Start(clock(), [this] { ReaderLoop(); });
    return true;
}

void FdSerialPort::Detach() {
    if (started_) {
        const char b = 1;
        [[maybe_unused]] ssize_t k = write(wake_[1], &b, 1);
        reader_.Join();
        started_ = false;
    }
    for (int* f : {&fd_, &wake_[0], &wake_[1]}) {
        if (*f >= 0) close(*f);
        *f = -1;
    }
}

void FdSerialPort::ReaderLoop() {
    uint8_t buf[256];
    for (;;) {
        pollfd p[2] = {{fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        int r;
        {
            ExternalWait outside(clock());
            r = poll(p, 2, -1);
        }
        if (r < 0 && errno == EINTR) continue;
        if (r < 0 || (p[1].revents & POLLIN)) return;
        if (p[0].revents & (POLLIN | POLLHUP | POLLERR)) {
            const ssize_t n = read(fd_, buf, sizeof(buf));
            if (n > 0) {
                DeliverReceived(buf, static_cast<size_t>(n));
                continue;
            }
            if (n < 0 && (errno == EAGAIN || errno == EINTR)) continue;
            // 0 from a socket is the peer closing; EIO from a tty is a hang-up or an unplug.
            LineLost(ERROR_DEVICE_REMOVED);
            return;
        }
        if (p[0].revents & POLLNVAL) {
            LineLost(ERROR_DEVICE_REMOVED);
            return;
        }
    }
}

int32_t FdSerialPort::LineTransmit(const uint8_t* data, uint32_t length, uint32_t timeout_ms) {
    const uint64_t start = clock().TickMs();
    uint32_t sent = 0;
    while (sent < length) {
        // send() on a socket so that a peer that has gone is an error, not a SIGPIPE.
        const ssize_t n = is_socket_ ? send(fd_, data + sent, length - sent, MSG_NOSIGNAL)
                                     : write(fd_, data + sent, length - sent);
        if (n > 0) {
            sent += static_cast<uint32_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) {
            LineLost(ERROR_DEVICE_REMOVED);
            SetLastError(ERROR_DEVICE_REMOVED);
            return sent > 0 ? static_cast<int32_t>(sent) : -1;
        }
        const uint64_t spent = clock().TickMs() - start;
        if (timeout_ms != kInfinite && spent >= timeout_ms) break;
        const int slice = timeout_ms == kInfinite ? 100
                                                  : static_cast<int>(std::min<uint64_t>(
                                                        100, timeout_ms - spent));
        pollfd p{fd_, POLLOUT, 0};
        ExternalWait outside(clock());
        poll(&p, 1, slice);
    }
    return static_cast<int32_t>(sent);
}

}  // namespace qmx2::devices
