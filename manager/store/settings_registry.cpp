// Reading and writing the manager's registry values.
#include "manager/store/settings_registry.h"

#include <cstring>

#include "platform/comm_types.h"
#include "platform/registry.h"

namespace qmx2::manager {
namespace {

using platform::RegKey;

// Opens the key for one access and closes it again, as every user of the key does.
class ManagerKey {
public:
    ManagerKey(platform::Registry& registry, bool create) : registry_(registry) {
        const uint32_t rc = create ? registry.CreateKey(platform::HKEY_LOCAL_MACHINE, kManagerKey, &key_)
                                   : registry.OpenKey(platform::HKEY_LOCAL_MACHINE, kManagerKey, &key_);
        if (rc != platform::ERROR_SUCCESS) key_ = 0;
    }
    ~ManagerKey() {
        if (key_ != 0) registry_.CloseKey(key_);
    }
    ManagerKey(const ManagerKey&) = delete;
    ManagerKey& operator=(const ManagerKey&) = delete;
    RegKey get() const { return key_; }

private:
    platform::Registry& registry_;
    RegKey key_ = 0;
};

}  // namespace

std::optional<std::string> ReadManagerValue(platform::Registry& registry, std::u16string_view name) {
    ManagerKey key(registry, false);
    if (key.get() == 0) return std::nullopt;
    for (uint32_t index = 0;; ++index) {
        char16_t value_name[kValueBytes / 2];
        char16_t data[kValueBytes / 2];
        uint32_t name_chars = kValueBytes / 2;
        uint32_t type = 0;
        uint32_t size = kValueBytes;
        if (registry.EnumValue(key.get(), index, value_name, &name_chars, &type, data, &size) !=
            platform::ERROR_SUCCESS)
            return std::nullopt;
        if (name_chars > kValueBytes / 2 - 1) return std::nullopt;
        if (std::u16string_view(value_name, name_chars) != name) continue;
        std::string text;
        const uint32_t units = (size > kValueBytes ? kValueBytes : size) / 2;
        for (uint32_t i = 0; i < units && data[i] != 0; ++i)
            text.push_back(static_cast<char>(data[i] & 0xFF));
        return text;
    }
}

bool WriteManagerValue(platform::Registry& registry, std::u16string_view name,
                       std::string_view text) {
    ManagerKey key(registry, true);
    if (key.get() == 0) return false;
    char16_t data[kValueBytes / 2] = {};
    const std::size_t n = text.size() < kMaxValueChars ? text.size() : kMaxValueChars;
    for (std::size_t i = 0; i < n; ++i) data[i] = static_cast<unsigned char>(text[i]);
    return registry.SetValue(key.get(), name, platform::REG_SZ, data, kValueBytes) ==
           platform::ERROR_SUCCESS;
}

bool DeleteManagerValue(platform::Registry& registry, std::u16string_view name) {
    ManagerKey key(registry, false);
    if (key.get() == 0) return false;
    return registry.DeleteValue(key.get(), name) == platform::ERROR_SUCCESS;
}

}  // namespace qmx2::manager
