// The real-time bridge between a descriptor and a port: one thread reads the port, the calling
// thread reads the descriptor.
#include "hardware/cardsim/bridge.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "platform/comm_types.h"

namespace qmx2::hardware::cardsim {

using namespace qmx2::platform;

namespace {

uintptr_t OpenPort(StreamDriver& port, uint32_t baud) {
    const uintptr_t h = port.Open(GENERIC_READ | GENERIC_WRITE, 0);
    if (!h) return 0;
    if (baud != 0) {
        DCB dcb{};
        uint32_t ret = 0;
        port.IoControl(h, IOCTL_SERIAL_GET_DCB, nullptr, 0, &dcb, sizeof dcb, &ret);
        dcb.BaudRate = baud;
        port.IoControl(h, IOCTL_SERIAL_SET_DCB, &dcb, sizeof dcb, nullptr, 0, nullptr);
    }
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

void RunBridge(StreamDriver& port, int fd, const BridgeOptions& options, const std::atomic<bool>& stop) {
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

bool ServePty(StreamDriver& port, const std::string& link, uint32_t baud, const std::atomic<bool>& stop,
              const BridgeReady& ready, std::string* error) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        *error = std::string("pseudo-terminal: ") + std::strerror(errno);
        if (master >= 0) close(master);
        return false;
    }
    char name[128];
    if (ptsname_r(master, name, sizeof name) != 0) {
        *error = std::string("pseudo-terminal: ") + std::strerror(errno);
        close(master);
        return false;
    }
    const std::string path = name;
    // Our own open of the terminal side keeps the master readable while no program has it
    // open, and gives programs that do not set a mode a raw line.
    const int slave = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios t{};
    if (slave >= 0 && tcgetattr(slave, &t) == 0) {
        cfmakeraw(&t);
        tcsetattr(slave, TCSANOW, &t);
    }
    if (!link.empty()) {
        unlink(link.c_str());
        if (symlink(path.c_str(), link.c_str()) != 0) *error = link + ": " + std::strerror(errno);
    }
    ready(path);
    RunBridge(port, master, {baud, false}, stop);
    if (!link.empty()) unlink(link.c_str());
    if (slave >= 0) close(slave);
    close(master);
    return true;
}

bool ServeTcp(StreamDriver& port, int tcp_port, uint32_t baud, const std::atomic<bool>& stop,
              const BridgeReady& ready, std::string* error) {
    const int listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int one = 1;
    if (listener >= 0) setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(tcp_port));
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (listener < 0 || tcp_port <= 0 || tcp_port > 65535 ||
        bind(listener, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(listener, 1) != 0) {
        *error = "TCP port " + std::to_string(tcp_port) + ": " + std::strerror(errno);
        if (listener >= 0) close(listener);
        return false;
    }
    ready("127.0.0.1:" + std::to_string(tcp_port));
    while (!stop) {
        pollfd p{listener, POLLIN, 0};
        if (poll(&p, 1, 200) <= 0) continue;
        const int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
        if (client < 0) continue;
        RunBridge(port, client, {baud, true}, stop);
        close(client);
    }
    close(listener);
    return true;
}

}  // namespace qmx2::hardware::cardsim
