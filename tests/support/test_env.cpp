// Every test binary starts with the folders it may need in its environment, whether ctest or a
// person runs it: the build folder, the source folder, the captured modem replies beside the
// checkout, and Qt's offscreen platform. Values already set are kept.
#include <cstdlib>

namespace {

struct TestEnvironment {
    TestEnvironment() {
        setenv("QMX2_BUILD_DIR", QMX2_TEST_BUILD_DIR, 0);
        setenv("QMX2_SOURCE_DIR", QMX2_TEST_SOURCE_DIR, 0);
        setenv("QMX2_SHARED_DIR", QMX2_TEST_SOURCE_DIR "/../shared", 0);
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    }
};

const TestEnvironment kTestEnvironment;

}  // namespace
