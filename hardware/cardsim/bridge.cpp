// The real-time bridge between a descriptor and the card port: one thread reads the card, the
// calling thread reads the descriptor.
#include "hardware/cardsim/bridge.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <thread>

#include "platform/comm_types.h"

namespace qmx2::hardware::cardsim {

using namespace qmx2::platform;

namespace {

uintptr_t OpenPort(card::CardPort& port, uint32_t baud) {
    const uintptr_t h = port.Open(GENERIC_READ | GENERIC_WRITE, 0);
    if (!h) return 0;
    DCB dcb{};
    uint32_t ret = 0;
    port.IoControl(h, IOCTL_SERIAL_GET_DCB, nullptr, 0, &dcb, sizeof dcb, &ret);
    dcb.BaudRate = baud;
    port.IoControl(h, IOCTL_SERIAL_SET_DCB, &dcb, sizeof dcb, nullptr, 0, nullptr);
    // Hand over what has come after 5 ms of quiet, or every 100 ms.
    const COMMTIMEOUTS t{5, 0, 100, 0, 0};
    port.IoControl(h, IOCTL_SERIAL_SET_TIMEOUTS, &t, sizeof t, nullptr, 0, nullptr);
    return h;
}

bool WriteAll(int fd, const uint8_t* data, size_t n) {
    while (n > 0) {
        const ssize_t w = write(fd, data, n);
        if (w < 0 && errno == EINTR) continue;
        if (w <= 0) return false;
        data += w;
        n -= static_cast<size_t>(w);
    }
    return true;
}

}  // namespace

void RunBridge(card::CardPort& port, int fd, const BridgeOptions& options, const std::atomic<bool>& stop) {
    std::atomic<bool> done{false};
    std::atomic<uintptr_t> handle{OpenPort(port, options.baud)};
    std::thread card_to_host([&] {
        uint8_t buf[512];
        while (!stop && !done) {
            const uintptr_t h = handle;
            const int32_t n = h ? port.Read(h, buf, sizeof buf) : -1;
            if (n > 0 && !WriteAll(fd, buf, static_cast<size_t>(n))) done = true;
            if (n < 0) std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
    });
    uint8_t buf[512];
    while (!stop && !done) {
        pollfd p{fd, POLLIN, 0};
        const int r = poll(&p, 1, 100);
        if (r < 0 && errno != EINTR) break;
        if (r <= 0) continue;
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (options.end_on_eof) break;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            continue;
        }
        uintptr_t h = handle;
        // After the card was pulled and put back, the old handle is gone: open a new one.
        if (!h || port.Write(h, buf, static_cast<uint32_t>(n)) < 0) {
            if (h) port.Close(h);
            handle = OpenPort(port, options.baud);
        }
    }
    done = true;
    card_to_host.join();
    if (handle) port.Close(handle);
}

}  // namespace qmx2::hardware::cardsim
