// Host errors and share-mode locks of the file stand-in.
//
// Each open holds read locks on single bytes far beyond any data: "open", "reads", "writes",
// "denies reading", "denies writing". A new open asks the kernel whether another open holds a
// byte that conflicts with it, then takes its own; an exclusive flock on the file makes the
// test and the taking one step. Open file description locks belong to the open, not the
// process, so two opens inside one process conflict just as two processes do.
#include "platform/files_host.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>

#include <cerrno>

#include "platform/files.h"

namespace qmx2::platform {
namespace {

constexpr off_t kLockBase = 0x7FFFFFFF00000000LL;
enum Slot : off_t { kOpen = 0, kReads = 1, kWrites = 2, kDeniesRead = 3, kDeniesWrite = 4 };

struct flock LockAt(Slot slot, short type) {
    struct flock fl {};
    fl.l_type = type;
    fl.l_whence = SEEK_SET;
    fl.l_start = kLockBase + slot;
    fl.l_len = 1;
    return fl;
}

bool HeldElsewhere(int fd, Slot slot) {
    struct flock fl = LockAt(slot, F_WRLCK);
    if (fcntl(fd, F_OFD_GETLK, &fl) != 0) return false;  // no locks on this file system
    return fl.l_type != F_UNLCK;
}

void Hold(int fd, Slot slot) {
    struct flock fl = LockAt(slot, F_RDLCK);
    fcntl(fd, F_OFD_SETLK, &fl);
}

bool Conflicts(int fd, uint32_t access, uint32_t share) {
    return ((access & GENERIC_READ) && HeldElsewhere(fd, kDeniesRead)) ||
           ((access & GENERIC_WRITE) && HeldElsewhere(fd, kDeniesWrite)) ||
           (!(share & FILE_SHARE_READ) && HeldElsewhere(fd, kReads)) ||
           (!(share & FILE_SHARE_WRITE) && HeldElsewhere(fd, kWrites));
}

bool ParentMissing(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return false;
    struct stat st {};
    return stat(path.substr(0, slash).c_str(), &st) != 0 || !S_ISDIR(st.st_mode);
}

}  // namespace

uint32_t ErrorFromErrno(int error, const std::string& path) {
    switch (error) {
    case 0: return ERROR_SUCCESS;
    case ENOENT: return !path.empty() && ParentMissing(path) ? ERROR_PATH_NOT_FOUND : ERROR_FILE_NOT_FOUND;
    case ENOTDIR: return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EISDIR:
    case EROFS: return ERROR_ACCESS_DENIED;
    case EEXIST: return ERROR_FILE_EXISTS;
    case ENOSPC:
    case EFBIG:
    case EDQUOT: return ERROR_DISK_FULL;
    case ENAMETOOLONG: return ERROR_INVALID_NAME;
    case ENOTEMPTY: return ERROR_DIR_NOT_EMPTY;
    case ENOMEM: return ERROR_NOT_ENOUGH_MEMORY;
    case EINVAL: return ERROR_INVALID_PARAMETER;
    case EBADF: return ERROR_INVALID_HANDLE;
    case EBUSY:
    case ETXTBSY: return ERROR_SHARING_VIOLATION;
    default: return ERROR_GEN_FAILURE;
    }
}

bool TakeShareLocks(int fd, uint32_t access, uint32_t share) {
    while (flock(fd, LOCK_EX) != 0 && errno == EINTR) {
    }
    const bool conflict = Conflicts(fd, access, share);
    if (!conflict) {
        Hold(fd, kOpen);
        if (access & GENERIC_READ) Hold(fd, kReads);
        if (access & GENERIC_WRITE) Hold(fd, kWrites);
        if (!(share & FILE_SHARE_READ)) Hold(fd, kDeniesRead);
        if (!(share & FILE_SHARE_WRITE)) Hold(fd, kDeniesWrite);
    }
    flock(fd, LOCK_UN);
    return !conflict;
}

bool IsOpenElsewhere(int fd) { return HeldElsewhere(fd, kOpen); }

bool WriteDeniedElsewhere(int fd) { return HeldElsewhere(fd, kDeniesWrite); }

}  // namespace qmx2::platform
