// This program's window socket: its I/O thread, and sends and posts to other programs.
#include "platform/windows_socket.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <ctime>
#include <random>

#include "platform/comm_types.h"

namespace qmx2::platform::windows_detail {
namespace {

// Frames read from one connection before the others get their turn.
constexpr int kFramesPerPass = 64;
// Connections from other programs held at once; a program that opens more (a runaway or a
// hostile one) has the extra ones closed at once instead of eating this program's descriptors.
constexpr size_t kMaxInbound = 256;

std::string RandomSocketName() {
    std::random_device rd;
    const uint64_t v = (uint64_t{rd()} << 32) | rd();
    char name[40];
    std::snprintf(name, sizeof name, "%016" PRIx64 ".sock", v);
    return name;
}

uint64_t NowNs() {
    timespec ts{};
    ::clock_gettime(CLOCK_REALTIME, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1'000'000'000u + static_cast<uint64_t>(ts.tv_nsec);
}

}  // namespace

struct SocketTransport::Connection {
    explicit Connection(int f) : fd(f) {}
    ~Connection() { ::close(fd); }
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    // One frame is one packet: either all of it goes or none does.
    bool Send(const std::vector<uint8_t>& bytes) const {
        if (bytes.empty()) return false;
        ssize_t n;
        do {
            n = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        } while (n < 0 && errno == EINTR);
        return n == static_cast<ssize_t>(bytes.size());
    }

    const int fd;
};

struct SocketTransport::Outbound {
    std::shared_ptr<Connection> conn;
    uint64_t id = 0;
    std::shared_ptr<SentMessage> sm;
};

SocketTransport::SocketTransport(Clock& clock, MessageCore& core, WindowDirectory dir)
    : clock_(clock), core_(core), dir_(std::move(dir)) {}

std::unique_ptr<SocketTransport> SocketTransport::Open(Clock& clock, MessageCore& core,
                                                       const std::string& root, uint32_t* error) {
    auto dir = WindowDirectory::Open(root, error);
    if (!dir) return nullptr;
    dir->SweepDeadSockets();
    std::unique_ptr<SocketTransport> t(new SocketTransport(clock, core, std::move(*dir)));
    t->socket_name_ = RandomSocketName();
    t->listen_fd_ = t->dir_.Listen(t->socket_name_);
    t->wake_fd_ = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (t->listen_fd_ < 0 || t->wake_fd_ < 0) {
        if (error) *error = ERROR_ACCESS_DENIED;
        return nullptr;  // the destructor closes what was opened
    }
    t->io_thread_.Start(clock, [p = t.get()] { p->IoLoop(); });
    return t;
}

SocketTransport::~SocketTransport() {
    if (io_thread_.Running()) {
        {
            std::lock_guard lk(mu_);
            stop_ = true;
        }
        Wake();
        io_thread_.Join();
    }
    if (listen_fd_ >= 0) {
        ::close(listen_fd_);
        ::unlink((dir_.path() + "/" + socket_name_).c_str());
    }
    if (wake_fd_ >= 0) ::close(wake_fd_);
}

void SocketTransport::Wake() {
    const uint64_t one = 1;
    [[maybe_unused]] ssize_t n = ::write(wake_fd_, &one, sizeof one);
}

uint32_t SocketTransport::Publish(HWND hwnd, WideView window_class, WideView title) {
    wire::WindowEntry e;
    e.hwnd = hwnd;
    e.created_ns = NowNs();
    e.pid = static_cast<uint32_t>(::getpid());
    e.window_class = WideString(window_class);
    e.title = WideString(title);
    e.socket_name = socket_name_;
    return dir_.Publish(e);
}

void SocketTransport::Unpublish(HWND hwnd) { dir_.Remove(hwnd); }

HWND SocketTransport::Find(WideView window_class, const WideString* title) {
    for (const auto& e : dir_.ReadAll()) {
        if ((!window_class.empty() && e.window_class != window_class) || (title && e.title != *title))
            continue;
        if (e.socket_name == socket_name_) {
            if (core_.HasWindow(e.hwnd)) return e.hwnd;
            continue;
        }
        Reach reach = Reach::kGone;
        const int fd = dir_.Connect(e.socket_name, &reach);
        if (fd >= 0) ::close(fd);
        if (reach != Reach::kGone) return e.hwnd;
        dir_.RemoveStale(e, reach);
    }
    return 0;
}

bool SocketTransport::IsRemoteAlive(HWND hwnd) {
    Reach reach;
    const int fd = ConnectToWindow(hwnd, &reach);
    if (fd < 0) return false;
    ::close(fd);
    return true;
}

std::vector<HWND> SocketTransport::RemoteWindows() {
    std::vector<HWND> all;
    for (const auto& e : dir_.ReadAll())
        if (e.socket_name != socket_name_) all.push_back(e.hwnd);
    return all;
}

int SocketTransport::ConnectToWindow(HWND hwnd, Reach* reach) {
    *reach = Reach::kGone;
    const auto entry = dir_.Read(hwnd);
    if (!entry || entry->socket_name == socket_name_) return -1;
    const int fd = dir_.Connect(entry->socket_name, reach);
    if (fd < 0) dir_.RemoveStale(*entry, *reach);
    return fd;
}

std::shared_ptr<SentMessage> SocketTransport::StartSend(HWND hwnd, uint32_t msg, WPARAM wparam,
                                                        LPARAM lparam,
                                                        std::optional<WideString> device_name) {
    auto sm = std::make_shared<SentMessage>();
    sm->hwnd = hwnd;
    sm->message = msg;
    sm->wparam = wparam;
    sm->lparam = lparam;
    wire::Frame f;
    f.kind = wire::FrameKind::kSend;
    f.message = msg;
    f.id = next_id_++;
    f.hwnd = hwnd;
    f.wparam = wparam;
    f.lparam = lparam;
    f.device_name = std::move(device_name);
    const std::vector<uint8_t> bytes = wire::EncodeFrame(f);
    if (bytes.empty()) {
        CompleteSent(clock_, sm, 0, ERROR_INVALID_PARAMETER);
        return sm;
    }
    Reach reach;
    const int fd = ConnectToWindow(hwnd, &reach);
    if (fd < 0) {
        CompleteSent(clock_, sm, 0,
                     reach == Reach::kBusy ? ERROR_TIMEOUT : ERROR_INVALID_WINDOW_HANDLE);
        return sm;
    }
    auto out = std::make_shared<Outbound>();
    out->conn = std::make_shared<Connection>(fd);
    out->id = f.id;
    out->sm = sm;
    if (!out->conn->Send(bytes)) {
        CompleteSent(clock_, sm, 0, errno == EAGAIN ? ERROR_TIMEOUT : ERROR_INVALID_WINDOW_HANDLE);
        return sm;
    }
    {
        std::lock_guard lk(mu_);
        new_outbound_.push_back(std::move(out));
    }
    Wake();
    return sm;
}

void SocketTransport::Cancel(const std::shared_ptr<SentMessage>& sm) {
    {
        std::lock_guard lk(mu_);
        cancelled_.push_back(sm);
    }
    Wake();
}

bool SocketTransport::Post(HWND hwnd, uint32_t msg, WPARAM wparam, LPARAM lparam) {
    wire::Frame f;
    f.kind = wire::FrameKind::kPost;
    f.message = msg;
    f.hwnd = hwnd;
    f.wparam = wparam;
    f.lparam = lparam;
    Reach reach;
    const int fd = ConnectToWindow(hwnd, &reach);
    if (fd < 0) return false;
    const Connection conn(fd);
    return conn.Send(wire::EncodeFrame(f));
}

void SocketTransport::HandleFrame(const std::shared_ptr<Connection>& conn, const wire::Frame& f) {
    if (f.kind == wire::FrameKind::kPost) {
        core_.Post(MSG{f.hwnd, f.message, f.wparam, f.lparam});
        return;
    }
    if (f.kind != wire::FrameKind::kSend) {
        ++dropped_frames_;
        return;
    }
    auto sm = std::make_shared<SentMessage>();
    sm->hwnd = f.hwnd;
    sm->message = f.message;
    sm->wparam = f.wparam;
    sm->lparam = f.lparam;
    if (f.device_name) sm->device = MakeDeviceBroadcast(*f.device_name);
    sm->on_done = [conn, id = f.id](LRESULT result, uint32_t error) {
        wire::Frame reply;
        reply.kind = wire::FrameKind::kReply;
        reply.id = id;
        reply.lparam = result;
        reply.error = error;
        conn->Send(wire::EncodeFrame(reply));  // a sender that gave up is no longer there
    };
    core_.Deliver(sm);
}

bool SocketTransport::ReadInbound(const std::shared_ptr<Connection>& conn,
                                  std::vector<uint8_t>& buf) {
    for (int i = 0; i < kFramesPerPass; ++i) {
        const ssize_t n = ::recv(conn->fd, buf.data(), buf.size(), MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return errno == EAGAIN;
        if (n == 0) return false;
        const auto frame = wire::DecodeFrame(buf.data(), static_cast<size_t>(n));
        if (!frame) {
            ++dropped_frames_;
            continue;
        }
        HandleFrame(conn, *frame);
    }
    return true;
}

bool SocketTransport::ReadReply(Outbound& out, std::vector<uint8_t>& buf) {
    for (int i = 0; i < kFramesPerPass; ++i) {
        const ssize_t n = ::recv(out.conn->fd, buf.data(), buf.size(), MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno == EAGAIN) return true;
        if (n <= 0) {
            // The receiving program died or dropped us before it answered.
            CompleteSent(clock_, out.sm, 0, ERROR_INVALID_WINDOW_HANDLE);
            return false;
        }
        const auto frame = wire::DecodeFrame(buf.data(), static_cast<size_t>(n));
        if (!frame || frame->kind != wire::FrameKind::kReply || frame->id != out.id) {
            ++dropped_frames_;
            continue;
        }
        CompleteSent(clock_, out.sm, frame->lparam, frame->error);
        return false;
    }
    return true;
}

void SocketTransport::IoLoop() {
    std::vector<uint8_t> buf(wire::kMaxFrameBytes + 1);  // one more: an oversized packet shows
    std::vector<pollfd> fds;
    for (;;) {
        fds.clear();
        fds.push_back({wake_fd_, POLLIN, 0});
        fds.push_back({listen_fd_, POLLIN, 0});
        for (const auto& c : inbound_) fds.push_back({c->fd, POLLIN, 0});
        for (const auto& o : outbound_) fds.push_back({o->conn->fd, POLLIN, 0});
        int ready;
        {
            ExternalWait away(clock_);
            ready = ::poll(fds.data(), fds.size(), -1);
        }
        if (ready < 0) continue;  // EINTR; nothing else can fail with these arguments

        const size_t first_out = 2 + inbound_.size();
        std::vector<bool> closed_in(inbound_.size()), closed_out(outbound_.size());
        for (size_t i = 0; i < inbound_.size(); ++i)
            if (fds[2 + i].revents) closed_in[i] = !ReadInbound(inbound_[i], buf);
        for (size_t i = 0; i < outbound_.size(); ++i)
            if (fds[first_out + i].revents) closed_out[i] = !ReadReply(*outbound_[i], buf);
        for (size_t i = inbound_.size(); i-- > 0;)
            if (closed_in[i]) inbound_.erase(inbound_.begin() + static_cast<ptrdiff_t>(i));
        for (size_t i = outbound_.size(); i-- > 0;)
            if (closed_out[i]) outbound_.erase(outbound_.begin() + static_cast<ptrdiff_t>(i));

        if (fds[1].revents) {
            int fd;
            while ((fd = ::accept4(listen_fd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC)) >= 0) {
                if (inbound_.size() < kMaxInbound) inbound_.push_back(std::make_shared<Connection>(fd));
                else ::close(fd);
            }
        }
        if (fds[0].revents) {
            uint64_t count;
            [[maybe_unused]] ssize_t n = ::read(wake_fd_, &count, sizeof count);
            std::lock_guard lk(mu_);
            for (auto& o : new_outbound_) outbound_.push_back(std::move(o));
            new_outbound_.clear();
            for (const auto& sm : cancelled_)
                std::erase_if(outbound_, [&](const auto& o) { return o->sm == sm; });
            cancelled_.clear();
            if (stop_) break;
        }
    }
    // Sends still waiting will never get their answer from here.
    for (const auto& o : outbound_) CompleteSent(clock_, o->sm, 0, ERROR_INVALID_WINDOW_HANDLE);
    outbound_.clear();
    inbound_.clear();
}

}  // namespace qmx2::platform::windows_detail
