// The serial driver's setting that powers the card as soon as its port comes up, which a process
// test sets in a fresh handheld root before it starts the device host: the commander then readies
// the card without asking anyone.
#pragma once

#include <cstdint>
#include <string>

#include "platform/comm_types.h"
#include "platform/registry.h"

namespace qmx2::testing {

inline bool SetAutoPowerUp(const std::string& root) {
    std::string error;
    const auto registry = platform::OpenRegistry(root, &error);
    platform::RegKey key{};
    if (!registry || registry->CreateKey(platform::HKEY_LOCAL_MACHINE, u"Software\\Orvan\\SERQMX2", &key) !=
                         platform::ERROR_SUCCESS)
        return false;
    const uint32_t on = 1;
    const bool ok =
        registry->SetValue(key, u"autopowerup", platform::REG_DWORD, &on, sizeof on) == platform::ERROR_SUCCESS;
    registry->CloseKey(key);
    return ok;
}

}  // namespace qmx2::testing
