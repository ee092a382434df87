// The copying worker: copies the listed files from the installer's folder into the destination
// folder in 4096-byte blocks, keeps "setup.log" while it runs and reports progress.
#pragma once

#include <mutex>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "setup/setup_list.h"

namespace qmx2::setup {

// The percentage shared between the copying thread and the window that paints it.
class ProgressValue {
public:
    void Set(int percent) {
        std::lock_guard lock(mu_);
        percent_ = percent;
    }
    int Get() const {
        std::lock_guard lock(mu_);
        return percent_;
    }

private:
    mutable std::mutex mu_;
    int percent_ = 0;
};

// The progress dialog as the worker sees it; called on the copying thread.
class CopyView {
public:
    virtual ~CopyView() = default;
    virtual void ShowText(std::string_view text) = 0;
    // The stored percentage grew.
    virtual void Repaint() = 0;
};

struct CopyJob {
    platform::Files& installer;  // the installer's own folder
    platform::Files& desktop;
    platform::WideString destination;  // ends with "\"
    const SetupList& list;
};

struct CopyOutcome {
    bool ok = false;
    std::string failed_name;  // the destination name of the file that could not be copied
};

// Percentage after `done` of `total` files: 100 / total per file, rounded up, at most 100.
int PercentAfter(size_t done, size_t total);

// Copies every entry. On failure the file being written and "setup.log" are removed; on
// success "setup.log" stays for the caller to remove when the installation ends.
CopyOutcome CopyFiles(const CopyJob& job, ProgressValue& progress, CopyView& view);

// "setup.log" of the destination folder, removed if there.
void RemoveSetupLog(platform::Files& desktop, platform::WideView destination);

}  // namespace qmx2::setup
