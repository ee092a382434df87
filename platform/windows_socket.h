// The between-programs half of the window system: this program's socket, its I/O thread, and
// sends and posts to windows of other programs.
//
// The I/O thread is the only reader of every socket. It hands incoming sends and posts to the
// MessageCore (which queues them for the window's thread) and completes this program's sends
// when their replies come in, so window threads only ever wait on the clock. The sending side
// never blocks outside the clock: connects and writes are non-blocking, and a peer too stalled
// to take them counts as a failed send.
//
// On a virtual clock, time may jump while a frame is in flight between programs; programs that
// talk over sockets run on the real clock.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/sync.h"
#include "platform/windows_core.h"
#include "platform/windows_entries.h"

namespace qmx2::platform::windows_detail {

class SocketTransport {
public:
    static std::unique_ptr<SocketTransport> Open(Clock& clock, MessageCore& core,
                                                 const std::string& root, uint32_t* error);
    ~SocketTransport();
    SocketTransport(const SocketTransport&) = delete;
    SocketTransport& operator=(const SocketTransport&) = delete;

    // 0 or the error of WindowDirectory::Publish.
    uint32_t Publish(HWND hwnd, WideView window_class, WideView title);
    void Unpublish(HWND hwnd);

    // The oldest live window of the class (and title) in any program, this one included.
    HWND Find(WideView window_class, const WideString* title);
    bool IsRemoteAlive(HWND hwnd);
    // Windows of the other programs, live or not (a dead one fails its send at once).
    std::vector<HWND> RemoteWindows();

    // Starts a send to a window of another program; the result is done at once on failure.
    std::shared_ptr<SentMessage> StartSend(HWND hwnd, uint32_t msg, WPARAM wparam, LPARAM lparam,
                                           std::optional<WideString> device_name);
    // Drops a send whose sender stopped waiting.
    void Cancel(const std::shared_ptr<SentMessage>& sm);
    bool Post(HWND hwnd, uint32_t msg, WPARAM wparam, LPARAM lparam);

    // Frames refused so far (malformed, oversized or unexpected); for tests and logs.
    uint64_t dropped_frames() const { return dropped_frames_.load(); }

private:
    struct Connection;
    struct Outbound;

    SocketTransport(Clock& clock, MessageCore& core, WindowDirectory dir);
    int ConnectToWindow(HWND hwnd, Reach* reach);
    void IoLoop();
    void Wake();
    // Reads what a connection has; false once it is closed.
    bool ReadInbound(const std::shared_ptr<Connection>& conn, std::vector<uint8_t>& buf);
    bool ReadReply(Outbound& out, std::vector<uint8_t>& buf);
    void HandleFrame(const std::shared_ptr<Connection>& conn, const wire::Frame& frame);

    Clock& clock_;
    MessageCore& core_;
    WindowDirectory dir_;
    std::string socket_name_;
    int listen_fd_ = -1;
    int wake_fd_ = -1;
    std::atomic<uint64_t> next_id_{1};
    std::atomic<uint64_t> dropped_frames_{0};

    std::mutex mu_;  // guards the hand-over lists below
    std::vector<std::shared_ptr<Outbound>> new_outbound_;
    std::vector<std::shared_ptr<SentMessage>> cancelled_;
    bool stop_ = false;

    // Owned by the I/O thread.
    std::vector<std::shared_ptr<Connection>> inbound_;
    std::vector<std::shared_ptr<Outbound>> outbound_;

    Thread io_thread_;
};

}  // namespace qmx2::platform::windows_detail
