// A pseudo-terminal for tests: the slave's path is the "modem's tty", the master is the modem.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <stdlib.h>
#include <string>
#include <unistd.h>

namespace qmx2::devices::testing {

struct PtyPair {
    PtyPair() {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0)
            slave_path = ptsname(master);
    }
    ~PtyPair() { CloseMaster(); }
    void CloseMaster() {
        if (master >= 0) close(master);
        master = -1;
    }
    bool Send(const std::string& bytes) const {
        return write(master, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    // Reads until `count` bytes came or nothing came for timeout_ms.
    std::string Receive(size_t count, int timeout_ms = 5000) const {
        std::string got;
        while (got.size() < count) {
            pollfd p{master, POLLIN, 0};
            if (poll(&p, 1, timeout_ms) <= 0) break;
            char buf[256];
            const ssize_t n = read(master, buf, std::min(sizeof(buf), count - got.size()));
            if (n <= 0) break;
            got.append(buf, static_cast<size_t>(n));
        }
        return got;
    }
    int master = -1;
    std::string slave_path;
};

}  // namespace qmx2::devices::testing
