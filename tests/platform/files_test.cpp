// The handheld's files: paths under the root, creation dispositions, reads, writes and seeks,
// and the whole-file operations.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include "platform/files.h"
#include "platform/last_error.h"
#include "tests/platform/files_temp_root.h"

using namespace qmx2::platform;
using namespace qmx2::platform::testing;

namespace {

class FilesTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(files_.CreateHandheldFolders()); }

    std::string Host(WideView path) {
        std::string host;
        EXPECT_TRUE(files_.HostPath(path, &host));
        return host;
    }

    TempRoot root_;
    Files files_{root_.path()};
};

TEST_F(FilesTest, HandheldPathsLandUnderTheRoot) {
    EXPECT_EQ(Host(u"\\Program Files\\QMX2\\pcmsg.txt"), root_ / "Program Files/QMX2/pcmsg.txt");
    EXPECT_EQ(Host(u"/Windows/Alarm1.wav"), root_ / "Windows/Alarm1.wav");
    EXPECT_EQ(Host(u"pcmsg.txt"), root_ / "pcmsg.txt");
    EXPECT_EQ(Host(u"\\a\\.\\b\\..\\c\\\\d\\"), root_ / "a/c/d");
    EXPECT_EQ(Host(u"\\"), root_.path());
    // Existing names are found whatever their case; new names keep the case given.
    EXPECT_EQ(Host(u"\\PROGRAM FILES\\qmx2\\New.TXT"), root_ / "Program Files/qmx2/New.TXT");
    WriteHostFile(root_ / "Windows/Alarm1.wav", "RIFF");
    EXPECT_EQ(Host(u"\\windows\\ALARM1.WAV"), root_ / "Windows/Alarm1.wav");
}

TEST_F(FilesTest, PathsThatLeaveTheRootAreRefused) {
    std::string host;
    for (const char16_t* path : {u"..\\etc\\passwd", u"\\a\\..\\..\\x", u"/../x", u"\\Windows\\..\\.."}) {
        SetLastError(0);
        EXPECT_FALSE(files_.HostPath(path, &host)) << ToUtf8(path);
        EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    }
    File f;
    EXPECT_FALSE(files_.Open(u"..\\outside.txt", GENERIC_WRITE, 0, CREATE_ALWAYS, &f));
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(root_.path()).parent_path() / "outside.txt"));
    EXPECT_FALSE(files_.HostPath(WideView(u"a\0b", 3), &host));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
}

TEST_F(FilesTest, CreationDispositionsFollowTheHandheldRules) {
    File f;
    const WideView path = u"\\Program Files\\misc.txt";
    EXPECT_FALSE(files_.Open(path, GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, &f));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(files_.Open(u"\\No Folder\\misc.txt", GENERIC_READ, 0, OPEN_EXISTING, &f));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_FALSE(files_.Open(path, GENERIC_WRITE, 0, TRUNCATE_EXISTING, &f));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    ASSERT_TRUE(files_.Open(path, GENERIC_WRITE, 0, OPEN_ALWAYS, &f));
    EXPECT_EQ(GetLastError(), ERROR_SUCCESS);
    ASSERT_TRUE(f.Write("0123456789", 10, nullptr));
    f.Close();

    EXPECT_FALSE(files_.Open(path, GENERIC_WRITE, 0, CREATE_NEW, &f));
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    ASSERT_TRUE(files_.Open(path, GENERIC_READ, 0, OPEN_ALWAYS, &f));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    uint64_t size = 0;
    ASSERT_TRUE(f.Size(&size));
    EXPECT_EQ(size, 10u);
    EXPECT_FALSE(files_.Open(path, GENERIC_READ, 0, TRUNCATE_EXISTING, &f));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);
    EXPECT_FALSE(files_.Open(path, GENERIC_READ, 0, 0, &f));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_PARAMETER);

    ASSERT_TRUE(files_.Open(path, GENERIC_WRITE, 0, CREATE_ALWAYS, &f));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(f.Size(&size));
    EXPECT_EQ(size, 0u);
    f.Close();
    EXPECT_FALSE(files_.Open(u"\\Windows", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, &f));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(FilesTest, ReadWriteAndSeekKeepToTheAccessAndTheFile) {
    File f;
    ASSERT_TRUE(files_.Open(u"data.bin", GENERIC_READ | GENERIC_WRITE, 0, CREATE_NEW, &f));
    uint32_t n = 0;
    ASSERT_TRUE(f.Write("abcdefghij", 10, &n));
    EXPECT_EQ(n, 10u);
    uint64_t pos = 0;
    ASSERT_TRUE(f.Seek(-3, FILE_END, &pos));
    EXPECT_EQ(pos, 7u);
    char buf[8] = {};
    ASSERT_TRUE(f.Read(buf, 8, &n));  // short read at the end is no error
    EXPECT_EQ(n, 3u);
    EXPECT_EQ(std::string(buf, 3), "hij");
    ASSERT_TRUE(f.Read(buf, 8, &n));
    EXPECT_EQ(n, 0u);
    EXPECT_FALSE(f.Seek(-11, FILE_CURRENT, &pos));
    EXPECT_EQ(GetLastError(), ERROR_NEGATIVE_SEEK);
    ASSERT_TRUE(f.Seek(2, FILE_BEGIN, &pos));
    ASSERT_TRUE(f.Seek(1, FILE_CURRENT, &pos));
    ASSERT_TRUE(f.Read(buf, 2, &n));
    EXPECT_EQ(std::string(buf, 2), "de");
    f.Close();
    EXPECT_FALSE(f.Read(buf, 1, &n));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);

    ASSERT_TRUE(files_.Open(u"data.bin", GENERIC_READ, FILE_SHARE_READ, OPEN_EXISTING, &f));
    EXPECT_FALSE(f.Write("x", 1, &n));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    File w;
    ASSERT_TRUE(files_.Open(u"log.txt", GENERIC_WRITE, 0, CREATE_NEW, &w));
    EXPECT_FALSE(w.Read(buf, 1, &n));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(FilesTest, CopyMoveDeleteAndFolders) {
    ASSERT_TRUE(files_.CreateFolder(u"\\Program Files\\QMX2"));
    EXPECT_FALSE(files_.CreateFolder(u"\\Program Files\\QMX2"));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    EXPECT_FALSE(files_.CreateFolder(u"\\None\\QMX2"));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_TRUE(files_.FolderExists(u"\\program files\\qmx2"));

    const std::string txt = root_ / "Program Files/QMX2/pcmsg.txt";
    WriteHostFile(txt, "records");
    WriteHostFile(root_ / "Program Files/QMX2/pcmsg.sav", "older");
    EXPECT_FALSE(files_.Copy(u"\\Program Files\\QMX2\\pcmsg.txt", u"\\Program Files\\QMX2\\pcmsg.sav", true));
    EXPECT_EQ(GetLastError(), ERROR_FILE_EXISTS);
    EXPECT_EQ(ReadHostFile(root_ / "Program Files/QMX2/pcmsg.sav"), "older");
    ASSERT_TRUE(files_.Copy(u"\\Program Files\\QMX2\\pcmsg.txt", u"\\Program Files\\QMX2\\pcmsg.sav", false));
    EXPECT_EQ(ReadHostFile(root_ / "Program Files/QMX2/pcmsg.sav"), "records");
    EXPECT_FALSE(files_.Copy(u"\\Program Files\\QMX2\\msggrp.txt", u"\\Program Files\\QMX2\\msggrp.sav", false));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(files_.FileExists(u"\\Program Files\\QMX2\\msggrp.sav"));

    EXPECT_FALSE(files_.Move(u"\\Program Files\\QMX2\\pcmsg.txt", u"\\Program Files\\QMX2\\pcmsg.sav"));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(files_.Move(u"\\Program Files\\QMX2\\pcmsg.txt", u"\\clipboard.txt"));
    EXPECT_FALSE(files_.FileExists(u"\\Program Files\\QMX2\\pcmsg.txt"));
    EXPECT_TRUE(files_.FileExists(u"\\CLIPBOARD.TXT"));
    ASSERT_TRUE(files_.Delete(u"\\clipboard.txt"));
    EXPECT_FALSE(files_.Delete(u"\\clipboard.txt"));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(files_.Delete(u"\\Program Files"));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
}

TEST_F(FilesTest, WholeFileWriteReplacesContentAndLeavesNoTemporaryFile) {
    const std::string host = root_ / "Program Files/misc.txt";
    WriteHostFile(host, "old option block");
    std::filesystem::permissions(host, std::filesystem::perms(0640));
    const std::string block(84, '\x01');
    ASSERT_TRUE(files_.WriteWholeFile(u"\\Program Files\\misc.txt", block.data(), block.size()));
    EXPECT_EQ(ReadHostFile(host), block);
    EXPECT_EQ(std::filesystem::status(host).permissions(), std::filesystem::perms(0640));
    ASSERT_TRUE(files_.WriteWholeFile(u"\\Program Files\\empty.txt", nullptr, 0));
    EXPECT_EQ(ReadHostFile(root_ / "Program Files/empty.txt"), "");
    int entries = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(root_ / "Program Files"))
        ++entries;
    EXPECT_EQ(entries, 2);
}

// A write removes the temporary files that interrupted writes of the same file left behind, but
// not those of another file, nor one a writer still holds, nor one just made.
TEST_F(FilesTest, WholeFileWriteRemovesStaleTemporaryFilesOfItsOwnFile) {
    const std::string folder = root_ / "Program Files";
    const auto old = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
    for (const char* name : {".misc.txt.AAAAAA", ".misc.txt.BBBBBB", ".misc.txt.CCCCCC",
                             ".empty.txt.AAAAAA", ".misc.txt.AAAAAAA"}) {
        WriteHostFile(folder + "/" + name, "partial");
        if (std::string(name) != ".misc.txt.CCCCCC") std::filesystem::last_write_time(folder + "/" + name, old);
    }
    const int held = open((folder + "/.misc.txt.BBBBBB").c_str(), O_RDONLY | O_CLOEXEC);
    ASSERT_GE(held, 0);
    ASSERT_EQ(flock(held, LOCK_EX), 0);
    ASSERT_TRUE(files_.WriteWholeFile(u"\\Program Files\\misc.txt", "x", 1));
    close(held);
    std::vector<std::string> left;
    for (const auto& e : std::filesystem::directory_iterator(folder)) left.push_back(e.path().filename());
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{".empty.txt.AAAAAA", ".misc.txt.AAAAAAA", ".misc.txt.BBBBBB",
                                              ".misc.txt.CCCCCC", "misc.txt"}));
}

}  // namespace
