// The thread's last error.
#include "platform/last_error.h"

namespace qmx2::platform {
namespace {
thread_local uint32_t tl_last_error = 0;
}

uint32_t GetLastError() { return tl_last_error; }
void SetLastError(uint32_t error) { tl_last_error = error; }

}  // namespace qmx2::platform
