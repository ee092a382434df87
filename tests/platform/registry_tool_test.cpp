// qmx2-reg as a person uses it from the shell: the built binary, its output and exit codes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <vector>

#include "tests/platform/files_temp_root.h"
#include "tests/support/program_launcher.h"

using namespace qmx2::platform::testing;

namespace {

struct Outcome {
    int code = -1;
    std::string out, err;
};

class RegToolTest : public ::testing::Test {
protected:
    Outcome Run(std::vector<std::string> args) {
        EXPECT_NE(std::getenv("QMX2_BUILD_DIR"), nullptr);
        args.insert(args.begin(), {qmx2::testing::BuiltProgram("qmx2-reg"), "--root", root_.path()});
        qmx2::testing::Program tool(args);
        Outcome o;
        o.out = tool.ReadAllOutput();
        o.err = tool.ErrorText();
        const int code = tool.Wait();
        o.code = code >= 0 && code < 128 ? code : -1;
        return o;
    }

    TempRoot root_;
};

constexpr const char* kQmx2 = "HKLM\\Software\\Orvan\\QMX2";
constexpr const char* kNotFound =
    "ERROR: The system was unable to find the specified registry key or value.\n";

TEST_F(RegToolTest, AddThenQueryShowsEachTypeInRegToolStyle) {
    EXPECT_EQ(Run({"add", kQmx2, "/v", "ATModemCmd", "/t", "REG_SZ", "/d", "AT+CBST=0,0,1;+CHSN=1,0,0,0"}).out,
              "The operation completed successfully.\n");
    EXPECT_EQ(Run({"add", "HKEY_LOCAL_MACHINE\\Software\\Orvan\\SERQMX2", "/v", "autopowerup", "/t",
                   "REG_DWORD", "/d", "1"}).code, 0);
    EXPECT_EQ(Run({"add", kQmx2, "/v", "Blob", "/t", "reg_binary", "/d", "00ff10"}).code, 0);
    EXPECT_EQ(Run({"add", kQmx2, "/v", "Größe", "/d", "Grüße"}).code, 0);  // REG_SZ by default

    const Outcome q = Run({"query", "hklm\\software\\orvan"});
    EXPECT_EQ(q.code, 0);
    EXPECT_EQ(q.out, "\nHKEY_LOCAL_MACHINE\\software\\orvan\n"
                     "\nHKEY_LOCAL_MACHINE\\software\\orvan\\QMX2\n"
                     "\nHKEY_LOCAL_MACHINE\\software\\orvan\\SERQMX2\n");
    EXPECT_EQ(Run({"query", kQmx2}).out,
              "\nHKEY_LOCAL_MACHINE\\Software\\Orvan\\QMX2\n"
              "    ATModemCmd    REG_SZ    AT+CBST=0,0,1;+CHSN=1,0,0,0\n"
              "    Blob    REG_BINARY    00FF10\n"
              "    Größe    REG_SZ    Grüße\n");
    EXPECT_EQ(Run({"query", "HKLM\\Software\\Orvan\\SERQMX2", "/v", "AUTOPOWERUP"}).out,
              "\nHKEY_LOCAL_MACHINE\\Software\\Orvan\\SERQMX2\n    autopowerup    REG_DWORD    0x1\n");
}

TEST_F(RegToolTest, ExistingValuesNeedForceAndDeleteRemovesValuesAndKeys) {
    ASSERT_EQ(Run({"add", kQmx2, "/v", "StartUpFlag", "/d", "On"}).code, 0);
    const Outcome again = Run({"add", kQmx2, "/v", "startupflag", "/d", "Off"});
    EXPECT_EQ(again.code, 1);
    EXPECT_EQ(again.err, "ERROR: The value \"startupflag\" already exists; add /f to overwrite it.\n");
    EXPECT_EQ(Run({"add", kQmx2, "/v", "StartUpFlag", "/d", "Off", "/f"}).code, 0);
    EXPECT_EQ(Run({"query", kQmx2, "/v", "StartUpFlag"}).out,
              "\nHKEY_LOCAL_MACHINE\\Software\\Orvan\\QMX2\n    StartUpFlag    REG_SZ    Off\n");

    EXPECT_EQ(Run({"delete", kQmx2, "/v", "StartUpFlag", "/f"}).code, 0);
    const Outcome gone = Run({"query", kQmx2, "/v", "StartUpFlag"});
    EXPECT_EQ(gone.code, 1);
    EXPECT_EQ(gone.err, kNotFound);
    EXPECT_EQ(Run({"delete", kQmx2, "/v", "StartUpFlag"}).err, kNotFound);
    EXPECT_EQ(Run({"delete", "HKLM\\Software"}).code, 0);
    EXPECT_EQ(Run({"query", kQmx2}).err, kNotFound);
    EXPECT_EQ(Run({"delete", "HKLM"}).err, "ERROR: The root key HKEY_LOCAL_MACHINE cannot be deleted.\n");
}

TEST_F(RegToolTest, ExportKeepsExactSizesVisible) {
    ASSERT_EQ(Run({"add", kQmx2, "/v", "Path", "/d", "\\Program Files\\\"QMX2\""}).code, 0);
    ASSERT_EQ(Run({"add", kQmx2, "/ve", "/d", "x"}).code, 0);
    ASSERT_EQ(Run({"add", kQmx2 + std::string("\\Init"), "/v", "3", "/t", "REG_DWORD", "/d", "0x1B0060"}).code, 0);
    const Outcome e = Run({"export", "HKLM\\Software\\Orvan"});
    EXPECT_EQ(e.code, 0);
    EXPECT_EQ(e.out, "Windows Registry Editor Version 5.00\n"
                     "\n[HKEY_LOCAL_MACHINE\\Software\\Orvan]\n"
                     "\n[HKEY_LOCAL_MACHINE\\Software\\Orvan\\QMX2]\n"
                     "\"Path\"=\"\\\\Program Files\\\\\\\"QMX2\\\"\"\n"
                     "@=\"x\"\n"
                     "\n[HKEY_LOCAL_MACHINE\\Software\\Orvan\\QMX2\\Init]\n"
                     "\"3\"=dword:001b0060\n");
}

TEST_F(RegToolTest, MalformedCommandsSayWhatIsWrongAndExitWithOne) {
    struct Case {
        std::vector<std::string> args;
        std::string err;
    } cases[] = {
        {{"query", "Software\\Orvan"},
         "ERROR: Invalid key name \"Software\\Orvan\": start it with HKLM\\ or HKEY_LOCAL_MACHINE\\.\n"},
        {{"query", "HKCU\\Software"},
         "ERROR: Only HKLM (HKEY_LOCAL_MACHINE) is kept on the handheld, not \"HKCU\\Software\".\n"},
        {{"query", "HKLM\\Software\\\\Orvan"},
         "ERROR: Invalid key name \"HKLM\\Software\\\\Orvan\": a name between \"\\\" is empty.\n"},
        {{"add", kQmx2, "/v", "x", "/t", "REG_QWORD", "/d", "1"},
         "ERROR: Unknown type \"REG_QWORD\": use REG_SZ, REG_DWORD or REG_BINARY.\n"},
        {{"add", kQmx2, "/v", "x", "/t", "REG_SZ"}, "ERROR: Missing /d DATA: add needs the data to write.\n"},
        {{"add", kQmx2, "/d", "1"}, "ERROR: Missing /v NAME (or /ve for the default value).\n"},
        {{"add", kQmx2, "/v", "x", "/t", "REG_DWORD", "/d", "4294967296"},
         "ERROR: Invalid REG_DWORD data \"4294967296\": give a number from 0 to 4294967295, decimal or 0x hexadecimal.\n"},
        {{"add", kQmx2, "/v", "x", "/t", "REG_DWORD", "/d", "-1"},
         "ERROR: Invalid REG_DWORD data \"-1\": give a number from 0 to 4294967295, decimal or 0x hexadecimal.\n"},
        {{"add", kQmx2, "/v", "x", "/t", "REG_BINARY", "/d", "0f0"},
         "ERROR: Invalid REG_BINARY data \"0f0\": give pairs of hexadecimal digits, such as 00FF10.\n"},
        {{"add", kQmx2, "/v"}, "ERROR: The option /v needs a value.\n"},
        {{"query", kQmx2, "/x"}, "ERROR: Unknown option \"/x\".\n"},
        {{"query"}, "ERROR: Missing the key, such as HKLM\\Software\\Orvan\\QMX2.\n"},
        {{"copy", kQmx2}, "ERROR: Unknown command \"copy\"; use query, add, delete or export.\n"},
        {{"query", kQmx2, "/v", "x", "/ve"}, "ERROR: Give either /v NAME or /ve, not both.\n"},
        {{"delete", kQmx2, "/d", "1"}, "ERROR: The options /t and /d belong to the add command.\n"},
    };
    for (const auto& c : cases) {
        const Outcome o = Run(c.args);
        EXPECT_EQ(o.code, 1) << c.args[0];
        EXPECT_EQ(o.err, c.err);
        EXPECT_EQ(o.out, "");
    }
    EXPECT_EQ(Run({"query", kQmx2}).err, kNotFound);  // nothing was written by the failures
}

TEST_F(RegToolTest, LookingAtAHandheldWithoutRegistryMakesNone) {
    const Outcome o = Run({"query", kQmx2});
    EXPECT_EQ(o.code, 1);
    EXPECT_EQ(o.err, "ERROR: The handheld folder " + root_.path() + " has no registry yet.\n");
    EXPECT_EQ(Run({"delete", kQmx2}).code, 1);
    EXPECT_FALSE(std::filesystem::exists(root_ / "registry.db"));
    EXPECT_EQ(Run({"add", kQmx2, "/v", "x", "/d", "y"}).code, 0);
    EXPECT_EQ(Run({"query", kQmx2}).code, 0);
}

TEST_F(RegToolTest, ADamagedRegistryIsReportedNotReplaced) {
    WriteHostFile(root_ / "registry.db", "not a database at all");
    const Outcome o = Run({"query", kQmx2});
    EXPECT_EQ(o.code, 1);
    EXPECT_EQ(o.err, "ERROR: The registry database " + (root_ / "registry.db") +
                         " is not a database file; it was left untouched. Move it away to start "
                         "with an empty registry.\n");
    EXPECT_EQ(ReadHostFile(root_ / "registry.db"), "not a database at all");
}

TEST_F(RegToolTest, ExportWritesTextWithLineBreaksAsHexSoEachValueStaysOneLine) {
    ASSERT_EQ(Run({"add", kQmx2, "/v", "Two", "/d", "a\r\nb"}).code, 0);
    ASSERT_EQ(Run({"add", kQmx2, "/v", "One", "/d", "a\nb"}).code, 0);
    EXPECT_EQ(Run({"export", kQmx2}).out, "Windows Registry Editor Version 5.00\n"
                                          "\n[HKEY_LOCAL_MACHINE\\Software\\Orvan\\QMX2]\n"
                                          "\"Two\"=hex(1):61,00,0d,00,0a,00,62,00,00,00\n"
                                          "\"One\"=hex(1):61,00,0a,00,62,00,00,00\n");
}

}  // namespace
