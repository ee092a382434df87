// 16-bit text as the handheld's user interface and registry keep it, and conversions to the
// host's UTF-8 for command-line tools and logs.
#pragma once

#include <string>
#include <string_view>

namespace qmx2::platform {

using WideChar = char16_t;
using WideString = std::u16string;
using WideView = std::u16string_view;

// UTF-8 <-> UTF-16; invalid input becomes U+FFFD, never an error.
WideString FromUtf8(std::string_view utf8);
std::string ToUtf8(WideView wide);

}  // namespace qmx2::platform
