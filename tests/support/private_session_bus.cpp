// dbus-daemon and Xvfb for one test. Each prints where it listens on a pipe that the test reads
// with a bounded wait.
#include "tests/support/private_session_bus.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace qmx2::testing {

namespace {

constexpr int kStartWaitMs = 10000;

// Starts argv (with "{fd}" replaced by the pipe's write end) and reads its first line.
pid_t StartAndReadLine(std::vector<std::string> args, std::string* line, std::string* error) {
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) {
        *error = "no pipe";
        return -1;
    }
    for (std::string& a : args) {
        const size_t at = a.find("{fd}");
        if (at != std::string::npos) a.replace(at, 4, std::to_string(fds[1]));
    }
    const pid_t pid = fork();
    if (pid == 0) {
        prctl(PR_SET_PDEATHSIG, SIGTERM);  // a test that dies or forgets does not leave it behind
        fcntl(fds[1], F_SETFD, 0);  // the child keeps the write end across exec
        const int devnull = open("/dev/null", O_RDWR);
        dup2(devnull, 1);
        dup2(devnull, 2);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    close(fds[1]);
    if (pid < 0) {
        close(fds[0]);
        *error = "cannot start " + args[0];
        return -1;
    }
    std::string got;
    for (;;) {
        pollfd p{fds[0], POLLIN, 0};
        if (poll(&p, 1, kStartWaitMs) <= 0) break;
        char c;
        if (read(fds[0], &c, 1) != 1 || c == '\n') break;
        got += c;
    }
    close(fds[0]);
    if (got.empty()) {
        *error = args[0] + " did not start (is it installed? scripts/setup.sh installs it)";
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return -1;
    }
    *line = got;
    return pid;
}

void Stop(pid_t pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
}

}  // namespace

PrivateSessionBus::PrivateSessionBus() {
    pid_ = StartAndReadLine({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--print-address={fd}"},
                            &address_, &error_);
}

PrivateSessionBus::~PrivateSessionBus() { Stop(pid_); }

PrivateDisplay::PrivateDisplay() {
    std::string number;
    pid_ = StartAndReadLine({"Xvfb", "-displayfd", "{fd}", "-nolisten", "tcp", "-screen", "0", "800x600x24"},
                            &number, &error_);
    if (pid_ > 0) display_ = ":" + number;
}

PrivateDisplay::~PrivateDisplay() { Stop(pid_); }

void UsePrivateDesktop(const PrivateSessionBus& bus, const PrivateDisplay& display) {
    setenv("DBUS_SESSION_BUS_ADDRESS", bus.address().c_str(), 1);
    setenv("DISPLAY", display.display().c_str(), 1);
    setenv("QT_QPA_PLATFORM", "xcb", 1);
    unsetenv("QT_QPA_PLATFORMTHEME");
    unsetenv("XDG_CURRENT_DESKTOP");
}

}  // namespace qmx2::testing
