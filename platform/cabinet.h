// Cabinet files (the desktop's "*.CAB" archives) through the system's libgcab: written at build
// time with the handheld's programs, read by the application manager when it installs them.
#pragma once

#include <string>
#include <vector>

namespace qmx2::platform {

struct CabinetFile {
    std::string name;  // the name inside the cabinet
    std::string data;
};

// Writes a cabinet (MSZIP compressed, the files' times fixed so that builds are repeatable).
// False with a sentence in *error.
bool WriteCabinet(const std::string& host_path, const std::vector<CabinetFile>& files,
                  std::string* error);

// Reads every file of a cabinet, checksums checked. A missing, truncated or damaged cabinet, or
// one whose files add up to more than max_bytes, gives false with a sentence in *error.
bool ReadCabinet(const std::string& host_path, std::vector<CabinetFile>* files, std::string* error,
                 size_t max_bytes = 256u << 20);

}  // namespace qmx2::platform
