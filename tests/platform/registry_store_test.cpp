// The registry's database file: damaged, foreign or locked files give a clear error and are
// never replaced, and several programs writing at once lose nothing.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>

#include "platform/clock.h"
#include "platform/comm_types.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/sync.h"
#include "tests/platform/files_temp_root.h"

using namespace qmx2::platform;
using namespace qmx2::platform::testing;

namespace {

class RegistryStoreTest : public ::testing::Test {
protected:
    std::unique_ptr<Registry> Open(uint32_t busy_timeout_ms = 5000) {
        RegistryOptions o;
        o.clock = clock_.get();
        o.busy_timeout_ms = busy_timeout_ms;
        return OpenRegistry(root_.path(), &error_, o);
    }
    std::string DbPath() const { return root_ / "registry.db"; }

    TempRoot root_;
    std::unique_ptr<VirtualClock> clock_ = MakeVirtualClock();
    std::string error_;
};

TEST_F(RegistryStoreTest, RootFolderIsMadeWhenMissing) {
    RegistryOptions o;
    o.clock = clock_.get();
    auto reg = OpenRegistry(root_ / "new/handheld", &error_, o);
    ASSERT_TRUE(reg) << error_;
    EXPECT_TRUE(std::filesystem::exists(root_ / "new/handheld/registry.db"));
}

TEST_F(RegistryStoreTest, ARootThatCannotBeAFolderIsReported) {
    WriteHostFile(root_ / "plain", "a file where the folder should be");
    RegistryOptions o;
    o.clock = clock_.get();
    EXPECT_FALSE(OpenRegistry(root_ / "plain/handheld", &error_, o));
    EXPECT_EQ(error_.rfind("The handheld folder " + (root_ / "plain/handheld") + " cannot be created: ", 0), 0u)
        << error_;
}

TEST_F(RegistryStoreTest, AFileThatIsNoDatabaseIsRefusedAndLeftAsItIs) {
    const std::string junk = "pcmsg records, not a registry\n" + std::string(5000, '\x7f');
    WriteHostFile(DbPath(), junk);
    EXPECT_FALSE(Open());
    EXPECT_EQ(error_, "The registry database " + DbPath() +
                          " is not a database file; it was left untouched. Move it away to start "
                          "with an empty registry.");
    EXPECT_EQ(ReadHostFile(DbPath()), junk);
}

TEST_F(RegistryStoreTest, ADamagedDatabaseIsRefusedAndLeftAsItIs) {
    {
        auto reg = Open();
        ASSERT_TRUE(reg) << error_;
        RegKey key = 0;
        ASSERT_EQ(reg->CreateKey(HKEY_LOCAL_MACHINE, u"Software\\Orvan\\QMX2", &key), ERROR_SUCCESS);
        for (int i = 0; i < 200; ++i)
            ASSERT_EQ(reg->SetValue(key, FromUtf8("v" + std::to_string(i)), REG_BINARY,
                                    std::string(100, 'd').data(), 100),
                      ERROR_SUCCESS);
    }
    std::string bytes = ReadHostFile(DbPath());
    ASSERT_GT(bytes.size(), 4u * 4096u);
    for (size_t i = 4096; i < 3 * 4096; ++i) bytes[i] = static_cast<char>(0xFF);
    WriteHostFile(DbPath(), bytes);

    EXPECT_FALSE(Open());
    EXPECT_NE(error_.find("The registry database " + DbPath() + " is damaged ("), std::string::npos)
        << error_;
    EXPECT_NE(error_.find("it was left as it is. Move it away to start with an empty registry."),
              std::string::npos);
    EXPECT_EQ(ReadHostFile(DbPath()), bytes);
}

TEST_F(RegistryStoreTest, AnotherProgramsDatabaseIsNotTakenOver) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(DbPath().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "CREATE TABLE notes(t TEXT)", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    const std::string bytes = ReadHostFile(DbPath());
    EXPECT_FALSE(Open());
    EXPECT_EQ(error_, "The file " + DbPath() +
                          " is a database of another program, not a registry; it was left untouched.");
    EXPECT_EQ(ReadHostFile(DbPath()), bytes);  // still in its own journal mode
    EXPECT_FALSE(std::filesystem::exists(DbPath() + "-wal"));
}

// Another connection holds the write lock: writes wait on the clock up to the bound, then fail
// with ERROR_GEN_FAILURE and say why; reads go on; once it lets go, writes work again.
TEST_F(RegistryStoreTest, ALockedDatabaseGivesABoundedWaitThenAClearError) {
    auto reg = Open(3000);
    ASSERT_TRUE(reg) << error_;
    RegKey key = 0;
    ASSERT_EQ(reg->CreateKey(HKEY_LOCAL_MACHINE, u"Software\\Orvan\\QMX2", &key), ERROR_SUCCESS);
    ASSERT_EQ(reg->SetValue(key, u"StartUpFlag", REG_SZ, u"On", 6), ERROR_SUCCESS);

    sqlite3* holder = nullptr;
    ASSERT_EQ(sqlite3_open(DbPath().c_str(), &holder), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(holder, "BEGIN EXCLUSIVE; UPDATE reg_values SET seq = seq;", nullptr,
                           nullptr, nullptr),
              SQLITE_OK);
    const uint64_t start = clock_->TickMs();
    EXPECT_EQ(reg->SetValue(key, u"StartUpFlag", REG_SZ, u"Off", 8), ERROR_GEN_FAILURE);
    EXPECT_GE(clock_->TickMs() - start, 3000u);
    EXPECT_LT(clock_->TickMs() - start, 3100u);
    EXPECT_EQ(reg->LastFailure(), "The registry database " + DbPath() +
                                      " is locked by another program; gave up after 3000 ms.");
    char16_t text[8];
    uint32_t size = sizeof text;
    ASSERT_EQ(reg->QueryValue(key, u"StartUpFlag", nullptr, text, &size), ERROR_SUCCESS);
    EXPECT_EQ(WideString(text), u"On");
    ASSERT_EQ(sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    EXPECT_EQ(reg->SetValue(key, u"StartUpFlag", REG_SZ, u"Off", 8), ERROR_SUCCESS);

    // A connection that keeps the whole file to itself shuts out even a new reader.
    reg.reset();
    ASSERT_EQ(sqlite3_exec(holder, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; "
                                   "UPDATE reg_values SET seq = seq;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    const uint64_t before_open = clock_->TickMs();
    EXPECT_FALSE(Open(1000));
    EXPECT_GE(clock_->TickMs() - before_open, 1000u);
    EXPECT_EQ(error_, "The registry database " + DbPath() +
                          " is locked by another program; gave up after 1000 ms.");
    ASSERT_EQ(sqlite3_exec(holder, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(holder);
    reg = Open();
    ASSERT_TRUE(reg) << error_;
    ASSERT_EQ(reg->OpenKey(HKEY_LOCAL_MACHINE, u"Software\\Orvan\\QMX2", &key), ERROR_SUCCESS);
    size = sizeof text;
    ASSERT_EQ(reg->QueryValue(key, u"StartUpFlag", nullptr, text, &size), ERROR_SUCCESS);
    EXPECT_EQ(WideString(text), u"Off");
}

// Two threads, each with its own registry object, and a second program write under one key at
// the same time; every value arrives.
TEST_F(RegistryStoreTest, ThreadsAndAnotherProcessWritingOneKeyLoseNothing) {
    const char* build = std::getenv("QMX2_BUILD_DIR");
    ASSERT_NE(build, nullptr);
    std::string error;
    ASSERT_TRUE(InstallProgramLinks(
        root_.path(), {{"RegWriter", std::string(build) + "/bin/qmx2_platform_test_helper"}}, &error))
        << error;
    constexpr int kEach = 40;
    auto prepare = Open();
    ASSERT_TRUE(prepare) << error_;

    Processes processes(*clock_, root_.path());
    ProcessId child = 0;
    ASSERT_TRUE(processes.Start(u"RegWriter", u"reg-write p " + FromUtf8(std::to_string(kEach)), &child));
    auto writer = [&](const std::string& prefix, bool* ok) {
        RegistryOptions o;
        o.clock = clock_.get();
        o.busy_timeout_ms = 24u * 3600u * 1000u;
        std::string ignored;
        auto reg = OpenRegistry(root_.path(), &ignored, o);
        *ok = reg != nullptr;
        for (int i = 0; *ok && i < kEach; ++i) {
            RegKey key = 0;
            const uint32_t v = static_cast<uint32_t>(i);
            *ok = reg->CreateKey(HKEY_LOCAL_MACHINE, u"Software\\Orvan\\QMX2", &key) == ERROR_SUCCESS &&
                  reg->SetValue(key, FromUtf8(prefix + std::to_string(i)), REG_DWORD, &v, 4) == ERROR_SUCCESS &&
                  reg->CloseKey(key) == ERROR_SUCCESS;
        }
    };
    bool ok_a = false, ok_b = false;
    {
        Thread a(*clock_, [&] { writer("a", &ok_a); });
        Thread b(*clock_, [&] { writer("b", &ok_b); });
        EXPECT_TRUE(a.Join());
        EXPECT_TRUE(b.Join());
    }
    int code = -1;
    ASSERT_EQ(processes.Wait(child, kInfinite, &code), WaitResult::kSignaled);
    EXPECT_EQ(code, 0);
    EXPECT_TRUE(ok_a);
    EXPECT_TRUE(ok_b);

    RegKey key = 0;
    ASSERT_EQ(prepare->OpenKey(HKEY_LOCAL_MACHINE, u"Software\\Orvan\\QMX2", &key), ERROR_SUCCESS);
    std::set<WideString> names;
    for (uint32_t i = 0;; ++i) {
        WideChar name[16];
        uint32_t chars = 16, v = 0, size = 4;
        const uint32_t rc = prepare->EnumValue(key, i, name, &chars, nullptr, &v, &size);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(rc, ERROR_SUCCESS);
        EXPECT_EQ(WideString(name, chars).substr(1), FromUtf8(std::to_string(v)));
        names.emplace(name, chars);
    }
    EXPECT_EQ(names.size(), 3u * kEach);
    EXPECT_TRUE(names.count(u"p39") && names.count(u"a0") && names.count(u"b39"));
}

}  // namespace
