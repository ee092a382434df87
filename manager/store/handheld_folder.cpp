// Whole-file access to "\Program Files\QMX2" through the platform's files.
#include "manager/store/handheld_folder.h"

namespace qmx2::manager {
namespace {

// The largest data file is 300 messages; anything far beyond is not ours to read whole.
constexpr uint64_t kMaxFileBytes = 4u << 20;

platform::WideString PathOf(std::string_view name) {
    return platform::FromUtf8(std::string(kDataFolderPath) + "\\" + std::string(name));
}

}  // namespace

bool HandheldFolder::EnsureExists() {
    // A fresh handheld has no "\Program Files" yet.
    files_.CreateHandheldFolders();
    return files_.CreateFolder(platform::FromUtf8(kDataFolderPath)) ||
           files_.FolderExists(platform::FromUtf8(kDataFolderPath));
}

std::optional<std::string> HandheldFolder::Read(std::string_view name) {
    platform::File file;
    if (!files_.Open(PathOf(name), platform::GENERIC_READ, platform::FILE_SHARE_READ,
                     platform::OPEN_EXISTING, &file))
        return std::nullopt;
    uint64_t size = 0;
    if (!file.Size(&size)) return std::nullopt;
    if (size > kMaxFileBytes) size = kMaxFileBytes;
    std::string bytes(static_cast<std::size_t>(size), '\0');
    uint32_t got = 0;
    if (!bytes.empty() && !file.Read(bytes.data(), static_cast<uint32_t>(bytes.size()), &got))
        return std::nullopt;
    bytes.resize(got);
    return bytes;
}

bool HandheldFolder::WriteWhole(std::string_view name, std::string_view bytes) {
    return files_.WriteWholeFile(PathOf(name), bytes.data(), bytes.size());
}

bool HandheldFolder::Copy(std::string_view from, std::string_view to) {
    return files_.Copy(PathOf(from), PathOf(to), false);
}

std::string HandheldFolder::DisplayPath(std::string_view name) {
    return std::string(kDataFolderPath) + "\\" + std::string(name);
}

}  // namespace qmx2::manager
