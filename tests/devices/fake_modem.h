// A modem on the master side of a pseudo-terminal: collects each command up to its CR and
// answers from a script; an answer of nullopt hangs the line up.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "tests/devices/pty_pair.h"

namespace qmx2::devices::testing {

using ModemScript = std::function<std::optional<std::string>(const std::string& command)>;

class FakeModem {
public:
    FakeModem(PtyPair& pty, ModemScript script) : pty_(pty), script_(std::move(script)) {
        if (pipe(stop_) != 0) stop_[0] = stop_[1] = -1;
        thread_ = std::thread([this] { Run(); });
    }
    ~FakeModem() {
        const char b = 1;
        [[maybe_unused]] ssize_t k = write(stop_[1], &b, 1);
        thread_.join();
        close(stop_[0]);
        close(stop_[1]);
    }

private:
    void Run() {
        std::string line;
        for (;;) {
            pollfd p[2] = {{pty_.master, POLLIN, 0}, {stop_[0], POLLIN, 0}};
            if (pty_.master < 0 || poll(p, 2, -1) <= 0 || (p[1].revents & POLLIN)) return;
            char c;
            // EIO while nobody holds the slave open: the modem just waits for the next open.
            if (read(pty_.master, &c, 1) != 1) {
                poll(p + 1, 1, 5);
                continue;
            }
            if (c != '\r') {
                line.push_back(c);
                continue;
            }
            const auto answer = script_(line);
            line.clear();
            if (!answer) {
                pty_.CloseMaster();
                return;
            }
            pty_.Send(*answer);
        }
    }
    PtyPair& pty_;
    ModemScript script_;
    int stop_[2];
    std::thread thread_;
};

}  // namespace qmx2::devices::testing
