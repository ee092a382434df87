// A fresh handheld root in a temporary folder for one test, removed afterwards.
#pragma once

#include <filesystem>
#include <random>
#include <string>

namespace qmx2::commander::testing {

class TempRoot {
public:
    TempRoot() {
        std::random_device random;
        for (int attempt = 0; attempt < 100 && path_.empty(); ++attempt) {
            const auto candidate = std::filesystem::temp_directory_path() /
                                   ("qmx2-commander-" + std::to_string(random()));
            std::error_code ec;
            if (std::filesystem::create_directory(candidate, ec)) path_ = candidate.string();
        }
    }
    ~TempRoot() {
        std::error_code ec;
        if (!path_.empty()) std::filesystem::remove_all(path_, ec);
    }
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;

    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace qmx2::commander::testing
