// The character set a modem offers that comes closest to the system's single-byte ISO 8859-1
// text, for modems that refuse "8859-1".
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmx2::commander {

// The quoted set names after "+CSCS:" in an "AT+CSCS=?" reply, with or without parentheses
// (a BlackBerry lists its one set bare: +CSCS: "IRA").
std::vector<std::string> ParseCharacterSets(std::string_view reply);

// The first offered of "8859-1", "IRA", "ASCII", "UTF-8", "UTF8", "GSM": sets whose bytes below
// 128 are the system's own text come first. Nothing when none is offered (UCS2 and HEX only).
std::optional<std::string> PickCharacterSet(const std::vector<std::string>& offered);

}  // namespace qmx2::commander
