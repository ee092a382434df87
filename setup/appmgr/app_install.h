// The application manager's work: from a description file ("qmx2.ini") on the desktop, pick the
// cabinet for the connected handheld (its shell and processor family, from the handheld's
// registry) and install it there: files, then registry values. Everything is read and checked
// before the first file is written, and what was written is taken back when a write fails, so
// a bad cabinet leaves nothing half-installed on the handheld.
#pragma once

#include <string>

#include "platform/files.h"
#include "platform/registry.h"
#include "setup/cabinet_manifest.h"

namespace qmx2::setup {

// Where the handheld keeps what it is: "Platform" values "Shell" ("PocketPC" | "HandheldPC",
// text) and "Processor" (number). A handheld without them is a Pocket PC on ARM.
inline constexpr std::u16string_view kPlatformKey = u"Platform";

struct Handheld {
    Shell shell = Shell::kPocketPc;
    uint32_t processor = kProcessorArm;
};
Handheld ReadHandheld(platform::Registry& handheld_registry);

// The quoted path at the end of the application manager's command line; the whole line when it
// holds no quotes.
std::string DescriptionPathOf(std::string_view command_line);

enum class InstallResult { kInstalled, kInvalidSetupFiles, kWriteFailed };

struct InstallJob {
    platform::Files& desktop;
    std::string description_path;  // a desktop path, UTF-8
    platform::Files& handheld;
    platform::Registry& handheld_registry;
};

struct InstallReport {
    InstallResult result = InstallResult::kInvalidSetupFiles;
    std::string cabinet;  // the cabinet chosen
    std::string detail;   // what went wrong, for the window
    size_t files = 0;
};

InstallReport InstallFromDescription(const InstallJob& job);

}  // namespace qmx2::setup
