#include "setup/installer.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/clock.h"
#include "setup/copy_files.h"
#include "setup/desktop.h"
#include "setup/setup_texts.h"
#include "tests/platform/files_temp_root.h"

namespace qmx2::setup {
namespace {

using platform::testing::ReadHostFile;
using platform::testing::TempRoot;
using platform::testing::WriteHostFile;

constexpr char kActiveSync[] = "Program Files/Microsoft ActiveSync";

class Recorder : public CopyView {
public:
    void ShowText(std::string_view text) override { texts += std::string(text) + "|"; }
    void Repaint() override { ++repaints; }
    std::string texts;
    int repaints = 0;
};

class InstallerTest : public ::testing::Test {
protected:
    InstallerTest()
        : clock_(platform::MakeVirtualClock()),
          installer_(source_.path()),
          desktop_(desktop_root_.path()),
          registry_(platform::OpenRegistry(desktop_root_.path(), &error_)),
          windows_(platform::MakeLocalWindowSystem(*clock_)),
          processes_(*clock_, desktop_root_.path()),
          ctx_{*clock_, installer_, desktop_, *registry_, *windows_, processes_, {}, {}, {}} {}

    // The application manager's folder exists wherever it is registered.
    void RegisterAppManager(std::u16string_view path = kAppManagerPath) {
        std::filesystem::create_directories(desktop_root_ / kActiveSync);
        ASSERT_TRUE(setup::RegisterAppManager(*registry_, path));
    }
    // The application manager: a program that notes its command line and ends.
    void InstallFakeAppManager() {
        const std::string program = desktop_root_ / (std::string(kActiveSync) + "/CEAPPMGR.EXE");
        WriteHostFile(program, "#!/bin/sh\nprintf '%s' \"$1\" > \"$QMX2_ROOT/command-line\"\n");
        std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    }
    void WriteList(const std::string& text) { WriteHostFile(source_ / "setup.lst", text); }
    std::string Dest(const std::string& name) const {
        return desktop_root_ / (std::string(kActiveSync) + "/Orvan/Pellion 2.0/" + name);
    }

    TempRoot source_, desktop_root_;
    std::string error_;
    std::unique_ptr<platform::VirtualClock> clock_;
    platform::Files installer_, desktop_;
    std::unique_ptr<platform::Registry> registry_;
    std::unique_ptr<platform::WindowSystem> windows_;
    platform::Processes processes_;
    SetupContext ctx_;
    ProgressValue progress_;
    Recorder view_;
};

TEST_F(InstallerTest, TextsOfTheStartFailures) {
    EXPECT_EQ(kInitFailed, "Setup encounters problem when initializing.\n\nSetup will exit.\n");
    EXPECT_EQ(kNoAppManager,
              "Cannot find Microsoft ActiveSync, installation is NOT completed! Please try again later.\n");
    EXPECT_EQ(kCannotCopy, "Cannot copy the file \"%s\". Please run the setup program again.");
    EXPECT_EQ(kNotCompleted, "Installation is NOT completed! Please check ActiveSync. Error %d");
}

TEST_F(InstallerTest, StartChecks) {
    EXPECT_EQ(PrepareSetup(ctx_), StartResult::kInitFailed);  // no setup.lst
    WriteList("T\n2\n\"a\" 0, \"a\"\n# only one entry\n");
    RegisterAppManager();
    EXPECT_EQ(PrepareSetup(ctx_), StartResult::kInitFailed);
    WriteList("T\n1\n\"a\" 0, \"a\"\n");
    RegisterAppManager(u"\\Program Files\\Microsoft ActiveSync\\OTHER.EXE");
    EXPECT_EQ(PrepareSetup(ctx_), StartResult::kNoAppManager);
    EXPECT_FALSE(std::filesystem::exists(desktop_root_ / (std::string(kActiveSync) + "/Orvan")));
    // A file where the "Orvan" folder belongs.
    WriteHostFile(desktop_root_ / (std::string(kActiveSync) + "/Orvan"), "x");
    RegisterAppManager(u"\\Program Files\\Microsoft ActiveSync\\ceappmgr.exe");
    EXPECT_EQ(PrepareSetup(ctx_), StartResult::kInitFailed);
    std::filesystem::remove(desktop_root_ / (std::string(kActiveSync) + "/Orvan"));
    ASSERT_EQ(PrepareSetup(ctx_), StartResult::kReady);
    EXPECT_EQ(ctx_.destination, u"\\Program Files\\Microsoft ActiveSync\\Orvan\\Pellion 2.0\\");
    EXPECT_TRUE(std::filesystem::is_directory(Dest("")));
}

TEST_F(InstallerTest, NoAppManagerRegisteredCopiesNothing) {
    WriteList("T\n1\n\"a\" 0, \"a\"\n");
    EXPECT_EQ(PrepareSetup(ctx_), StartResult::kNoAppManager);
    EXPECT_FALSE(std::filesystem::exists(desktop_root_ / "Program Files"));
}

TEST_F(InstallerTest, InstallsExactlyNEntriesWritesTheIniAndStartsTheAppManager) {
    WriteList("QMX2\n3\n\"one.CAB\" 0, \"one.CAB\"\n# comment\n\"two.CAB\" 0, \"TWO.cab\"\n"
              "#\n\"big.bin\" 0, \"big.bin\"\n\"extra\" 0, \"extra\"\n");
    const std::string big(3 * 4096 + 17, 'z');
    WriteHostFile(source_ / "one.CAB", "1");
    WriteHostFile(source_ / "two.CAB", "22");
    WriteHostFile(source_ / "big.bin", big);
    WriteHostFile(source_ / "extra", "not listed as one of the N");
    RegisterAppManager();
    InstallFakeAppManager();
    ASSERT_EQ(PrepareSetup(ctx_), StartResult::kReady);

    const CopyOutcome outcome = CopyFiles({installer_, desktop_, ctx_.destination, ctx_.list}, progress_, view_);
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(view_.texts, "Copying files to your computer...|one.CAB|TWO.cab|big.bin|");
    EXPECT_EQ(progress_.Get(), 100);
    EXPECT_EQ(view_.repaints, 3);
    EXPECT_EQ(ReadHostFile(Dest("TWO.cab")), "22");
    EXPECT_EQ(ReadHostFile(Dest("big.bin")), big);
    EXPECT_FALSE(std::filesystem::exists(Dest("extra")));
    EXPECT_EQ(ReadHostFile(Dest("setup.log")),
              "QMX2\n"
              "\\Program Files\\Microsoft ActiveSync\\Orvan\\Pellion 2.0\\one.CAB\n"
              "\\Program Files\\Microsoft ActiveSync\\Orvan\\Pellion 2.0\\TWO.cab\n"
              "\\Program Files\\Microsoft ActiveSync\\Orvan\\Pellion 2.0\\big.bin\n");

    platform::ProcessId id = 0;
    ASSERT_GT(StartAppManager(ctx_, &id), 31);
    {
        platform::ExternalWait outside(*clock_);
        ASSERT_EQ(processes_.Wait(id, 10000), platform::WaitResult::kSignaled);
    }
    WaitForAppManager(ctx_, id);
    EXPECT_EQ(ReadHostFile(Dest("qmx2.ini")),
              "[CEAppManager]\nVersion = 1.0\nComponent = CEDriver\n\n[CEDriver]\n"
              "Description = Orvan Pellion 2.0 Version 1.13\nUninstall = Orvan Pellion 2.0 Version 1.13\n"
              "CabFiles = qmx2hpc.sh3.CAB,qmx2hpc.4000.CAB,qmx2hpc.2577.CAB,qmx2ppc.sh3.CAB,"
              "qmx2ppc.4000.CAB,qmx2ppc.2577.CAB");
    EXPECT_EQ(ReadHostFile(desktop_root_ / "command-line"),
              "\\Program Files\\Microsoft ActiveSync\\CEAPPMGR.EXE "
              "\"\\Program Files\\Microsoft ActiveSync\\Orvan\\Pellion 2.0\\qmx2.ini\"");
    EXPECT_FALSE(std::filesystem::exists(Dest("setup.log")));
}

TEST_F(InstallerTest, CopyFailuresNameTheFileAndLeaveNoLog) {
    RegisterAppManager();
    WriteHostFile(source_ / "a", "a");
    const struct {
        const char* list;
        const char* failed;
    } cases[] = {
        {"T\n2\n\"a\" 0, \"a\"\n\"missing\" 0, \"m.CAB\"\n", "m.CAB"},
        // The installer's folder is the destination: the same file, names in another case.
        {"T\n1\n\"SAME.cab\" 0, \"same.CAB\"\n", "same.CAB"},
    };
    for (const auto& c : cases) {
        WriteList(c.list);
        ASSERT_EQ(PrepareSetup(ctx_), StartResult::kReady);
        WriteHostFile(Dest("same.cab"), "kept");
        platform::Files same_folder(Dest(""));
        const bool same = std::string(c.failed) == "same.CAB";
        const CopyOutcome outcome = CopyFiles({same ? same_folder : installer_, desktop_, ctx_.destination, ctx_.list},
                                              progress_, view_);
        EXPECT_FALSE(outcome.ok);
        EXPECT_EQ(outcome.failed_name, c.failed);
        EXPECT_FALSE(std::filesystem::exists(Dest("setup.log"))) << c.failed;
        EXPECT_FALSE(std::filesystem::exists(Dest("m.CAB")));
        EXPECT_EQ(ReadHostFile(Dest("same.cab")), "kept");
    }
}

TEST_F(InstallerTest, AppManagerThatCannotStartGivesItsError) {
    WriteList("T\n1\n\"a\" 0, \"a\"\n");
    RegisterAppManager();
    ASSERT_EQ(PrepareSetup(ctx_), StartResult::kReady);
    platform::ProcessId id = 0;
    EXPECT_EQ(StartAppManager(ctx_, &id), 2);
}

TEST_F(InstallerTest, WindowsOfTheAppManagerKeepTheInstallerWaiting) {
    platform::HWND dialog = 0;
    for (const auto title : kWatchedTitles) {
        dialog = windows_->RegisterWindow(u"Dialog", title, [](auto...) { return platform::LRESULT(0); });
        ASSERT_NE(dialog, 0u);
        EXPECT_TRUE(AppManagerBusy(ctx_, 0));
        windows_->DestroyWindow(dialog);
    }
    EXPECT_FALSE(AppManagerBusy(ctx_, 0));
    const platform::HWND setup = windows_->RegisterWindow(u"SETUP_WINDOW", u"Setup", [](auto...) { return platform::LRESULT(0); });
    EXPECT_EQ(FindRunningSetup(*windows_), setup);
}

TEST_F(InstallerTest, ALinkOpensInTheRegisteredBrowserOnly) {
    EXPECT_FALSE(StartBrowser(ctx_, u"https://qmx2.example.org/"));
    const std::string program = desktop_root_ / "browser";
    WriteHostFile(program, "#!/bin/sh\nprintf '%s' \"$1\" > \"$QMX2_ROOT/browser-line\"\n");
    std::filesystem::permissions(program, std::filesystem::perms::owner_all);
    platform::RegKey key = 0;
    const std::u16string path = u"\\browser";
    ASSERT_EQ(registry_->CreateKey(platform::HKEY_LOCAL_MACHINE, kBrowserKey, &key), 0u);
    ASSERT_EQ(registry_->SetValue(key, u"", platform::REG_SZ, path.c_str(),
                                  static_cast<uint32_t>((path.size() + 1) * sizeof(char16_t))),
              0u);
    registry_->CloseKey(key);

    platform::ProcessId id = 0;
    ASSERT_TRUE(StartBrowser(ctx_, u"https://qmx2.example.org/", &id));
    {
        platform::ExternalWait outside(*clock_);
        ASSERT_EQ(processes_.Wait(id, 10000), platform::WaitResult::kSignaled);
    }
    EXPECT_EQ(ReadHostFile(desktop_root_ / "browser-line"), "\\browser https://qmx2.example.org/");
}

TEST_F(InstallerTest, LicenceIsCutAt13312BytesOrSaysItIsMissing) {
    EXPECT_EQ(ReadLicense(installer_), "license.txt not found.");
    WriteHostFile(source_ / "license.txt", std::string(1 << 20, 'L'));
    EXPECT_EQ(ReadLicense(installer_), std::string(13312, 'L'));
}

TEST(SetupProgress, RoundsUpAndStopsAt100) {
    EXPECT_EQ(PercentAfter(1, 3), 34);
    EXPECT_EQ(PercentAfter(2, 3), 67);
    EXPECT_EQ(PercentAfter(3, 3), 100);
    EXPECT_EQ(PercentAfter(1, 7), 15);
    EXPECT_EQ(PercentAfter(1, 256), 1);
}

TEST(SetupLink, CommandLinks) {
    int n = 0;
    EXPECT_TRUE(LinkCommand("Command:42", &n));
    EXPECT_EQ(n, 42);
    EXPECT_FALSE(LinkCommand("https://example.org", &n));
    EXPECT_FALSE(LinkCommand("command:", &n));
    EXPECT_FALSE(LinkCommand("command:4x", &n));
}

}  // namespace
}  // namespace qmx2::setup
