// The handheld's file system, kept in a host folder (the handheld root): paths as the programs
// write them ("\Program Files\QMX2\pcmsg.txt"), opens with access and share modes, and the file
// operations the programs use. Failures return false and leave the thread's last error, as the
// handheld's file calls do.
//
// Share modes hold across processes: every open leaves byte-range locks (open file description
// locks, far beyond any data) that say what it does and what it denies, and a later open that
// conflicts fails with ERROR_SHARING_VIOLATION, as does deleting or moving an open file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "platform/comm_types.h"
#include "platform/function_ref.h"
#include "platform/text.h"

namespace qmx2::platform {

// Creation dispositions.
inline constexpr uint32_t CREATE_NEW = 1;
inline constexpr uint32_t CREATE_ALWAYS = 2;
inline constexpr uint32_t OPEN_EXISTING = 3;
inline constexpr uint32_t OPEN_ALWAYS = 4;
inline constexpr uint32_t TRUNCATE_EXISTING = 5;

// Seek origins.
inline constexpr uint32_t FILE_BEGIN = 0;
inline constexpr uint32_t FILE_CURRENT = 1;
inline constexpr uint32_t FILE_END = 2;

inline constexpr uint32_t ERROR_DISK_FULL = 112;
inline constexpr uint32_t ERROR_INVALID_NAME = 123;
inline constexpr uint32_t ERROR_NEGATIVE_SEEK = 131;
inline constexpr uint32_t ERROR_DIR_NOT_EMPTY = 145;

class File {
public:
    File() = default;
    ~File() {
        if (IsOpen()) Close();
    }
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    bool IsOpen() const { return fd_ >= 0; }
    // Reads up to length bytes; *read < length only at the end of the file.
    bool Read(void* buffer, uint32_t length, uint32_t* read);
    bool Write(const void* buffer, uint32_t length, uint32_t* written);
    bool Seek(int64_t distance, uint32_t origin, uint64_t* position = nullptr);
    bool Size(uint64_t* size);
    bool Flush();
    bool Close();

private:
    friend class Files;
    int fd_ = -1;
    uint32_t access_ = 0;
};

class Files {
public:
    // `root` is the host folder of the handheld (see root.h).
    explicit Files(std::string root);

    const std::string& root() const { return root_; }

    // The host path of a handheld path. "\" and "/" both separate names; a path without a
    // leading separator is taken from the root as well. Existing names are found without regard
    // to letter case. ".." that would leave the root gives ERROR_ACCESS_DENIED, a 0 in the path
    // ERROR_INVALID_NAME.
    bool HostPath(WideView path, std::string* host) const;

    // Creates the root with its "Windows" and "Program Files" folders when missing.
    bool CreateHandheldFolders();

    bool Open(WideView path, uint32_t access, uint32_t share, uint32_t disposition, File* file);
    bool Copy(WideView from, WideView to, bool fail_if_exists);
    bool Delete(WideView path);
    bool Move(WideView from, WideView to);
    bool CreateFolder(WideView path);
    bool FileExists(WideView path) const;
    // Lets the file be run as a program (an installed program copied in as data).
    bool MakeExecutable(WideView path);
    bool FolderExists(WideView path) const;

    // Replaces the file's content as one step: the data goes to a temporary file in the same
    // folder, is flushed to the disk and renamed over the file. On failure the old file is left
    // as it was and no temporary file remains.
    bool WriteWholeFile(WideView path, const void* data, size_t size);

private:
    // Fills a temporary file beside `target` through `fill` and renames it over the target.
    bool ReplaceFile(const std::string& target, bool fail_if_exists, FunctionRef<bool(int)> fill);

    std::string root_;
};

}  // namespace qmx2::platform
