// Captured modem replies for parser tests, read from the shared folder by path.
#pragma once

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

namespace qmx2::manager::testing {

inline std::string RealRepliesDir() {
    const char* dir = std::getenv("QMX2_SHARED_DIR");
    return std::string(dir ? dir : "/work/shared") + "/real-replies";
}

inline std::string RealReply(const std::string& file) {
    std::ifstream in(RealRepliesDir() + "/" + file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

}  // namespace qmx2::manager::testing
