// Every test binary starts with the folders it may need in its environment, whether ctest or a
// person runs it: the build folder, the source folder, the captured modem replies beside the
// checkout, and Qt's offscreen platform. Values already set are kept. Under the thread
// sanitizer, Qt's uninstrumented internals are left alone.
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

#if defined(__SANITIZE_THREAD__)
// Qt is not built with the thread sanitizer: its own allocations and copies, and the hand-over of
// a queued call from one thread to the GUI thread, are ordered by locks the sanitizer cannot
// see. The project's code stays instrumented and checked.
extern "C" const char* __tsan_default_suppressions() {
    return "called_from_lib:libQt6Core.so\n"
           "called_from_lib:libQt6Gui.so\n"
           "called_from_lib:libQt6Widgets.so\n"
           "race:invokeMethod\n";
}
#endif
