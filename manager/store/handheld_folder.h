// The data folder on the handheld's file system.
#pragma once

#include <string>

#include "manager/store/data_folder.h"
#include "platform/files.h"

namespace qmx2::manager {

inline constexpr char kDataFolderPath[] = "\\Program Files\\QMX2";

class HandheldFolder : public DataFolder {
public:
    explicit HandheldFolder(platform::Files& files) : files_(files) {}

    bool EnsureExists() override;
    std::optional<std::string> Read(std::string_view name) override;
    bool WriteWhole(std::string_view name, std::string_view bytes) override;
    bool Copy(std::string_view from, std::string_view to) override;
    std::string DisplayPath(std::string_view name) override;

private:
    platform::Files& files_;
};

}  // namespace qmx2::manager
