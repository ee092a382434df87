// The device host's socket server: connections, open contexts and hang-up watching.
#include "devices/port_server.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

#include "platform/comm_types.h"
#include "platform/last_error.h"
#include "platform/serial_port_rules.h"

namespace qmx2::devices {

using namespace qmx2::platform;

struct PortServer::OpenEntry {
    StreamDriver* driver = nullptr;
    uintptr_t context = 0;
    uint64_t token = 0;
    std::mutex mu;
    // Held while a read-ahead has the time-outs changed, and by the program's own time-out
    // requests, which therefore never see or get overwritten by the read-ahead's.
    std::mutex timeouts_mu;
    bool open = false;
    bool reads_or_writes = false;  // an open the driver allows only once
    std::string holder;            // "Qmx2PPC, pid 4242"
};

struct PortServer::Connection {
    int fd = -1;
    std::string peer;  // the program on the other end: "name, pid N"
    Thread thread;
    // Set once by the connection's thread (Open or Attach) and kept until the connection is
    // destroyed, so that the watcher can read it once it has seen `owner`.
    std::shared_ptr<OpenEntry> entry;
    std::atomic<bool> owner{false};     // this connection opened entry
    std::atomic<bool> busy{false};      // inside a driver call
    std::atomic<bool> done{false};
    std::atomic<bool> hung_up{false};   // the watcher saw the peer go
};

namespace {

// The program behind a connection, from the socket's peer credentials: "Qmx2PPC, pid 4242".
std::string PeerProgram(int fd) {
    ucred cred{};
    socklen_t len = sizeof cred;
    if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &len) != 0 || cred.pid <= 0) return "";
    std::string name;
    if (std::FILE* f = std::fopen(("/proc/" + std::to_string(cred.pid) + "/comm").c_str(), "r")) {
        char buffer[64] = {};
        if (std::fgets(buffer, sizeof buffer, f)) name = buffer;
        std::fclose(f);
    }
    while (!name.empty() && (name.back() == '\n' || name.back() == '\r')) name.pop_back();
    return (name.empty() ? "a program" : name) + ", pid " + std::to_string(cred.pid);
}

}  // namespace

PortServer::PortServer(Clock& clock, Devices& devices) : clock_(clock), devices_(devices) {
    token_seed_ = (static_cast<uint64_t>(std::random_device{}()) << 32) | std::random_device{}();
}

PortServer::~PortServer() { Stop(); }

bool PortServer::Start(const std::string& socket_path, std::string* error) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (socket_path.size() >= sizeof(addr.sun_path)) {
        *error = "the socket path " + socket_path + " is too long";
        return false;
    }
    std::memcpy(addr.sun_path, socket_path.c_str(), socket_path.size() + 1);
    const int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe >= 0 && connect(probe, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0) {
        close(probe);
        *error = "another device host already serves " + socket_path;
        return false;
    }
    if (probe >= 0) close(probe);
    unlink(socket_path.c_str());  // left behind by a host that was killed
    listen_fd_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (listen_fd_ < 0 || bind(listen_fd_, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 ||
        listen(listen_fd_, 16) != 0 || pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
        *error = "cannot listen on " + socket_path + ": " + std::strerror(errno);
        if (listen_fd_ >= 0) close(listen_fd_);
        listen_fd_ = -1;
        return false;
    }
    path_ = socket_path;
    running_ = true;
    stopping_ = false;
    acceptor_.Start(clock_, [this] { AcceptLoop(); });
    return true;
}

void PortServer::Wake() {
    const char b = 1;
    [[maybe_unused]] ssize_t k = write(wake_[1], &b, 1);
}

void PortServer::Stop() {
    if (!running_) return;
    stopping_ = true;
    Wake();
    acceptor_.Join();
    std::vector<std::shared_ptr<OpenEntry>> entries;
    {
        std::lock_guard lk(mu_);
        for (auto& [t, e] : entries_) entries.push_back(e);
        for (auto& c : connections_) shutdown(c->fd, SHUT_RDWR);
    }
    for (auto& e : entries) CloseEntry(*e);
    std::list<std::unique_ptr<Connection>> all;
    {
        std::lock_guard lk(mu_);
        all.swap(connections_);
    }
    for (auto& c : all) {
        c->thread.Join();
        close(c->fd);
    }
    close(listen_fd_);
    close(wake_[0]);
    close(wake_[1]);
    listen_fd_ = wake_[0] = wake_[1] = -1;
    unlink(path_.c_str());
    running_ = false;
}

int PortServer::ConnectionCount() {
    std::lock_guard lk(mu_);
    return static_cast<int>(connections_.size());
}

void PortServer::CloseEntry(OpenEntry& e, bool abandoned) {
    std::lock_guard lk(e.mu);
    if (!e.open) return;
    e.open = false;
    if (abandoned && e.reads_or_writes) {
        // Marked before the port frees up, so that no open can come in between.
        std::lock_guard lk2(mu_);
        abandoned_.insert(e.driver);
    }
    e.driver->Close(e.context);
    std::lock_guard lk2(mu_);
    entries_.erase(e.token);
}

// Accepts connections, reaps the finished ones and watches the busy ones for a peer that has
// gone, so that a program killed inside a blocking read does not keep the port.
void PortServer::AcceptLoop() {
    for (;;) {
        std::vector<pollfd> fds = {{listen_fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
        std::vector<Connection*> watched;
        {
            std::lock_guard lk(mu_);
            for (auto it = connections_.begin(); it != connections_.end();) {
                Connection* c = it->get();
                if (c->done) {
                    c->thread.Join();
                    close(c->fd);
                    it = connections_.erase(it);
                    continue;
                }
                if (c->busy && c->owner && !c->hung_up) {
                    fds.push_back({c->fd, POLLRDHUP, 0});
                    watched.push_back(c);
                }
                ++it;
            }
        }
        {
            ExternalWait outside(clock_);
            const int r = poll(fds.data(), fds.size(), -1);
            if (r < 0 && errno != EINTR) return;
        }
        if (fds[1].revents & POLLIN) {
            char b[16];
            while (read(wake_[0], b, sizeof(b)) > 0) {
            }
        }
        // Looked at only after the drain: a Stop whose wake byte the drain swallowed has
        // already set the flag, so its wake-up is never lost.
        if (stopping_) return;
        for (size_t i = 0; i < watched.size(); ++i) {
            if (fds[i + 2].revents & (POLLRDHUP | POLLHUP | POLLERR)) {
                watched[i]->hung_up = true;
                if (watched[i]->entry) CloseEntry(*watched[i]->entry, true);
            }
        }
        if (fds[0].revents & POLLIN) {
            const int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) continue;
            auto c = std::make_unique<Connection>();
            c->fd = fd;
            c->peer = PeerProgram(fd);
            Connection* raw = c.get();
            std::lock_guard lk(mu_);
            connections_.push_back(std::move(c));
            raw->thread.Start(clock_, [this, raw] { Serve(raw); });
        }
    }
}

void PortServer::Serve(Connection* c) {
    std::vector<uint8_t> frame;
    for (;;) {
        bool ok;
        {
            ExternalWait outside(clock_);
            ok = ReceiveFrame(c->fd, &frame);
        }
        WireRequest r;
        if (!ok || !DecodeRequest(frame.data(), frame.size(), &r)) break;
        const WireAnswer a = Handle(c, r);
        bool sent;
        {
            ExternalWait outside(clock_);
            sent = SendFrame(c->fd, EncodeAnswer(a));
        }
        if (!sent) break;
    }
    if (c->owner && c->entry) CloseEntry(*c->entry, true);
    c->done = true;
    Wake();
}

WireAnswer PortServer::Handle(Connection* c, const WireRequest& r) {
    WireAnswer a;
    switch (r.op) {
        case WireOp::kQuery: a.value = devices_.Find(r.name) ? 1 : 0; return a;
        case WireOp::kOpen: return HandleOpen(c, r);
        case WireOp::kAttach: {
            std::lock_guard lk(mu_);
            auto it = entries_.find(r.token);
            if (c->entry || it == entries_.end()) {
                a.error = ERROR_INVALID_HANDLE;
                return a;
            }
            c->entry = it->second;
            a.value = 1;
            return a;
        }
        case WireOp::kClose:
            if (!c->entry || !c->owner) {
                a.error = ERROR_INVALID_HANDLE;
                return a;
            }
            CloseEntry(*c->entry);
            a.value = 1;
            return a;
        default: break;
    }
    if (!c->entry) {
        a.value = -1;
        a.error = ERROR_INVALID_HANDLE;
        return a;
    }
    c->busy = true;
    if (c->owner) Wake();  // the watcher now looks at this connection
    a = HandleCall(*c->entry, r);
    c->busy = false;
    return a;
}

WireAnswer PortServer::HandleOpen(Connection* c, const WireRequest& r) {
    WireAnswer a;
    StreamDriver* d = c->entry ? nullptr : devices_.Find(r.name);
    if (!d) {
        a.error = c->entry ? ERROR_INVALID_PARAMETER : ERROR_FILE_NOT_FOUND;
        return a;
    }
    SetLastError(0);
    const uintptr_t ctx = d->Open(r.access, r.share);
    const bool reads_or_writes = WantsAccess(r.access);
    if (!ctx) {
        a.error = GetLastError();
        // Whoever holds the one read/write open is named to the refused program and in the log.
        std::string holder;
        {
            std::lock_guard lk(mu_);
            for (const auto& [token, other] : entries_)
                if (other->driver == d && other->open && other->reads_or_writes) holder = other->holder;
        }
        if (reads_or_writes && !holder.empty()) {
            a.data.assign(holder.begin(), holder.end());
            std::fprintf(stderr, "qmx2-device: %s refused to %s: held by %s\n", ToUtf8(r.name).c_str(),
                         c->peer.c_str(), holder.c_str());
        }
        return a;
    }
    bool drop_leftovers = false;
    if (reads_or_writes) {
        std::lock_guard lk(mu_);
        drop_leftovers = abandoned_.erase(d) != 0;
    }
    if (drop_leftovers) DropLeftovers(d, ctx);
    auto e = std::make_shared<OpenEntry>();
    e->driver = d;
    e->context = ctx;
    e->open = true;
    e->reads_or_writes = reads_or_writes;
    e->holder = c->peer;
    {
        std::lock_guard lk(mu_);
        do {
            token_seed_ = token_seed_ * 6364136223846793005ull + 1442695040888963407ull;
            e->token = token_seed_;
        } while (e->token == 0 || entries_.count(e->token));
        entries_[e->token] = e;
    }
    c->entry = e;
    c->owner = true;
    a.value = static_cast<int64_t>(e->token);
    return a;
}

// Reads until nothing has come for kQuietMs (at most kDropLimitMs), then clears what is left,
// with the port's time-outs put back afterwards.
void PortServer::DropLeftovers(StreamDriver* d, uintptr_t context) {
    constexpr uint32_t kQuietMs = 200;
    constexpr uint32_t kDropLimitMs = 3000;
    COMMTIMEOUTS saved{};
    uint32_t returned = 0;
    if (!d->IoControl(context, IOCTL_SERIAL_GET_TIMEOUTS, nullptr, 0, &saved, sizeof saved,
                      &returned))
        return;
    const COMMTIMEOUTS quiet{0, 0, kQuietMs, saved.WriteTotalTimeoutMultiplier,
                             saved.WriteTotalTimeoutConstant};
    if (d->IoControl(context, IOCTL_SERIAL_SET_TIMEOUTS, &quiet, sizeof quiet, nullptr, 0, nullptr)) {
        uint8_t scratch[256];
        for (uint32_t spent = 0; spent < kDropLimitMs; spent += kQuietMs)
            if (d->Read(context, scratch, sizeof scratch) <= 0) break;
    }
    const uint32_t clear = PURGE_RXCLEAR;
    d->IoControl(context, IOCTL_SERIAL_PURGE, &clear, sizeof clear, nullptr, 0, nullptr);
    d->IoControl(context, IOCTL_SERIAL_SET_TIMEOUTS, &saved, sizeof saved, nullptr, 0, nullptr);
}

// Appends what the port already holds, without waiting: the read's time-outs are set to
// "return at once" for this one read and put back.
void PortServer::ReadAhead(OpenEntry& e, std::vector<uint8_t>* data) {
    constexpr uint32_t kMostAhead = 4096;
    std::lock_guard lk(e.timeouts_mu);
    COMMTIMEOUTS saved{};
    uint32_t returned = 0;
    if (!e.driver->IoControl(e.context, IOCTL_SERIAL_GET_TIMEOUTS, nullptr, 0, &saved,
                             sizeof saved, &returned))
        return;
    const COMMTIMEOUTS at_once{MAXDWORD, 0, 0, saved.WriteTotalTimeoutMultiplier,
                               saved.WriteTotalTimeoutConstant};
    if (!e.driver->IoControl(e.context, IOCTL_SERIAL_SET_TIMEOUTS, &at_once, sizeof at_once,
                             nullptr, 0, nullptr))
        return;
    const size_t had = data->size();
    data->resize(had + kMostAhead);
    const int32_t more = e.driver->Read(e.context, data->data() + had, kMostAhead);
    data->resize(had + (more > 0 ? static_cast<size_t>(more) : 0));
    e.driver->IoControl(e.context, IOCTL_SERIAL_SET_TIMEOUTS, &saved, sizeof saved, nullptr, 0,
                        nullptr);
}

WireAnswer PortServer::HandleCall(OpenEntry& e, const WireRequest& r) {
    WireAnswer a;
    bool open;
    {
        std::lock_guard lk(e.mu);
        open = e.open;
    }
    if (!open) {
        a.value = r.op == WireOp::kIoControl ? 0 : -1;
        a.error = ERROR_INVALID_HANDLE;
        return a;
    }
    // The driver copes with its context being closed while a call of it runs.
    SetLastError(0);
    switch (r.op) {
        case WireOp::kRead: {
            a.data.resize(r.length);
            const int32_t n = e.driver->Read(e.context, a.data.data(), r.length);
            a.data.resize(n > 0 ? static_cast<size_t>(n) : 0);
            a.value = n;
            a.error = GetLastError();
            if ((r.flags & kWireReadAhead) && n > 0 && static_cast<uint32_t>(n) == r.length)
                ReadAhead(e, &a.data);
            return a;
        }
        case WireOp::kWrite:
            a.value = e.driver->Write(e.context, r.data.data(), static_cast<uint32_t>(r.data.size()));
            break;
        case WireOp::kIoControl: {
            std::unique_lock<std::mutex> timeouts;
            if (r.code == IOCTL_SERIAL_SET_TIMEOUTS || r.code == IOCTL_SERIAL_GET_TIMEOUTS)
                timeouts = std::unique_lock(e.timeouts_mu);
            std::vector<uint8_t> in = r.data;
            a.data.assign(r.length, 0);
            uint32_t returned = 0;
            const bool has_in = r.flags & kWireHasIn, has_out = r.flags & kWireHasOut;
            a.value = e.driver->IoControl(e.context, r.code, has_in ? in.data() : nullptr,
                                          static_cast<uint32_t>(in.size()),
                                          has_out ? a.data.data() : nullptr, r.length,
                                          (r.flags & kWireHasReturned) ? &returned : nullptr)
                          ? 1 : 0;
            a.returned = returned;
            if (!has_out) a.data.clear();
            break;
        }
        default: a.error = ERROR_INVALID_PARAMETER; return a;
    }
    a.error = GetLastError();
    return a;
}

}  // namespace qmx2::devices
