// Host-side helpers of the file stand-in: host errors as the handheld's error codes, and the
// share-mode locks that make sharing hold across processes.
#pragma once

#include <cstdint>
#include <string>

namespace qmx2::platform {

// errno as the handheld's error code; `path` tells a missing file from a missing folder.
uint32_t ErrorFromErrno(int error, const std::string& path = {});

// Leaves the locks of an open with `access` and `share` on fd, unless an open elsewhere
// conflicts with them: then false (ERROR_SHARING_VIOLATION).
bool TakeShareLocks(int fd, uint32_t access, uint32_t share);

// Whether any other open of the file exists, or any other open denies writing.
bool IsOpenElsewhere(int fd);
bool WriteDeniedElsewhere(int fd);

}  // namespace qmx2::platform
