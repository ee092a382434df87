// The handheld's registry, HKEY_LOCAL_MACHINE only, kept in one SQLite database in the
// handheld root so that the device host, the commander and the manager share it safely.
//
// The calls follow the handheld's registry API: results are error codes (ERROR_SUCCESS,
// ERROR_FILE_NOT_FOUND for a missing key or value, ERROR_MORE_DATA when the caller's buffer is
// too small, ERROR_NO_MORE_ITEMS at the end of an enumeration, ERROR_GEN_FAILURE when the
// database cannot be used). Values keep their type and their exact size in bytes: a REG_SZ is
// stored as the 16-bit units the writer gave, terminator included.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/text.h"

namespace qmx2::platform {

class Clock;

inline constexpr uint32_t REG_NONE = 0;
inline constexpr uint32_t REG_SZ = 1;
inline constexpr uint32_t REG_BINARY = 3;
inline constexpr uint32_t REG_DWORD = 4;
inline constexpr uint32_t REG_MULTI_SZ = 7;

using RegKey = uint32_t;  // 0 is no key
inline constexpr RegKey HKEY_LOCAL_MACHINE = 0x80000002u;

// A handle whose key another handle or program deleted meanwhile.
inline constexpr uint32_t ERROR_KEY_DELETED = 1018;
// Longest key or value name, in 16-bit units without the terminator.
inline constexpr uint32_t kMaxRegNameChars = 255;
// Largest value the registry keeps, in bytes.
inline constexpr uint32_t kMaxRegValueBytes = 1u << 20;

class Registry {
public:
    virtual ~Registry() = default;

    // Key paths are relative to `parent` and use "\" between names ("Software\Orvan\QMX2").
    // Names compare without regard to letter case and keep the case they were created with.
    virtual uint32_t CreateKey(RegKey parent, WideView path, RegKey* key, bool* created = nullptr) = 0;
    virtual uint32_t OpenKey(RegKey parent, WideView path, RegKey* key) = 0;
    virtual uint32_t CloseKey(RegKey key) = 0;
    // Deletes the key with its subkeys and values.
    virtual uint32_t DeleteKey(RegKey parent, WideView path) = 0;

    // `size` in: the buffer's size in bytes; out: the value's size. A null `data` asks for the
    // size only. A buffer too small gives ERROR_MORE_DATA and the needed size.
    virtual uint32_t QueryValue(RegKey key, WideView name, uint32_t* type, void* data,
                                uint32_t* size) = 0;
    virtual uint32_t SetValue(RegKey key, WideView name, uint32_t type, const void* data,
                              uint32_t size) = 0;
    virtual uint32_t DeleteValue(RegKey key, WideView name) = 0;

    // Enumeration by index, subkeys in name order, values in the order they were first
    // written. `name_chars` in: buffer size in units including the terminator; out: length.
    virtual uint32_t EnumKey(RegKey key, uint32_t index, WideChar* name, uint32_t* name_chars) = 0;
    virtual uint32_t EnumValue(RegKey key, uint32_t index, WideChar* name, uint32_t* name_chars,
                               uint32_t* type, void* data, uint32_t* size) = 0;

    // After ERROR_GEN_FAILURE: a sentence for the user saying what went wrong with the database.
    virtual std::string LastFailure() const { return {}; }
};

struct RegistryOptions {
    // The clock that waits on a database another program holds busy; null: the real clock.
    Clock* clock = nullptr;
    // How long a call waits for such a database before it gives ERROR_GEN_FAILURE.
    uint32_t busy_timeout_ms = 5000;
};

// Opens (creating if needed) the registry database of the handheld root `root_dir`. On a
// database that cannot be opened, returns nullptr and sets *error to a sentence for the user.
std::unique_ptr<Registry> OpenRegistry(const std::string& root_dir, std::string* error);
std::unique_ptr<Registry> OpenRegistry(const std::string& root_dir, std::string* error,
                                       const RegistryOptions& options);

}  // namespace qmx2::platform
