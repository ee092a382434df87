// Registry reads of the driver.
#include "driver/port/registry_values.h"

#include <vector>

#include "platform/comm_types.h"
#include "platform/registry.h"

namespace qmx2::driver {
namespace {

class OpenedKey {
public:
    OpenedKey(platform::Registry& registry, platform::WideView path) : registry_(registry) {
        if (registry_.OpenKey(platform::HKEY_LOCAL_MACHINE, path, &key_) != platform::ERROR_SUCCESS)
            key_ = 0;
    }
    ~OpenedKey() {
        if (key_) registry_.CloseKey(key_);
    }
    platform::RegKey get() const { return key_; }

private:
    platform::Registry& registry_;
    platform::RegKey key_ = 0;
};

}  // namespace

std::optional<platform::WideString> ReadTextValue(platform::Registry& registry,
                                                  platform::WideView key, platform::WideView name,
                                                  uint32_t max_bytes) {
    OpenedKey k(registry, key);
    if (!k.get()) return std::nullopt;
    std::vector<platform::WideChar> buffer(max_bytes / sizeof(platform::WideChar) + 1, 0);
    uint32_t type = 0;
    uint32_t size = max_bytes;
    if (registry.QueryValue(k.get(), name, &type, buffer.data(), &size) != platform::ERROR_SUCCESS ||
        type != platform::REG_SZ)
        return std::nullopt;
    buffer.back() = 0;  // a value without a terminator stays bounded
    platform::WideString text(buffer.data());
    return text;
}

std::optional<uint32_t> ReadNumberValue(platform::Registry& registry, platform::WideView key,
                                        platform::WideView name) {
    OpenedKey k(registry, key);
    if (!k.get()) return std::nullopt;
    uint32_t value = 0;
    uint32_t type = 0;
    uint32_t size = sizeof(value);
    if (registry.QueryValue(k.get(), name, &type, &value, &size) != platform::ERROR_SUCCESS ||
        size != sizeof(value))
        return std::nullopt;
    return value;
}

bool ReadBinaryValue(platform::Registry& registry, platform::WideView key, platform::WideView name,
                     void* data, uint32_t size) {
    OpenedKey k(registry, key);
    if (!k.get()) return false;
    uint32_t type = 0;
    uint32_t got = size;
    return registry.QueryValue(k.get(), name, &type, data, &got) == platform::ERROR_SUCCESS &&
           got == size;
}

}  // namespace qmx2::driver
