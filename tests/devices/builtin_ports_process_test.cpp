// qmx2-device serving the built-in port COM1: through the driver library, its far side on a
// pseudo-terminal: qmx2-at's command comes out on the terminal and the terminal's answer comes
// back to it, and "dcd COM1: on" on the live control (the desktop cable plugged in) starts the
// program registered for the RS-232-detected event.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "devices/active_entry.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/run_at_event.h"
#include "tests/support/program_launcher.h"

namespace qmx2::devices {
namespace {

using namespace qmx2::platform;
using qmx2::testing::BuiltProgram;
using qmx2::testing::Program;

// Reads from fd until `text` has come (or 20 s pass).
std::string ReadUntil(int fd, const std::string& text) {
    std::string got;
    while (got.find(text) == std::string::npos) {
        pollfd p{fd, POLLIN, 0};
        char buf[256];
        if (poll(&p, 1, 20000) <= 0) break;
        const ssize_t n = read(fd, buf, sizeof buf);
        if (n <= 0) break;
        got.append(buf, static_cast<size_t>(n));
    }
    return got;
}

std::string RunProgram(std::vector<std::string> args, int* status) {
    Program p(std::move(args));
    std::string out = p.ReadAllOutput();
    *status = p.Wait();
    return out;
}

TEST(BuiltInPortsProgram, TerminalTalksThroughCom1AndThePluggedCableStartsItsProgram) {
    char tmpl[] = "/tmp/qmx2-builtin-XXXXXX";
    ASSERT_TRUE(mkdtemp(tmpl));
    const std::string root = tmpl;
    const std::string script = root + "/on-cable.sh";
    std::ofstream(script) << "#!/bin/sh\necho plugged >> \"$QMX2_ROOT/cable.txt\"\n";
    chmod(script.c_str(), 0755);
    std::string error;
    ASSERT_TRUE(InstallProgramLinks(root, {{"OnCable.exe", script}}, &error)) << error;
    ASSERT_TRUE(RunAtEvents(root).Register("\\Windows\\OnCable.exe", NOTIFICATION_EVENT_RS232_DETECTED));
    int status = -1;
    EXPECT_EQ(RunProgram({BuiltProgram("qmx2-event"), "--root", root, "list"}, &status),
              "rs232-detected\t\\Windows\\OnCable.exe\n");

    Program host({BuiltProgram("qmx2-device"), "--root", root, "--builtin-port", "COM1:=pty"});
    ASSERT_TRUE(host.WaitForErrorLine("serves COM1: /dev/")) << host.ErrorText();
    const std::string seen = host.seen();
    const size_t at = seen.find("/dev/");
    const std::string pty = seen.substr(at, seen.find(" (far side)", at) - at);
    {
        auto registry = OpenRegistry(root, &error);
        ASSERT_TRUE(registry) << error;
        EXPECT_EQ(FindActiveDevice(*registry, u""), u"COM1:");  // the only entry
    }

    const int terminal = open(pty.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(terminal, 0) << pty;
    Program at_tool({BuiltProgram("qmx2-at"), "--root", root, "--port", "COM1:", "--expected", "+CSQ", "AT+CSQ"});
    EXPECT_EQ(ReadUntil(terminal, "\r"), "AT+CSQ\r");
    const std::string reply = "\r\n+CSQ: 21,99\r\n\r\nOK\r\n";
    ASSERT_EQ(write(terminal, reply.data(), reply.size()), static_cast<ssize_t>(reply.size()));
    EXPECT_EQ(at_tool.ReadAllOutput(), reply);
    EXPECT_EQ(at_tool.Wait(), 0);
    close(terminal);

    // The cable: the far side's DCD comes on while nobody has the port open. The driver takes a
    // cable closer than 201 ms to the port's close (or to the last cable) for a bounce, so the
    // cable comes a little later than that; on a busy machine the close itself may come late,
    // and the cable is then unplugged and plugged again.
    std::string outcome;
    for (int tries = 0; tries < 5 && outcome.find("started") == std::string::npos; ++tries) {
        usleep(300'000);  // a precondition, not a measurement
        RunProgram({BuiltProgram("qmx2-cardctl"), "--root", root, "dcd", "COM1:", "off"}, &status);
        EXPECT_EQ(RunProgram({BuiltProgram("qmx2-cardctl"), "--root", root, "dcd", "COM1:", "on"}, &status), "OK\n");
        do outcome = host.ErrorLine();
        while (!outcome.empty() && outcome.find("started") == std::string::npos &&
               outcome.find("Ignoring") == std::string::npos);
    }
    EXPECT_EQ(outcome, "qmx2-device: notification event 9 started 1 program(s)") << host.ErrorText();
    EXPECT_NE(host.seen().find("qmx2-device: debug: DCD Cable event, "), std::string::npos) << host.seen();
    for (int i = 0; i < 2000 && !std::ifstream(root + "/cable.txt"); ++i) usleep(10000);
    std::ifstream cable(root + "/cable.txt");
    std::string line;
    EXPECT_TRUE(std::getline(cable, line));
    EXPECT_EQ(line, "plugged");
    EXPECT_EQ(RunProgram({BuiltProgram("qmx2-cardctl"), "--root", root, "dcd", "COM2:", "on"}, &status),
              "ERROR no built-in port COM2: is served\n");
    EXPECT_EQ(status, 1);

    host.Signal(SIGTERM);
    EXPECT_EQ(host.Wait(), 0);
    {
        auto registry = OpenRegistry(root, &error);
        ASSERT_TRUE(registry) << error;
        EXPECT_EQ(FindActiveDevice(*registry, u""), u"");
    }
    std::system(("rm -rf " + root).c_str());
}

TEST(BuiltInPortsProgram, BadBuiltInPortArgumentsAreRefused) {
    for (const char* arg : {"COM3:=pty", "COM1:=serial", "COM1:=tcp:", "COM1:=tcp:70000", "COM1:"}) {
        Program p({BuiltProgram("qmx2-device"), "--root", "/tmp", "--builtin-port", arg});
        EXPECT_EQ(p.Wait(), 2) << arg;
    }
}

}  // namespace
}  // namespace qmx2::devices
