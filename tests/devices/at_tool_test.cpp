// qmx2-at's command line, its raw-data escapes and how it shows replies; and the tool opening a
// tty itself, with no host running.
#include <gtest/gtest.h>

#include "devices/at_tool/at_tool_options.h"
#include "tests/support/program_launcher.h"
#include "tests/devices/fake_modem.h"

namespace qmx2::devices {
namespace {

bool Parse(std::vector<const char*> args, AtToolOptions* o, std::string* error) {
    args.insert(args.begin(), "qmx2-at");
    return ParseAtToolOptions(static_cast<int>(args.size()), args.data(), o, error);
}

TEST(AtToolOptions, DefaultsAndEveryOption) {
    AtToolOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"AT"}, &o, &error)) << error;
    EXPECT_EQ(o.expected, "OK");
    EXPECT_EQ(o.timeout_s, 10);
    EXPECT_EQ(o.mode, AtToolMode::kCommand);
    EXPECT_FALSE(o.show_escapes);
    AtToolOptions p;
    ASSERT_TRUE(Parse({"--port", "COM5:", "--expected", "+CMGS", "--timeout", "59", "--mode",
                       "line", "--show-escapes", "AT+CMGS=\"+4915\",145", "ATI"},
                      &p, &error));
    EXPECT_EQ(p.port, "COM5:");
    EXPECT_EQ(p.expected, "+CMGS");
    EXPECT_EQ(p.timeout_s, 59);
    EXPECT_EQ(p.mode, AtToolMode::kLine);
    EXPECT_TRUE(p.show_escapes);
    EXPECT_EQ(p.commands, (std::vector<std::string>{"AT+CMGS=\"+4915\",145", "ATI"}));
}

TEST(AtToolOptions, CommandLinesThatCannotRunAreRefusedWithAReason) {
    std::string error;
    struct Case {
        std::vector<const char*> args;
        const char* error;
    } cases[] = {
        {{}, "no command given"},
        {{"--port", "COM3:", "--device", "/dev/ttyS0", "AT"}, "give --port or --device, not both"},
        {{"--timeout", "0", "AT"}, "the time-out must be whole seconds from 1 to 3600"},
        {{"--timeout", "5s", "AT"}, "the time-out must be whole seconds from 1 to 3600"},
        {{"--mode", "turbo", "AT"}, "unknown mode \"turbo\""},
        {{"--colour", "x", "AT"}, "unknown option --colour"},
        {{"AT", "--port"}, "--port needs a value"},
        {{"AT\r+CFUN=0"}, "a command cannot hold CR, LF, Ctrl-Z or ESC (use --mode raw for data)"},
        {{"AT\x1a"}, "a command cannot hold CR, LF, Ctrl-Z or ESC (use --mode raw for data)"},
        {{"--mode", "raw", "text\\q"}, "unknown escape \\q"},
        {{"--mode", "raw", "text\\x4"}, "\\x needs two hex digits"},
        {{"--mode", "raw", "text\\"}, "a backslash ends the data"},
    };
    for (const auto& c : cases) {
        AtToolOptions o;
        EXPECT_FALSE(Parse(c.args, &o, &error));
        EXPECT_EQ(error, c.error);
    }
}

TEST(AtToolOptions, RawDataTakesEscapesAndCtrlZ) {
    AtToolOptions o;
    std::string error;
    ASSERT_TRUE(Parse({"--mode", "raw", "Hello\\r\\nworld^Z", "\\x00\\e\\\\\\^Z"}, &o, &error));
    EXPECT_EQ(o.commands[0], "Hello\r\nworld\x1a");
    EXPECT_EQ(o.commands[1], std::string("\0\x1b\\^Z", 5));
}

TEST(AtToolOptions, ShowEscapesMakesEveryByteVisible) {
    EXPECT_EQ(ShowEscapes(std::string("AT\r\r\nOK\r\n\x1a\\\x7f\xe9\x01", 14)),
              "AT\\r\\r\\nOK\\r\\n^Z\\\\\\x7F\\xE9\\x01");
    EXPECT_EQ(ShowEscapes(""), "");
}

TEST(AtToolProgram, DeviceOptionTalksToTheTtyWithoutAHost) {
    testing::PtyPair pty;
    testing::FakeModem modem(pty, [](const std::string& c) -> std::optional<std::string> {
        return c + "\r\r\nOK\r\n";
    });
    qmx2::testing::Program at({qmx2::testing::BuiltProgram("qmx2-at"), "--device", pty.slave_path, "ATE1"});
    EXPECT_EQ(at.ReadAllOutput(), "ATE1\r\r\nOK\r\n");
    EXPECT_EQ(at.Wait(), 0);
    qmx2::testing::Program none({qmx2::testing::BuiltProgram("qmx2-at"), "--device", "/dev/qmx2-none", "AT"});
    EXPECT_EQ(none.Wait(), 2);
    EXPECT_EQ(none.ErrorText(), "qmx2-at: cannot open /dev/qmx2-none: No such file or directory\n");
}

}  // namespace
}  // namespace qmx2::devices
