// Key paths and names of the registry: splitting "Software\Orvan\QMX2" into names, checking
// them, and the letter-case folding under which two names are the same key or value.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/text.h"

namespace qmx2::platform {

// Splits a key path at "\". A leading or trailing "\" is ignored; an empty name inside the path,
// a name longer than kMaxRegNameChars or a name holding a 0 unit makes the path invalid.
bool SplitKeyPath(WideView path, std::vector<WideString>* names);

// A value name is valid when it is not too long and holds no 0 unit ("" is the default value).
bool IsValidValueName(WideView name);

// The name with letters folded to upper case (ASCII, Latin-1, Greek and Cyrillic), so that
// "QMX2" and "qmx2" are one key.
WideString FoldName(WideView name);

// 16-bit units as bytes: little-endian to keep names exactly, big-endian for folded names so
// that comparing the bytes orders the names by their units.
std::string UnitsAsBytes(WideView units, bool big_endian);
WideString UnitsFromBytes(const void* data, size_t size);

}  // namespace qmx2::platform
