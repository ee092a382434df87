#include "platform/qt/display.h"

#include <cstdlib>
#include <string_view>

namespace qmx2::platform::qt {
namespace {

bool Set(const char* name) {
    const char* v = std::getenv(name);
    return v && *v;
}

}  // namespace

bool DisplayPresent() {
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform) {
        const std::string_view p(platform);
        return !p.starts_with("offscreen") && !p.starts_with("minimal");
    }
    return Set("DISPLAY") || Set("WAYLAND_DISPLAY");
}

}  // namespace qmx2::platform::qt
