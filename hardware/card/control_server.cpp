// The control socket: one thread, poll over the listening socket, its clients and a wake pipe.
#include "hardware/card/control_server.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <thread>
#include <vector>

#include "hardware/card/control.h"

namespace qmx2::hardware::card {
namespace {

// A client that sends a longer line without a line end is cut off.
constexpr size_t kMaxLine = 4096;

class SocketControlServer final : public ControlServer {
public:
    SocketControlServer(ControlServer::Runner run, std::string path, int listener, int wake_read, int wake_write)
        : run_(std::move(run)), path_(std::move(path)), listener_(listener), wake_read_(wake_read),
          wake_write_(wake_write), thread_([this] { Serve(); }) {}

    ~SocketControlServer() override {
        const char stop = 1;
        (void)!write(wake_write_, &stop, 1);
        thread_.join();
        for (const Client& c : clients_) close(c.fd);
        close(listener_);
        close(wake_read_);
        close(wake_write_);
        unlink(path_.c_str());
    }

    const std::string& path() const override { return path_; }

private:
    struct Client {
        int fd;
        std::string pending;
    };

    void Serve() {
        for (;;) {
            std::vector<pollfd> fds{{wake_read_, POLLIN, 0}, {listener_, POLLIN, 0}};
            for (const Client& c : clients_) fds.push_back({c.fd, POLLIN, 0});
            if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR) return;
            if (fds[0].revents) return;
            if (fds[1].revents & POLLIN) {
                const int fd = accept(listener_, nullptr, nullptr);
                if (fd >= 0) clients_.push_back({fd, {}});
            }
            for (size_t i = 2; i < fds.size(); ++i)
                if (fds[i].revents && !Serve(clients_[i - 2])) clients_[i - 2].fd = -1;
            std::erase_if(clients_, [](const Client& c) { return c.fd < 0; });
        }
    }

    // Reads what the client sent and answers every whole line; false when it is gone.
    bool Serve(Client& c) {
        char buf[1024];
        const ssize_t n = read(c.fd, buf, sizeof buf);
        if (n <= 0) return Drop(c);
        c.pending.append(buf, static_cast<size_t>(n));
        size_t nl;
        while ((nl = c.pending.find('\n')) != std::string::npos) {
            const std::string answer = run_(std::string_view(c.pending).substr(0, nl)) + "\n";
            c.pending.erase(0, nl + 1);
            if (send(c.fd, answer.data(), answer.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(answer.size()))
                return Drop(c);
        }
        if (c.pending.size() <= kMaxLine) return true;
        static constexpr char kTooLong[] = "ERROR line too long\n";
        send(c.fd, kTooLong, sizeof kTooLong - 1, MSG_NOSIGNAL);
        return Drop(c);
    }

    bool Drop(Client& c) {
        close(c.fd);
        return false;
    }

    ControlServer::Runner run_;
    std::string path_;
    int listener_, wake_read_, wake_write_;
    std::vector<Client> clients_;
    std::thread thread_;
};

}  // namespace

std::unique_ptr<ControlServer> ControlServer::Start(ControlTarget& card, const std::string& path,
                                                    std::string* error) {
    return Start([&card](std::string_view line) { return RunControlCommand(card, line); }, path, error);
}

std::unique_ptr<ControlServer> ControlServer::Start(Runner run, const std::string& path, std::string* error) {
    sockaddr_un addr{};
    if (path.empty() || path.size() >= sizeof(addr.sun_path)) {
        *error = "control socket path is empty or too long: " + path;
        return nullptr;
    }
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path, path.c_str(), path.size() + 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    int wake[2] = {-1, -1};
    unlink(path.c_str());
    if (fd < 0 || bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
        listen(fd, 8) != 0 || pipe2(wake, O_CLOEXEC) != 0) {
        *error = "control socket " + path + ": " + std::strerror(errno);
        if (fd >= 0) close(fd);
        return nullptr;
    }
    return std::make_unique<SocketControlServer>(std::move(run), path, fd, wake[0], wake[1]);
}

}  // namespace qmx2::hardware::card
