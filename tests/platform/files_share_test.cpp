// Share modes between opens, inside one process and across processes, and files that stay
// whole when a write goes wrong.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "platform/files.h"
#include "platform/last_error.h"
#include "tests/platform/files_temp_root.h"

using namespace qmx2::platform;
using namespace qmx2::platform::testing;

namespace {

constexpr uint32_t R = GENERIC_READ, W = GENERIC_WRITE;
constexpr uint32_t SR = FILE_SHARE_READ, SW = FILE_SHARE_WRITE;

class FilesShareTest : public ::testing::Test {
protected:
    void SetUp() override { WriteHostFile(root_ / "pcmsg.txt", "1176-byte records"); }

    // Runs body in a child process and returns its exit code.
    template <typename Body>
    int InChild(Body body) {
        const pid_t pid = fork();
        if (pid == 0) _exit(body());
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    TempRoot root_;
    Files files_{root_.path()};
};

TEST_F(FilesShareTest, SecondOpenIsCheckedAgainstBothShareModes) {
    struct Case {
        uint32_t access1, share1, access2, share2;
        bool second_opens;
    } cases[] = {
        {R, SR, R, SR, true},            // readers sharing reading
        {R, SR, W, SR | SW, false},      // the first does not share writing
        {W, SR, R, SR, false},           // the second does not share writing, the first writes
        {W, SR, R, SR | SW, true},       // the manager's data files: one writer, shared readers
        {R | W, 0, R, SR | SW, false},   // exclusive
        {R | W, 0, 0, SR | SW, true},    // an open without access only asks about the file
        {0, SR | SW, R | W, 0, true},    // an open without access is no reader or writer
        {R, SR | SW, W, SR | SW, true},
        {W, SW, W, SW, true},
        {W, SW, R, SR | SW, false},
    };
    for (const auto& c : cases) {
        File first, second;
        ASSERT_TRUE(files_.Open(u"pcmsg.txt", c.access1, c.share1, OPEN_EXISTING, &first));
        SetLastError(0);
        EXPECT_EQ(files_.Open(u"PCMSG.TXT", c.access2, c.share2, OPEN_EXISTING, &second), c.second_opens)
            << c.access1 << "/" << c.share1 << " then " << c.access2 << "/" << c.share2;
        if (!c.second_opens) {
            EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
        }
    }
    File again;  // every lock went with its open
    EXPECT_TRUE(files_.Open(u"pcmsg.txt", R | W, 0, OPEN_EXISTING, &again));
}

TEST_F(FilesShareTest, RefusedOpensDeletesAndMovesLeaveTheFileAlone) {
    File reader;
    ASSERT_TRUE(files_.Open(u"pcmsg.txt", R, SR, OPEN_EXISTING, &reader));
    File writer;
    EXPECT_FALSE(files_.Open(u"pcmsg.txt", W, SR, CREATE_ALWAYS, &writer));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(files_.Delete(u"pcmsg.txt"));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(files_.Move(u"pcmsg.txt", u"pcmsg.old"));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_EQ(ReadHostFile(root_ / "pcmsg.txt"), "1176-byte records");

    File exclusive;
    ASSERT_TRUE(files_.Open(u"other.txt", R | W, 0, CREATE_NEW, &exclusive));
    EXPECT_FALSE(files_.Copy(u"other.txt", u"other.sav", false));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(files_.WriteWholeFile(u"other.txt", "x", 1));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);

    reader.Close();
    EXPECT_TRUE(files_.Move(u"pcmsg.txt", u"pcmsg.old"));
    EXPECT_TRUE(files_.Delete(u"pcmsg.old"));
}

TEST_F(FilesShareTest, SharingHoldsAcrossProcesses) {
    int ready[2], done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    const pid_t pid = fork();
    if (pid == 0) {
        close(done[1]);  // or the read below never sees the end
        File held;
        const bool ok = files_.Open(u"pcmsg.txt", R | W, 0, OPEN_EXISTING, &held);
        char c = ok ? 'y' : 'n';
        (void)!write(ready[1], &c, 1);
        (void)!read(done[0], &c, 1);  // holds the file until the parent has tried
        _exit(ok ? 0 : 1);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    File mine;
    EXPECT_FALSE(files_.Open(u"pcmsg.txt", R, SR | SW, OPEN_EXISTING, &mine));
    EXPECT_EQ(GetLastError(), ERROR_SHARING_VIOLATION);
    EXPECT_FALSE(files_.Delete(u"pcmsg.txt"));
    close(done[1]);
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(files_.Open(u"pcmsg.txt", R, SR | SW, OPEN_EXISTING, &mine));
    for (int fd : {ready[0], ready[1], done[0]}) close(fd);
}

// The disk fills up halfway (a file size limit stands in for it): the old file must stay and
// no half-written temporary file may remain.
TEST_F(FilesShareTest, FailedWholeFileWriteLeavesTheOldFileIntact) {
    const std::string records(4 * 1176, 'r');
    const int code = InChild([&] {
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{1000, 1000};
        setrlimit(RLIMIT_FSIZE, &limit);
        if (files_.WriteWholeFile(u"\\pcmsg.txt", records.data(), records.size())) return 10;
        return GetLastError() == ERROR_DISK_FULL ? 0 : 11;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadHostFile(root_ / "pcmsg.txt"), "1176-byte records");
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(root_.path())) ++entries;
    EXPECT_EQ(entries, 1);

    const int copy_code = InChild([&] {
        WriteHostFile(root_ / "big.txt", records);
        signal(SIGXFSZ, SIG_IGN);
        rlimit limit{1000, 1000};
        setrlimit(RLIMIT_FSIZE, &limit);
        return files_.Copy(u"big.txt", u"pcmsg.txt", false) ? 10 : 0;
    });
    EXPECT_EQ(copy_code, 0);
    EXPECT_EQ(ReadHostFile(root_ / "pcmsg.txt"), "1176-byte records");
}

}  // namespace
