// What a device cabinet of this system holds besides the files: "_setup.inf", one line per item,
// fields separated by tabs:
//   shell      PocketPC | HandheldPC
//   processor  2577 | 4000 | 10003
//   file       <name in the cabinet>  <path on the handheld>
//   dword      <key under HKEY_LOCAL_MACHINE>  <value name>  <decimal>
//   sz         <key>  <value name>  <text>
// and the choice of a cabinet among those a description file names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qmx2::setup {

inline constexpr std::string_view kManifestName = "_setup.inf";

enum class Shell { kPocketPc, kHandheldPc };

// Processor families as the handheld reports them, and their names in cabinet file names.
inline constexpr uint32_t kProcessorSh3 = 10003;
inline constexpr uint32_t kProcessorR4000 = 4000;
inline constexpr uint32_t kProcessorArm = 2577;

struct ManifestFile {
    std::string cabinet_name;
    std::string handheld_path;
};
struct ManifestValue {
    std::string key, name;
    bool is_dword = false;
    uint32_t dword = 0;
    std::string text;
};
struct Manifest {
    Shell shell = Shell::kPocketPc;
    uint32_t processor = 0;
    std::vector<ManifestFile> files;
    std::vector<ManifestValue> values;
};

std::string FormatManifest(const Manifest& manifest);
// False for any line that is not one of the above, a handheld path outside "\" or with "..",
// or a manifest without shell or processor.
bool ParseManifest(std::string_view text, Manifest* manifest);

// The cabinet file name for a handheld: "qmx2ppc.2577.CAB" and the like; empty for a processor
// family no cabinet is built for.
std::string CabinetNameFor(Shell shell, uint32_t processor);

// The "CabFiles" list of a description file ("qmx2.ini"); empty when there is none.
std::vector<std::string> CabFilesOf(std::string_view ini);

}  // namespace qmx2::setup
