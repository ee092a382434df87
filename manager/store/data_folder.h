// Where the local data files live: "\Program Files\QMX2" of the handheld. Whole files are read
// and written at once; a write goes to a temporary file that is renamed into place, so a crash
// or a full disk leaves either the old file or the new one, never half of one.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qmx2::manager {

class DataFolder {
public:
    virtual ~DataFolder() = default;
    // Creates the folder; an existing folder is no error.
    virtual bool EnsureExists() = 0;
    // The file's bytes, or nothing when it cannot be opened.
    virtual std::optional<std::string> Read(std::string_view name) = 0;
    // Replaces the file's content as one step; false leaves the old content.
    virtual bool WriteWhole(std::string_view name, std::string_view bytes) = 0;
    // Byte copy from -> to, replacing `to`; false when `from` is missing or the copy failed.
    virtual bool Copy(std::string_view from, std::string_view to) = 0;
    // The handheld path shown to the user, "\Program Files\QMX2\pcmsg.txt".
    virtual std::string DisplayPath(std::string_view name) = 0;
};

}  // namespace qmx2::manager
