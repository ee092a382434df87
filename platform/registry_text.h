// Registry data as text, the way the familiar reg tool shows and takes it: key arguments
// ("HKLM\Software\Orvan\QMX2"), type names, data typed on the command line, query lines and
// .reg export lines.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qmx2::platform {

// "HKLM\a\b" or "HKEY_LOCAL_MACHINE\a\b" (root in any case) → "a\b"; a bare root → "".
// False with a sentence in *error for another root, no root, or an empty name in the path.
bool ParseKeyArgument(std::string_view text, std::string* path, std::string* error);

// "REG_SZ", "REG_DWORD", "REG_BINARY" (any case); false for other names.
bool ParseTypeName(std::string_view name, uint32_t* type);
std::string TypeName(uint32_t type);

// Data typed for `type` as the bytes the registry keeps: text as 16-bit units with the
// terminator, a number (decimal or 0x hexadecimal) as 4 bytes, hexadecimal digit pairs as bytes.
bool EncodeData(uint32_t type, std::string_view text, std::string* bytes, std::string* error);

// The data as a query shows it: text up to its terminator, numbers as 0x..., bytes as hex.
std::string ShowData(uint32_t type, std::string_view bytes);

// One value as a .reg file line ("name"="text", "name"=dword:..., "name"=hex(N):..). Text and
// numbers whose size differs from the plain form are written as hex, so the exact bytes show.
std::string ExportLine(std::string_view name, uint32_t type, std::string_view bytes);

}  // namespace qmx2::platform
