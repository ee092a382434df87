// Opens, reads and writes, and the whole-file operations of the file stand-in.
#include "platform/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>

#include "platform/files_host.h"
#include "platform/last_error.h"

namespace qmx2::platform {
namespace {

bool Fail(uint32_t error) {
    SetLastError(error);
    return false;
}

bool FailErrno(const std::string& path = {}) { return Fail(ErrorFromErrno(errno, path)); }

std::string FolderOf(const std::string& host) {
    const auto slash = host.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : host.substr(0, slash);
}

void SyncFolder(const std::string& folder) {
    const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    fsync(fd);
    close(fd);
}

bool WriteAll(int fd, const char* data, size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (n == 0) errno = ENOSPC;
            return false;
        }
        data += n;
        size -= static_cast<size_t>(n);
    }
    return true;
}

// Opens an existing file only to look at the share locks that other opens hold on it.
int OpenForLocks(const std::string& host) {
    return open(host.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
}

}  // namespace

File::File(File&& other) noexcept : fd_(other.fd_), access_(other.access_) { other.fd_ = -1; }

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        if (IsOpen()) Close();
        fd_ = other.fd_;
        access_ = other.access_;
        other.fd_ = -1;
    }
    return *this;
}

bool File::Read(void* buffer, uint32_t length, uint32_t* read) {
    if (read) *read = 0;
    if (fd_ < 0) return Fail(ERROR_INVALID_HANDLE);
    if (!(access_ & GENERIC_READ)) return Fail(ERROR_ACCESS_DENIED);
    uint32_t done = 0;
    while (done < length) {
        const ssize_t n = ::read(fd_, static_cast<char*>(buffer) + done, length - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return FailErrno();
        if (n == 0) break;
        done += static_cast<uint32_t>(n);
        if (read) *read = done;
    }
    SetLastError(ERROR_SUCCESS);
    return true;
}

bool File::Write(const void* buffer, uint32_t length, uint32_t* written) {
    if (written) *written = 0;
    if (fd_ < 0) return Fail(ERROR_INVALID_HANDLE);
    if (!(access_ & GENERIC_WRITE)) return Fail(ERROR_ACCESS_DENIED);
    uint32_t done = 0;
    while (done < length) {
        const ssize_t n = ::write(fd_, static_cast<const char*>(buffer) + done, length - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return n == 0 ? Fail(ERROR_DISK_FULL) : FailErrno();
        done += static_cast<uint32_t>(n);
        if (written) *written = done;
    }
    SetLastError(ERROR_SUCCESS);
    return true;
}

bool File::Seek(int64_t distance, uint32_t origin, uint64_t* position) {
    if (fd_ < 0) return Fail(ERROR_INVALID_HANDLE);
    if (origin > FILE_END) return Fail(ERROR_INVALID_PARAMETER);
    const off_t here = lseek(fd_, 0, SEEK_CUR);
    struct stat st {};
    if (here < 0 || fstat(fd_, &st) != 0) return FailErrno();
    const int64_t base = origin == FILE_BEGIN ? 0 : origin == FILE_CURRENT ? here : st.st_size;
    if (distance < 0 && base < -distance) return Fail(ERROR_NEGATIVE_SEEK);
    const off_t to = lseek(fd_, static_cast<off_t>(base + distance), SEEK_SET);
    if (to < 0) return FailErrno();
    if (position) *position = static_cast<uint64_t>(to);
    SetLastError(ERROR_SUCCESS);
    return true;
}

bool File::Size(uint64_t* size) {
    struct stat st {};
    if (fd_ < 0) return Fail(ERROR_INVALID_HANDLE);
    if (fstat(fd_, &st) != 0) return FailErrno();
    *size = static_cast<uint64_t>(st.st_size);
    return true;
}

bool File::Flush() {
    if (fd_ < 0) return Fail(ERROR_INVALID_HANDLE);
    return fsync(fd_) == 0 || FailErrno();
}

bool File::Close() {
    if (fd_ < 0) return Fail(ERROR_INVALID_HANDLE);
    ::close(fd_);  // drops the share locks with the open
    fd_ = -1;
    return true;
}

bool Files::Open(WideView path, uint32_t access, uint32_t share, uint32_t disposition,
                 File* file) {
    if (file->IsOpen()) file->Close();
    const bool writes = access & GENERIC_WRITE;
    if (disposition < CREATE_NEW || disposition > TRUNCATE_EXISTING ||
        (disposition == TRUNCATE_EXISTING && !writes))
        return Fail(ERROR_INVALID_PARAMETER);
    std::string host;
    if (!HostPath(path, &host)) return false;
    // Reading access as well for writers: the share locks need a readable open.
    const int base = O_CLOEXEC | (writes ? O_RDWR : O_RDONLY);
    bool existed = true;
    int fd = -1;
    for (int attempt = 0; fd < 0 && attempt < 8; ++attempt) {
        if (disposition == CREATE_NEW) {
            fd = open(host.c_str(), base | O_CREAT | O_EXCL, 0644);
            existed = false;
            break;
        }
        fd = open(host.c_str(), base);
        existed = fd >= 0;
        if (fd >= 0 || errno != ENOENT || disposition == OPEN_EXISTING ||
            disposition == TRUNCATE_EXISTING)
            break;
        fd = open(host.c_str(), base | O_CREAT | O_EXCL, 0644);  // lost a race: look again
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return FailErrno(host);
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        close(fd);
        return Fail(ERROR_ACCESS_DENIED);
    }
    if (!TakeShareLocks(fd, access, share)) {
        close(fd);
        return Fail(ERROR_SHARING_VIOLATION);
    }
    // Only now, with the sharing settled, may older content go.
    if ((disposition == CREATE_ALWAYS || disposition == TRUNCATE_EXISTING) && existed &&
        ftruncate(fd, 0) != 0) {
        close(fd);
        return FailErrno(host);
    }
    file->fd_ = fd;
    file->access_ = access;
    const bool said_exists = existed && (disposition == CREATE_ALWAYS || disposition == OPEN_ALWAYS);
    SetLastError(said_exists ? ERROR_ALREADY_EXISTS : ERROR_SUCCESS);
    return true;
}

bool Files::Delete(WideView path) {
    std::string host;
    if (!HostPath(path, &host)) return false;
    struct stat st {};
    if (lstat(host.c_str(), &st) != 0) return FailErrno(host);
    if (S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
    if (S_ISREG(st.st_mode)) {
        const int fd = OpenForLocks(host);
        const bool busy = fd >= 0 && IsOpenElsewhere(fd);
        if (fd >= 0) close(fd);
        if (busy) return Fail(ERROR_SHARING_VIOLATION);
    }
    if (unlink(host.c_str()) != 0) return FailErrno(host);
    SetLastError(ERROR_SUCCESS);
    return true;
}

bool Files::Move(WideView from, WideView to) {
    std::string source, target;
    if (!HostPath(from, &source) || !HostPath(to, &target)) return false;
    struct stat st {};
    if (lstat(source.c_str(), &st) != 0) return FailErrno(source);
    if (S_ISREG(st.st_mode)) {
        const int fd = OpenForLocks(source);
        const bool busy = fd >= 0 && IsOpenElsewhere(fd);
        if (fd >= 0) close(fd);
        if (busy) return Fail(ERROR_SHARING_VIOLATION);
    }
    if (renameat2(AT_FDCWD, source.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE) != 0)
        return errno == EEXIST ? Fail(ERROR_ALREADY_EXISTS) : FailErrno(target);
    SyncFolder(FolderOf(target));
    SetLastError(ERROR_SUCCESS);
    return true;
}

bool Files::Copy(WideView from, WideView to, bool fail_if_exists) {
    std::string target;
    if (!HostPath(to, &target)) return false;
    File source;
    if (!Open(from, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, &source)) return false;
    return ReplaceFile(target, fail_if_exists, [&](int fd) {
        char buffer[16384];
        for (;;) {
            const ssize_t n = read(source.fd_, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return n == 0;
            if (!WriteAll(fd, buffer, static_cast<size_t>(n))) return false;
        }
    });
}

bool Files::WriteWholeFile(WideView path, const void* data, size_t size) {
    std::string target;
    if (!HostPath(path, &target)) return false;
    return ReplaceFile(target, false, [&](int fd) {
        return WriteAll(fd, static_cast<const char*>(data), size);
    });
}

namespace {

// Temporary files of this file's earlier writes that were interrupted (a kill, a power loss):
// "." + name + "." + six characters, with no writer holding them.
void RemoveStaleTemps(const std::string& folder, const std::string& prefix) {
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* e = readdir(dir)) {
        const std::string name = e->d_name;
        if (name.size() != prefix.size() + 6 || !name.starts_with(prefix)) continue;
        const std::string path = folder + "/" + name;
        const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0) continue;
        struct stat st {};
        // A writer locks its file right after creating it; the age keeps that moment safe.
        if (fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_mtime + 10 < time(nullptr) &&
            flock(fd, LOCK_EX | LOCK_NB) == 0)
            unlink(path.c_str());
        close(fd);
    }
    closedir(dir);
}

}  // namespace

bool Files::ReplaceFile(const std::string& target, bool fail_if_exists,
                        FunctionRef<bool(int)> fill) {
    struct stat st {};
    const bool exists = lstat(target.c_str(), &st) == 0;
    if (exists && fail_if_exists) return Fail(ERROR_FILE_EXISTS);
    if (exists && S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
    if (exists && S_ISREG(st.st_mode)) {
        const int fd = OpenForLocks(target);
        const bool denied = fd >= 0 && WriteDeniedElsewhere(fd);
        if (fd >= 0) close(fd);
        if (denied) return Fail(ERROR_SHARING_VIOLATION);
    }
    const std::string folder = FolderOf(target);
    const std::string prefix = "." + target.substr(target.rfind('/') + 1) + ".";
    RemoveStaleTemps(folder, prefix);
    std::string temp = folder + "/" + prefix + "XXXXXX";
    const int fd = mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return FailErrno(target);
    // Held until the file is closed: a temporary file nobody holds is one of an interrupted write.
    flock(fd, LOCK_EX);
    const mode_t mode = exists && S_ISREG(st.st_mode) ? (st.st_mode & 07777) : 0644;
    bool ok = fill(fd) && fchmod(fd, mode) == 0 && fsync(fd) == 0;
    int error = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    if (ok) {
        const int rc = fail_if_exists ? renameat2(AT_FDCWD, temp.c_str(), AT_FDCWD, target.c_str(),
                                                  RENAME_NOREPLACE)
                                      : rename(temp.c_str(), target.c_str());
        ok = rc == 0;
        error = errno;
    }
    if (!ok) {
        unlink(temp.c_str());
        return Fail(error == EEXIST ? ERROR_FILE_EXISTS : ErrorFromErrno(error, target));
    }
    SyncFolder(folder);
    SetLastError(ERROR_SUCCESS);
    return true;
}

}  // namespace qmx2::platform
