// Finding the handheld root.
#include "platform/root.h"

#include <cstdlib>
#include <filesystem>

namespace qmx2::platform {
namespace {

bool IsSet(const char* value) { return value && *value; }

}  // namespace

bool ResolveRoot(std::string_view option, EnvLookup env, std::string* root, std::string* error) {
    std::filesystem::path folder;
    if (!option.empty()) {
        folder = std::string(option);
    } else if (const char* r = env("QMX2_ROOT"); IsSet(r)) {
        folder = r;
    } else if (const char* xdg = env("XDG_DATA_HOME"); IsSet(xdg)) {
        folder = std::filesystem::path(xdg) / "qmx2" / "handheld";
    } else if (const char* home = env("HOME"); IsSet(home)) {
        folder = std::filesystem::path(home) / ".local" / "share" / "qmx2" / "handheld";
    } else {
        if (error) *error = "No handheld folder: set QMX2_ROOT or HOME, or give --root.";
        return false;
    }
    std::error_code ec;
    const auto absolute = std::filesystem::absolute(folder, ec);
    if (ec) {
        if (error) *error = "The handheld folder " + folder.string() + " is not usable: " + ec.message() + ".";
        return false;
    }
    *root = absolute.lexically_normal().string();
    while (root->size() > 1 && root->back() == '/') root->pop_back();
    return true;
}

bool ResolveRoot(std::string_view option, std::string* root, std::string* error) {
    return ResolveRoot(option, [](const char* name) -> const char* { return std::getenv(name); },
                       root, error);
}

}  // namespace qmx2::platform
