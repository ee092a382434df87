// The captured real-modem replies of the shared folder (QMX2_SHARED_DIR/real-replies), for the
// tests that hold the system's parsers and the emulated card against them. A checkout without
// the folder skips those tests with a message instead of failing them.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace qmx2::testing {

inline std::string RealRepliesDir() {
    const char* dir = std::getenv("QMX2_SHARED_DIR");
    return std::string(dir ? dir : "/work/shared") + "/real-replies";
}

inline bool HaveRealReplies() {
    std::error_code ec;
    return std::filesystem::is_directory(RealRepliesDir(), ec);
}

// The file's bytes; empty when it cannot be read.
inline std::string RealReply(const std::string& file) {
    std::ifstream in(RealRepliesDir() + "/" + file, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// Most line ends of the stored captures are bare LF; a modem on the line sends CR LF.
inline std::string WithCrLf(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\n' && (out.empty() || out.back() != '\r')) out.push_back('\r');
        out.push_back(c);
    }
    return out;
}

}  // namespace qmx2::testing

// First statement of a test that reads the captured replies.
#define QMX2_NEED_REAL_REPLIES()                                                      \
    do {                                                                              \
        if (!::qmx2::testing::HaveRealReplies())                                      \
            GTEST_SKIP() << "the captured modem replies are not there: "             \
                         << ::qmx2::testing::RealRepliesDir()                         \
                         << " (set QMX2_SHARED_DIR to the folder that holds real-replies)"; \
    } while (false)
