// The control interface of a running card on a Unix socket: each connection sends command lines
// (see control.h) and reads one answer line for each. Host glue: it uses POSIX sockets and its
// own thread, which blocks on the socket outside any clock.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace qmx2::hardware::card {

class ControlTarget;

class ControlServer {
public:
    // Listens at `path` (an old socket file there is replaced). nullptr with *error on failure.
    // The card must outlive the server.
    static std::unique_ptr<ControlServer> Start(ControlTarget& card, const std::string& path,
                                                std::string* error);
    // The same with the host's own command lines: `run` answers each one (the answer without its
    // line end), on the server's thread.
    using Runner = std::function<std::string(std::string_view line)>;
    static std::unique_ptr<ControlServer> Start(Runner run, const std::string& path, std::string* error);
    virtual ~ControlServer() = default;
    virtual const std::string& path() const = 0;
};

}  // namespace qmx2::hardware::card
