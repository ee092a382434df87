#include "setup/appmgr/app_install.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/cabinet.h"
#include "setup/setup_texts.h"
#include "tests/platform/files_temp_root.h"

namespace qmx2::setup {
namespace {

using platform::testing::ReadHostFile;
using platform::testing::TempRoot;
using platform::testing::WriteHostFile;

constexpr char kDriverKey[] = "Drivers\\PCMCIA\\Orvan_Mobile_Phones-ORVAN_PELLION-4C2D";
constexpr char kIni[] = "\\Orvan\\Pellion 2.0\\qmx2.ini";

Manifest ManifestFor(Shell shell, uint32_t processor) {
    Manifest m{shell, processor, {}, {}};
    m.files = {{"Qmx2Com", "\\Windows\\Qmx2Com"}, {"qmx21.htp", "\\Windows\\qmx21.htp"}};
    m.values = {{kDriverKey, "Dll", false, 0, "serqmx2.dll"}, {kDriverKey, "DeviceArrayIndex", true, 1, {}}};
    return m;
}

class AppInstallTest : public ::testing::Test {
protected:
    AppInstallTest()
        : desktop_(desktop_root_.path()),
          handheld_(handheld_root_.path()),
          registry_(platform::OpenRegistry(handheld_root_.path(), &error_)) {
        WriteHostFile(Desk("qmx2.ini"), std::string(kQmx2Ini));
        for (const auto shell : {Shell::kPocketPc, Shell::kHandheldPc})
            for (const uint32_t p : {kProcessorSh3, kProcessorR4000, kProcessorArm}) WriteCab(shell, p, ManifestFor(shell, p));
    }
    std::string Desk(const std::string& name) const { return desktop_root_ / ("Orvan/Pellion 2.0/" + name); }
    void WriteCab(Shell shell, uint32_t processor, const Manifest& m) {
        std::string error;
        const std::string program = "#!/bin/sh\necho " + CabinetNameFor(shell, processor) + "\n";
        ASSERT_TRUE(platform::WriteCabinet(Desk(CabinetNameFor(shell, processor)),
                                           {{"Qmx2Com", program}, {"qmx21.htp", "<html>help</html>"},
                                            {std::string(kManifestName), FormatManifest(m)}},
                                           &error))
            << error;
    }
    void SetHandheld(const char16_t* shell, uint32_t processor) {
        platform::RegKey key = 0;
        ASSERT_EQ(registry_->CreateKey(platform::HKEY_LOCAL_MACHINE, kPlatformKey, &key), 0u);
        registry_->SetValue(key, u"Shell", platform::REG_SZ, shell,
                            static_cast<uint32_t>((std::u16string_view(shell).size() + 1) * 2));
        registry_->SetValue(key, u"Processor", platform::REG_DWORD, &processor, 4);
        registry_->CloseKey(key);
    }
    InstallReport Install() { return InstallFromDescription({desktop_, kIni, handheld_, *registry_}); }
    bool NothingInstalled() const {
        return !std::filesystem::exists(handheld_root_ / "Windows/Qmx2Com") &&
               !std::filesystem::exists(handheld_root_ / "Windows/qmx21.htp");
    }

    TempRoot desktop_root_, handheld_root_;
    std::string error_;
    platform::Files desktop_, handheld_;
    std::unique_ptr<platform::Registry> registry_;
};

TEST_F(AppInstallTest, PicksTheCabinetOfTheHandheldAndInstallsFilesAndDriverKey) {
    const struct {
        const char16_t* shell;
        uint32_t processor;
        const char* cabinet;
    } cases[] = {{nullptr, 0, "qmx2ppc.2577.CAB"},
                 {u"HandheldPC", kProcessorR4000, "qmx2hpc.4000.CAB"},
                 {u"PocketPC", kProcessorSh3, "qmx2ppc.sh3.CAB"}};
    for (const auto& c : cases) {
        if (c.shell) SetHandheld(c.shell, c.processor);
        const InstallReport report = Install();
        ASSERT_EQ(report.result, InstallResult::kInstalled) << report.detail;
        EXPECT_EQ(report.cabinet, c.cabinet);
        EXPECT_EQ(ReadHostFile(handheld_root_ / "Windows/Qmx2Com"), std::string("#!/bin/sh\necho ") + c.cabinet + "\n");
        const auto perms = std::filesystem::status(handheld_root_ / "Windows/Qmx2Com").permissions();
        EXPECT_NE(perms & std::filesystem::perms::owner_exec, std::filesystem::perms::none);
    }
    platform::RegKey key = 0;
    ASSERT_EQ(registry_->OpenKey(platform::HKEY_LOCAL_MACHINE, platform::FromUtf8(kDriverKey), &key), 0u);
    uint32_t type = 0, index = 0, size = 4;
    ASSERT_EQ(registry_->QueryValue(key, u"DeviceArrayIndex", &type, &index, &size), 0u);
    EXPECT_EQ(index, 1u);
    char16_t dll[32] = {};
    size = sizeof dll;
    ASSERT_EQ(registry_->QueryValue(key, u"Dll", &type, dll, &size), 0u);
    EXPECT_EQ(std::u16string(dll), u"serqmx2.dll");
}

TEST_F(AppInstallTest, MissingOrDamagedSetupFilesInstallNothing) {
    const std::string cab = Desk("qmx2ppc.2577.CAB");
    const std::string whole = ReadHostFile(cab);
    const struct {
        const char* what;
        std::function<void()> damage;
    } cases[] = {
        {"cabinet truncated half-way", [&] { WriteHostFile(cab, whole.substr(0, whole.size() / 2)); }},
        {"one byte of the data changed", [&] { std::string d = whole; d[d.size() - 10] ^= 0x55; WriteHostFile(cab, d); }},
        {"cabinet missing", [&] { std::filesystem::remove(cab); }},
        {"binary junk", [&] { WriteHostFile(cab, std::string(5000, '\xA5')); }},
        {"manifest leaves the handheld", [&] {
             Manifest m = ManifestFor(Shell::kPocketPc, kProcessorArm);
             m.files[1].handheld_path = "\\Windows\\..\\..\\escape";
             WriteCab(Shell::kPocketPc, kProcessorArm, m);
         }},
        {"cabinet of another device", [&] { WriteCab(Shell::kPocketPc, kProcessorArm, ManifestFor(Shell::kHandheldPc, kProcessorArm)); }},
        {"family not in the description", [&] { SetHandheld(u"PocketPC", 1234); }},
    };
    for (const auto& c : cases) {
        c.damage();
        const InstallReport report = Install();
        EXPECT_EQ(report.result, InstallResult::kInvalidSetupFiles) << c.what;
        EXPECT_FALSE(report.detail.empty()) << c.what;
        EXPECT_TRUE(NothingInstalled()) << c.what;
        WriteHostFile(cab, whole);
    }
}

TEST(AppInstall, DescriptionPathIsTheQuotedEndOfTheCommandLine) {
    EXPECT_EQ(DescriptionPathOf("\\Program Files\\A S\\CEAPPMGR.EXE \"\\Program Files\\A S\\Orvan\\Pellion 2.0\\qmx2.ini\""),
              "\\Program Files\\A S\\Orvan\\Pellion 2.0\\qmx2.ini");
    EXPECT_EQ(DescriptionPathOf("\\x\\qmx2.ini"), "\\x\\qmx2.ini");
}

TEST(AppInstall, TheBuildsCabinetsAreRealCabinetsForTheirDevice) {
    const std::string dir = std::string(std::getenv("QMX2_BUILD_DIR")) + "/setup/";
    for (const auto shell : {Shell::kPocketPc, Shell::kHandheldPc})
        for (const uint32_t p : {kProcessorSh3, kProcessorR4000, kProcessorArm}) {
            std::vector<platform::CabinetFile> files;
            std::string error;
            ASSERT_TRUE(platform::ReadCabinet(dir + CabinetNameFor(shell, p), &files, &error)) << error;
            Manifest m;
            ASSERT_FALSE(files.empty());
            ASSERT_EQ(files.back().name, kManifestName);
            ASSERT_TRUE(ParseManifest(files.back().data, &m));
            EXPECT_EQ(m.shell, shell);
            EXPECT_EQ(m.processor, p);
            std::string names;
            for (const auto& f : m.files) names += f.handheld_path + " ";
            EXPECT_NE(names.find("\\Windows\\Qmx2Com \\Windows\\Qmx2PPC.exe \\Windows\\serqmx2.dll \\Windows\\qmx2.htc"),
                      std::string::npos);
            // "\Qmx2PPC.exe", the name the commander starts, is the build of the device's shell.
            std::ifstream build_file(std::string(std::getenv("QMX2_BUILD_DIR")) + "/cabinet-files/" +
                                         (shell == Shell::kHandheldPc ? "Qmx2HPC" : "Qmx2PPC"),
                                     std::ios::binary);
            const std::string built((std::istreambuf_iterator<char>(build_file)), {});
            std::string carried;
            for (const auto& f : m.files)
                if (f.handheld_path == "\\Windows\\Qmx2PPC.exe")
                    for (const auto& c : files)
                        if (c.name == f.cabinet_name) carried = c.data;
            EXPECT_FALSE(built.empty());
            EXPECT_TRUE(carried == built) << CabinetNameFor(shell, p);
        }
    EXPECT_EQ(CabFilesOf(kQmx2Ini), (std::vector<std::string>{"qmx2hpc.sh3.CAB", "qmx2hpc.4000.CAB", "qmx2hpc.2577.CAB",
                                                              "qmx2ppc.sh3.CAB", "qmx2ppc.4000.CAB", "qmx2ppc.2577.CAB"}));
}

}  // namespace
}  // namespace qmx2::setup
