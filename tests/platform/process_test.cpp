// Starting the handheld's programs: where they are found, what they get, and waiting for and
// ending them.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "platform/clock.h"
#include "platform/last_error.h"
#include "platform/process.h"
#include "tests/platform/files_temp_root.h"

using namespace qmx2::platform;
using namespace qmx2::platform::testing;

namespace {

class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        const char* build = std::getenv("QMX2_BUILD_DIR");
        ASSERT_NE(build, nullptr);
        helper_ = std::string(build) + "/bin/qmx2_platform_test_helper";
        std::string error;
        ASSERT_TRUE(InstallProgramLinks(root_.path(), {{"Qmx2Com", helper_}, {"peghelp.exe", helper_}}, &error))
            << error;
    }

    int RunToEnd(WideView name, WideView line) {
        ProcessId id = 0;
        EXPECT_TRUE(processes_.Start(name, line, &id)) << GetLastError();
        int code = -1;
        EXPECT_EQ(processes_.Wait(id, kInfinite, &code), WaitResult::kSignaled);
        processes_.Close(id);
        return code;
    }

    TempRoot root_;
    std::unique_ptr<VirtualClock> clock_ = MakeVirtualClock();
    Processes processes_{*clock_, root_.path()};
    std::string helper_;
};

TEST_F(ProcessTest, ProgramsAreFoundInWindowsFirstWithOrWithoutExe) {
    std::string host;
    for (const char16_t* name : {u"Qmx2Com", u"qmx2com.exe", u"\\Qmx2Com.exe", u"\\Program Files\\QMX2\\Qmx2Com"}) {
        ASSERT_TRUE(processes_.FindProgram(name, &host)) << ToUtf8(name);
        EXPECT_EQ(host, root_ / "Windows/Qmx2Com");
    }
    ASSERT_TRUE(processes_.FindProgram(u"peghelp", &host));
    EXPECT_EQ(host, root_ / "Windows/peghelp.exe");
    EXPECT_EQ(RunToEnd(u"peghelp.exe", u"exit 3"), 3);
}

TEST_F(ProcessTest, AProgramOutsideWindowsIsFoundInTheFolderOfItsName) {
    std::filesystem::create_symlink(helper_, root_ / "Qmx2PPC.exe");
    std::string host;
    ASSERT_TRUE(processes_.FindProgram(u"\\Qmx2PPC.exe", &host));
    EXPECT_EQ(host, root_ / "Qmx2PPC.exe");
    ASSERT_TRUE(processes_.FindProgram(u"Qmx2PPC", &host));
    EXPECT_FALSE(processes_.FindProgram(u"\\Program Files\\Qmx2PPC.exe", &host));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
}

TEST_F(ProcessTest, MissingUnrunnableOrEscapingProgramsFailAsValues) {
    ProcessId id = 7;
    EXPECT_FALSE(processes_.Start(u"Qmx2Nothing", u"", &id));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(id, 0u);
    WriteHostFile(root_ / "Windows/notes.exe", "text, not a program");
    chmod((root_ / "Windows/notes.exe").c_str(), 0644);
    EXPECT_FALSE(processes_.Start(u"notes", u"", &id));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(processes_.Start(u"..\\..\\bin\\true", u"", &id));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    EXPECT_FALSE(processes_.Start(u"\\Windows\\", u"", &id));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(processes_.Wait(99, 0), WaitResult::kTimeout);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST_F(ProcessTest, TheChildGetsTheRootAndItsCommandLine) {
    setenv("QMX2_ROOT", "/somewhere/else", 1);
    EXPECT_EQ(RunToEnd(u"Qmx2Com", u"report  with spaces"), 0);
    unsetenv("QMX2_ROOT");
    EXPECT_EQ(ReadHostFile(root_ / "report.txt"),
              "root=" + root_.path() + "\nline=report  with spaces\nprogram=\\Windows\\Qmx2Com\n");
    EXPECT_EQ(RunToEnd(u"Qmx2Com", u""), 101);  // an empty line gives no argument at all
}

TEST_F(ProcessTest, ARunningProgramCanBeAskedToEnd) {
    ProcessId id = 0;
    ASSERT_TRUE(processes_.Start(u"Qmx2Com", u"wait", &id));
    EXPECT_TRUE(processes_.IsRunning(id));
    EXPECT_EQ(processes_.Wait(id, 0), WaitResult::kTimeout);
    EXPECT_EQ(GetLastError(), ERROR_TIMEOUT);
    ASSERT_TRUE(processes_.Terminate(id));
    int code = 0;
    EXPECT_EQ(processes_.Wait(id, kInfinite, &code), WaitResult::kSignaled);
    EXPECT_EQ(code, 128 + 15);
    EXPECT_FALSE(processes_.IsRunning(id));
    EXPECT_TRUE(processes_.Terminate(id));  // already ended: nothing to do
    EXPECT_TRUE(processes_.Close(id));
    EXPECT_FALSE(processes_.Close(id));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_TRUE(processes_.Start(u"Qmx2Com", u"exit 0"));  // started and forgotten at once
}

// Children of this process that have ended and are not yet reaped.
int DefunctChildren() {
    int defunct = 0;
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        std::ifstream stat(entry.path() / "stat");
        std::string line;
        if (!std::getline(stat, line)) continue;
        const size_t close = line.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream rest(line.substr(close + 2));
        char state = 0;
        int parent = 0;
        rest >> state >> parent;
        if (parent == getpid() && state == 'Z') ++defunct;
    }
    return defunct;
}

TEST_F(ProcessTest, AProgramLetGoOfIsReapedWhenItEnds) {
    const int before = DefunctChildren();  // earlier tests' programs, let go of at their end
    ASSERT_TRUE(processes_.Start(u"Qmx2Com", u"exit 0"));
    ProcessId id = 0;
    ASSERT_TRUE(processes_.Start(u"Qmx2Com", u"wait", &id));
    ASSERT_TRUE(processes_.Terminate(id));
    ASSERT_TRUE(processes_.Close(id));  // closed while maybe still running
    // Real processes: look for up to 10 s of real time, usually done in a few milliseconds.
    for (int i = 0; i < 1000 && DefunctChildren() > before; ++i) usleep(10'000);
    EXPECT_EQ(DefunctChildren(), before);
}

TEST_F(ProcessTest, InstallingLinksReplacesOldOnesAndRefusesMissingFiles) {
    std::string error;
    ASSERT_TRUE(InstallProgramLinks(root_.path(), {{"Qmx2Com", "/bin/true"}}, &error)) << error;
    EXPECT_EQ(std::filesystem::read_symlink(root_ / "Windows/Qmx2Com"), "/bin/true");
    // An installed copy is a regular file and stays as it is.
    std::ofstream(root_ / "Windows/Qmx2PPC.exe") << "installed";
    ASSERT_TRUE(InstallProgramLinks(root_.path(), {{"Qmx2PPC.exe", "/bin/true"}}, &error)) << error;
    EXPECT_FALSE(std::filesystem::is_symlink(root_ / "Windows/Qmx2PPC.exe"));
    EXPECT_FALSE(InstallProgramLinks(root_.path(), {{"Qmx2PPC.exe", root_ / "missing"}}, &error));
    EXPECT_EQ(error, "The program file " + (root_ / "missing") + " for Qmx2PPC.exe does not exist.");
    EXPECT_FALSE(InstallProgramLinks(root_.path(), {{"../x", "/bin/true"}}, &error));
    EXPECT_EQ(error, "\"../x\" is not a program name.");
}

}  // namespace
