#include "setup/desktop.h"

#include <filesystem>

#include "platform/comm_types.h"
#include "platform/last_error.h"
#include "platform/registry_names.h"

namespace qmx2::setup {
namespace {

// Desktop file names compare as the handheld's names do, whatever their letter case.
bool EndsWithFolded(platform::WideView text, platform::WideView tail) {
    return text.size() >= tail.size() &&
           platform::FoldName(text.substr(text.size() - tail.size())) == platform::FoldName(tail);
}

bool MakeFolder(platform::Files& desktop, platform::WideView path) {
    return desktop.CreateFolder(path) || platform::GetLastError() == platform::ERROR_ALREADY_EXISTS;
}

}  // namespace

bool ResolveDesktopRoot(std::string_view option, platform::EnvLookup env, std::string* root,
                        std::string* error) {
    if (option.empty()) {
        if (const char* d = env("QMX2_DESKTOP_ROOT"); d && *d) option = d;
    }
    if (!option.empty()) return platform::ResolveRoot(option, env, root, error);
    std::string handheld;
    if (!platform::ResolveRoot("", env, &handheld, error)) return false;
    *root = (std::filesystem::path(handheld).parent_path() / "desktop").string();
    return true;
}

bool ReadAppPath(platform::Registry& registry, std::u16string_view key, platform::WideString* path) {
    platform::RegKey k = 0;
    if (registry.OpenKey(platform::HKEY_LOCAL_MACHINE, key, &k) != platform::ERROR_SUCCESS) return false;
    char16_t data[kMaxAppPathBytes / 2] = {};
    uint32_t type = 0;
    uint32_t size = sizeof(data) - sizeof(char16_t);  // keeps a terminator
    const uint32_t rc = registry.QueryValue(k, u"", &type, data, &size);
    registry.CloseKey(k);
    if (rc != platform::ERROR_SUCCESS || type != platform::REG_SZ) return false;
    path->assign(data);  // up to the first terminator
    return !path->empty();
}

bool RegisterAppManager(platform::Registry& registry, std::u16string_view path) {
    platform::RegKey key = 0;
    if (registry.CreateKey(platform::HKEY_LOCAL_MACHINE, kAppManagerKey, &key) != platform::ERROR_SUCCESS)
        return false;
    const platform::WideString value(path);  // the stored string carries its terminator
    const uint32_t rc = registry.SetValue(key, u"", platform::REG_SZ, value.c_str(),
                                          static_cast<uint32_t>((value.size() + 1) * sizeof(char16_t)));
    registry.CloseKey(key);
    return rc == platform::ERROR_SUCCESS;
}

bool DestinationFolder(platform::WideView app_manager_path, platform::WideString* folder) {
    if (!EndsWithFolded(app_manager_path, kAppManagerFile)) return false;
    folder->assign(app_manager_path.substr(0, app_manager_path.size() - kAppManagerFile.size()));
    folder->append(u"Orvan\\Pellion 2.0\\");
    return true;
}

bool ReadFileStart(platform::Files& files, platform::WideView path, size_t limit, std::string* text) {
    platform::File file;
    if (!files.Open(path, platform::GENERIC_READ, platform::FILE_SHARE_READ, platform::OPEN_EXISTING, &file))
        return false;
    text->assign(limit, '\0');
    uint32_t read = 0;
    if (!file.Read(text->data(), static_cast<uint32_t>(limit), &read)) return false;
    text->resize(read);
    return true;
}

bool CreateDestinationFolders(platform::Files& desktop, platform::WideView destination) {
    // destination ends with "Orvan\Pellion 2.0\": make "...Orvan\" first.
    const platform::WideView inner = destination.substr(0, destination.size() - 1);
    const platform::WideView outer = inner.substr(0, inner.size() - std::u16string_view(u"Pellion 2.0").size());
    return MakeFolder(desktop, outer) && MakeFolder(desktop, inner);
}

}  // namespace qmx2::setup
