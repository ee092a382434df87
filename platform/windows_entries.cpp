// Entry files and program sockets under <root>/run/windows/.
#include "platform/windows_entries.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstring>

#include "platform/comm_types.h"

namespace qmx2::platform::windows_detail {
namespace {

constexpr size_t kMaxEntryFileBytes = 4096;
constexpr char kEntrySuffix[] = ".wnd";
constexpr char kSocketSuffix[] = ".sock";

bool MakeDirs(const std::string& path) {
    for (size_t pos = 1; pos <= path.size(); ++pos) {
        if (pos != path.size() && path[pos] != '/') continue;
        const std::string part = path.substr(0, pos);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
    struct stat st{};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool EndsWith(const std::string& s, const char* suffix) {
    const size_t n = std::strlen(suffix);
    return s.size() >= n && s.compare(s.size() - n, n, suffix) == 0;
}

std::optional<std::vector<uint8_t>> ReadSmallFile(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0) return std::nullopt;
    std::vector<uint8_t> data(kMaxEntryFileBytes + 1);
    size_t got = 0;
    while (got < data.size()) {
        const ssize_t n = ::read(fd, data.data() + got, data.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        got += static_cast<size_t>(n);
    }
    ::close(fd);
    if (got > kMaxEntryFileBytes) return std::nullopt;
    data.resize(got);
    return data;
}

// A socket address for dir/name. sun_path holds 107 characters; a handheld root deeper than
// that is reached through /proc/self/fd of an O_PATH descriptor of the folder instead.
class SocketAddress {
public:
    SocketAddress(const std::string& dir, const std::string& name) {
        std::string path = dir + "/" + name;
        if (path.size() >= sizeof addr_.sun_path) {
            dir_fd_ = ::open(dir.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
            if (dir_fd_ < 0) return;
            path = "/proc/self/fd/" + std::to_string(dir_fd_) + "/" + name;
            if (path.size() >= sizeof addr_.sun_path) return;
        }
        addr_.sun_family = AF_UNIX;
        std::memcpy(addr_.sun_path, path.c_str(), path.size() + 1);
        valid_ = true;
    }
    ~SocketAddress() {
        if (dir_fd_ >= 0) ::close(dir_fd_);
    }
    SocketAddress(const SocketAddress&) = delete;
    SocketAddress& operator=(const SocketAddress&) = delete;

    bool valid() const { return valid_; }
    const sockaddr* get() const { return reinterpret_cast<const sockaddr*>(&addr_); }
    socklen_t size() const { return sizeof addr_; }

private:
    sockaddr_un addr_{};
    int dir_fd_ = -1;
    bool valid_ = false;
};

}  // namespace

std::optional<WindowDirectory> WindowDirectory::Open(const std::string& root, uint32_t* error) {
    std::string path = root + "/run/windows";
    if (root.empty() || !MakeDirs(path)) {
        if (error) *error = ERROR_PATH_NOT_FOUND;
        return std::nullopt;
    }
    return WindowDirectory(std::move(path));
}

std::string WindowDirectory::EntryPath(HWND hwnd) const {
    char name[32];
    std::snprintf(name, sizeof name, "%016" PRIx64 "%s", hwnd, kEntrySuffix);
    return path_ + "/" + name;
}

uint32_t WindowDirectory::Publish(const wire::WindowEntry& entry) {
    const std::vector<uint8_t> data = wire::EncodeEntry(entry);
    if (data.empty()) return ERROR_INVALID_PARAMETER;
    // Written aside and linked into place, so a reader never sees half an entry and two
    // programs never publish the same HWND.
    const std::string final_path = EntryPath(entry.hwnd);
    const std::string temp_path = final_path + ".tmp";
    const int fd = ::open(temp_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) return ERROR_ACCESS_DENIED;
    const bool written = ::write(fd, data.data(), data.size()) == static_cast<ssize_t>(data.size());
    ::close(fd);
    uint32_t result = 0;
    if (!written) result = ERROR_ACCESS_DENIED;
    else if (::link(temp_path.c_str(), final_path.c_str()) != 0)
        result = errno == EEXIST ? ERROR_ALREADY_EXISTS : ERROR_ACCESS_DENIED;
    ::unlink(temp_path.c_str());
    return result;
}

void WindowDirectory::Remove(HWND hwnd) { ::unlink(EntryPath(hwnd).c_str()); }

std::optional<wire::WindowEntry> WindowDirectory::Read(HWND hwnd) {
    if (hwnd == 0) return std::nullopt;
    const auto data = ReadSmallFile(EntryPath(hwnd));
    if (!data) return std::nullopt;
    auto entry = wire::DecodeEntry(data->data(), data->size());
    if (!entry || entry->hwnd != hwnd) return std::nullopt;
    return entry;
}

std::vector<wire::WindowEntry> WindowDirectory::ReadAll() {
    std::vector<wire::WindowEntry> all;
    DIR* d = ::opendir(path_.c_str());
    if (!d) return all;
    while (dirent* de = ::readdir(d)) {
        const std::string name = de->d_name;
        if (!EndsWith(name, kEntrySuffix)) continue;
        const auto data = ReadSmallFile(path_ + "/" + name);
        if (!data) continue;
        auto entry = wire::DecodeEntry(data->data(), data->size());
        if (entry && EntryPath(entry->hwnd) == path_ + "/" + name) all.push_back(std::move(*entry));
    }
    ::closedir(d);
    std::sort(all.begin(), all.end(), [](const auto& a, const auto& b) {
        return a.created_ns != b.created_ns ? a.created_ns < b.created_ns : a.hwnd < b.hwnd;
    });
    return all;
}

void WindowDirectory::RemoveStale(const wire::WindowEntry& entry, Reach reach) {
    if (reach != Reach::kGone) return;
    Remove(entry.hwnd);
    // Refused with the file present: nobody listens there any more.
    const std::string socket_path = path_ + "/" + entry.socket_name;
    if (::access(socket_path.c_str(), F_OK) == 0) ::unlink(socket_path.c_str());
}

void WindowDirectory::SweepDeadSockets() {
    DIR* d = ::opendir(path_.c_str());
    if (!d) return;
    std::vector<std::string> dead;
    while (dirent* de = ::readdir(d)) {
        const std::string name = de->d_name;
        if (!EndsWith(name, kSocketSuffix)) continue;
        Reach reach = Reach::kAlive;
        const int fd = Connect(name, &reach);
        if (fd >= 0) ::close(fd);
        else if (reach == Reach::kGone) dead.push_back(name);
    }
    ::closedir(d);
    for (const auto& name : dead) ::unlink((path_ + "/" + name).c_str());
}

int WindowDirectory::Connect(const std::string& socket_name, Reach* reach) {
    *reach = Reach::kGone;
    SocketAddress addr(path_, socket_name);
    if (!addr.valid()) return -1;
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        *reach = Reach::kBusy;
        return -1;
    }
    if (::connect(fd, addr.get(), addr.size()) == 0) {
        *reach = Reach::kAlive;
        return fd;
    }
    // A full backlog (EAGAIN) means a live but stalled program, not a dead one.
    if (errno == EAGAIN || errno == EINTR) *reach = Reach::kBusy;
    ::close(fd);
    return -1;
}

int WindowDirectory::Listen(const std::string& socket_name) {
    // Bound under a name that no sweep looks at and renamed once listening: between bind and
    // listen a socket refuses connections, and a sweeping program would take it for dead.
    const std::string bound_name = socket_name + ".new";
    SocketAddress addr(path_, bound_name);
    if (!addr.valid()) return -1;
    const int fd = ::socket(AF_UNIX, SOCK_SEQPACKET | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    const std::string bound_path = path_ + "/" + bound_name;
    if (::bind(fd, addr.get(), addr.size()) != 0) {
        ::close(fd);
        return -1;
    }
    if (::listen(fd, 64) != 0 ||
        ::rename(bound_path.c_str(), (path_ + "/" + socket_name).c_str()) != 0) {
        ::close(fd);
        ::unlink(bound_path.c_str());
        return -1;
    }
    return fd;
}

}  // namespace qmx2::platform::windows_detail
