// The device host's socket: serves the programs' opens of the host's devices over
// "<root>/run/device.sock" with the protocol of platform/serial_wire.h.
//
// A connection that opens a device owns that open context: when the program closes the socket
// (or dies), the context is closed, even while a call of it is blocked in the driver. A second
// connection can attach to the same context to run a call beside a blocked one (a purge beside
// a read, a mask change beside an event wait).
//
// A program that goes with its read/write open still open (killed mid-command) leaves the
// card's answer to that command on the line and in the port. The next read/write open of that
// port first reads and drops what is still coming, until the line has been quiet for a while,
// so that the answer is never taken for the reply to the next program's command.
#pragma once

#include <atomic>
#include <cstdint>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/devices.h"
#include "platform/serial_wire.h"
#include "platform/sync.h"

namespace qmx2::devices {

class PortServer {
public:
    PortServer(platform::Clock& clock, platform::Devices& devices);
    ~PortServer();
    PortServer(const PortServer&) = delete;
    PortServer& operator=(const PortServer&) = delete;

    // Binds the socket; fails when another host is already serving it.
    bool Start(const std::string& socket_path, std::string* error);
    // Closes every open context, ends every connection and removes the socket file.
    void Stop();
    int ConnectionCount();

private:
    struct OpenEntry;
    struct Connection;
    void AcceptLoop();
    void Serve(Connection* c);
    platform::WireAnswer Handle(Connection* c, const platform::WireRequest& r);
    platform::WireAnswer HandleOpen(Connection* c, const platform::WireRequest& r);
    platform::WireAnswer HandleCall(OpenEntry& e, const platform::WireRequest& r);
    // `abandoned`: the owning program went without closing.
    void CloseEntry(OpenEntry& e, bool abandoned = false);
    static void DropLeftovers(platform::StreamDriver* d, uintptr_t context);
    static void ReadAhead(OpenEntry& e, std::vector<uint8_t>* data);
    void Wake();

    platform::Clock& clock_;
    platform::Devices& devices_;
    std::string path_;
    int listen_fd_ = -1;
    int wake_[2] = {-1, -1};
    platform::Thread acceptor_;
    bool running_ = false;
    std::atomic<bool> stopping_{false};

    std::mutex mu_;  // guards connections_ and entries_; never held across a driver call
    std::list<std::unique_ptr<Connection>> connections_;
    std::map<uint64_t, std::shared_ptr<OpenEntry>> entries_;
    uint64_t token_seed_ = 0;
    std::set<platform::StreamDriver*> abandoned_;  // ports a program left mid-command
};

}  // namespace qmx2::devices
