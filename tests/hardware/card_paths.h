// Where the card's tests find the sources, the build and the shared captures: the environment
// of the test run when it names them, else the folders known when the tests were built.
#pragma once

#include <cstdlib>
#include <string>

namespace qmx2::hardware::card {

inline std::string TestFolder(const char* variable, const char* built_in) {
    const char* v = std::getenv(variable);
    return v && *v ? v : built_in;
}

inline std::string SourceFolder() { return TestFolder("QMX2_SOURCE_DIR", QMX2_CARD_SOURCE_DIR); }
inline std::string SharedFolder() { return TestFolder("QMX2_SHARED_DIR", QMX2_CARD_SOURCE_DIR "/../shared"); }
inline std::string BuildFolder() { return TestFolder("QMX2_BUILD_DIR", QMX2_CARD_BUILD_DIR); }

}  // namespace qmx2::hardware::card
