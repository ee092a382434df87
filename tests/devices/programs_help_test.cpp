// Every program of the system answers --help with its usage on standard output and exit 0.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

TEST(ProgramsHelp, EveryProgramAnswersHelp) {
    const char* build = std::getenv("QMX2_BUILD_DIR");
    ASSERT_NE(build, nullptr);
    for (const char* program : {"qmx2-device", "Qmx2Com", "Qmx2PPC", "Qmx2HPC", "qmx2ctl", "qmx2-at", "qmx2-reg",
                                "qmx2-cardsim", "qmx2-cardctl", "qmx2-event", "peghelp"}) {
        const std::string path = std::string(build) + "/bin/" + program;
        if (std::FILE* exists = std::fopen(path.c_str(), "r")) {
            std::fclose(exists);
        } else {
            continue;  // a program this build does not make (no Qt, say)
        }
        std::FILE* out = ::popen(("'" + path + "' --help 2>&1 </dev/null").c_str(), "r");
        ASSERT_NE(out, nullptr);
        std::string text;
        char chunk[512];
        for (size_t n; (n = std::fread(chunk, 1, sizeof chunk, out)) > 0;) text.append(chunk, n);
        const int status = ::pclose(out);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << program << ": " << text;
        EXPECT_NE(text.find("sage: "), std::string::npos) << program << ": " << text;
    }
}

}  // namespace
