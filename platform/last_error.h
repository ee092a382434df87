// The thread's last error, as the handheld's kernel keeps it: drivers and platform calls that
// fail leave a code here (see comm_types.h for the codes).
#pragma once

#include <cstdint>

namespace qmx2::platform {

uint32_t GetLastError();
void SetLastError(uint32_t error);

}  // namespace qmx2::platform
