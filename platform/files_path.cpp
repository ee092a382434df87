// Handheld paths to host paths, and the folder queries of the file stand-in.
#include <dirent.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "platform/files.h"
#include "platform/files_host.h"
#include "platform/last_error.h"
#include "platform/registry_names.h"

namespace qmx2::platform {
namespace {

// The entry of `folder` whose name equals `name` without regard to letter case, or `name`
// itself when the folder holds none (a file about to be created).
std::string FindEntry(const std::string& folder, const std::string& name) {
    struct stat st {};
    if (lstat((folder + "/" + name).c_str(), &st) == 0) return name;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return name;
    const WideString wanted = FoldName(FromUtf8(name));
    std::string found = name;
    while (const dirent* entry = readdir(dir)) {
        if (FoldName(FromUtf8(entry->d_name)) == wanted) {
            found = entry->d_name;
            break;
        }
    }
    closedir(dir);
    return found;
}

bool IsKind(const std::string& host, bool folder) {
    struct stat st {};
    if (stat(host.c_str(), &st) != 0) return false;
    return folder ? S_ISDIR(st.st_mode) : S_ISREG(st.st_mode);
}

}  // namespace

Files::Files(std::string root) : root_(std::move(root)) {
    while (root_.size() > 1 && root_.back() == '/') root_.pop_back();
}

bool Files::HostPath(WideView path, std::string* host) const {
    if (path.find(u'\0') != WideView::npos) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    std::vector<std::string> names;
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find_first_of(u"\\/", start);
        if (end == WideView::npos) end = path.size();
        const std::string name = ToUtf8(path.substr(start, end - start));
        start = end + 1;
        if (name.empty() || name == ".") continue;
        if (name == "..") {
            if (names.empty()) {
                SetLastError(ERROR_ACCESS_DENIED);  // would leave the handheld
                return false;
            }
            names.pop_back();
            continue;
        }
        names.push_back(name);
    }
    std::string at = root_;
    for (const auto& name : names) at += "/" + FindEntry(at, name);
    *host = at;
    return true;
}

bool Files::CreateHandheldFolders() {
    std::error_code ec;
    std::filesystem::create_directories(root_, ec);
    for (const char* sub : {"/Windows", "/Program Files"}) {
        if (ec) break;
        std::filesystem::create_directory(root_ + sub, ec);
    }
    SetLastError(ec ? ErrorFromErrno(ec.value(), root_) : ERROR_SUCCESS);
    return !ec;
}

bool Files::CreateFolder(WideView path) {
    std::string host;
    if (!HostPath(path, &host)) return false;
    if (mkdir(host.c_str(), 0755) != 0) {
        const int error = errno;
        SetLastError(error == EEXIST   ? ERROR_ALREADY_EXISTS
                     : error == ENOENT ? ERROR_PATH_NOT_FOUND
                                       : ErrorFromErrno(error, host));
        return false;
    }
    SetLastError(ERROR_SUCCESS);
    return true;
}

bool Files::FileExists(WideView path) const {
    std::string host;
    return HostPath(path, &host) && IsKind(host, false);
}

bool Files::FolderExists(WideView path) const {
    std::string host;
    return HostPath(path, &host) && IsKind(host, true);
}

bool Files::MakeExecutable(WideView path) {
    std::string host;
    if (!HostPath(path, &host)) return false;
    struct stat st {};
    errno = 0;
    if (stat(host.c_str(), &st) != 0 || !S_ISREG(st.st_mode) ||
        chmod(host.c_str(), (st.st_mode & 07777) | ((st.st_mode & 0444) >> 2)) != 0) {
        SetLastError(errno ? ErrorFromErrno(errno, host) : ERROR_ACCESS_DENIED);
        return false;
    }
    SetLastError(ERROR_SUCCESS);
    return true;
}

}  // namespace qmx2::platform
