// Connecting the TCP modem port.
#include "devices/tcp_port.h"

#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace qmx2::devices {

std::unique_ptr<TcpPort> TcpPort::Connect(platform::Clock& clock, const std::string& host,
                                          const std::string& port, std::string* error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    const int rc = getaddrinfo(host.c_str(), port.c_str(), &hints, &found);
    if (rc != 0) {
        *error = "cannot find " + host + ":" + port + ": " + gai_strerror(rc);
        return nullptr;
    }
    int fd = -1;
    int last_errno = 0;
    for (addrinfo* a = found; a && fd < 0; a = a->ai_next) {
        fd = socket(a->ai_family, a->ai_socktype | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) continue;
        if (connect(fd, a->ai_addr, a->ai_addrlen) != 0) {
            last_errno = errno;
            close(fd);
            fd = -1;
        }
    }
    freeaddrinfo(found);
    if (fd < 0) {
        *error = "cannot connect to " + host + ":" + port + ": " + std::strerror(last_errno);
        return nullptr;
    }
    const int one = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &one, sizeof(one));
    std::unique_ptr<TcpPort> p(new TcpPort(clock));
    if (!p->Attach(fd, error)) return nullptr;
    return p;
}

TcpPort::~TcpPort() { Detach(); }

}  // namespace qmx2::devices
