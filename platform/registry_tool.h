// The commands of qmx2-reg: query, add, delete and export on the handheld's registry.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace qmx2::platform {

// Runs one command line (without the program name) and returns the exit code: 0 on success,
// 1 with a sentence on `err` when the command is malformed, the key or value is missing or the
// registry cannot be used.
int RunRegistryTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace qmx2::platform
