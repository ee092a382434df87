// Reading the driver's registry values: open the key, read, close at once.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/text.h"

namespace qmx2::platform {
class Registry;
}

namespace qmx2::driver {

// A text value of at most max_bytes (terminator included), without its terminator.
std::optional<platform::WideString> ReadTextValue(platform::Registry& registry,
                                                  platform::WideView key, platform::WideView name,
                                                  uint32_t max_bytes);
std::optional<uint32_t> ReadNumberValue(platform::Registry& registry, platform::WideView key,
                                        platform::WideView name);
// A value of exactly `size` bytes of any type (the 2-byte socket handle).
bool ReadBinaryValue(platform::Registry& registry, platform::WideView key, platform::WideView name,
                     void* data, uint32_t size);

}  // namespace qmx2::driver
