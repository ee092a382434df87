// A program of the handheld started for a test: its standard error is read line by line, every
// wait is bounded by the lines it prints, and it is killed if the test ends before it does.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

extern char** environ;

namespace qmx2::manager::app::testing {

inline constexpr int kLineWaitMs = 30'000;

class Program {
public:
    explicit Program(std::vector<std::string> args) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC) != 0) return;
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(fds[1]);
        out_ = fds[0];
    }
    ~Program() {
        if (pid_ > 0) {
            ::kill(pid_, SIGKILL);
            Wait();
        }
        if (out_ >= 0) ::close(out_);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Reads lines until one holds `part`; false when the program ends or stays silent too long.
    bool WaitFor(const std::string& part) {
        for (;;) {
            const auto nl = buffer_.find('\n');
            if (nl != std::string::npos) {
                const std::string line = buffer_.substr(0, nl);
                buffer_.erase(0, nl + 1);
                seen_ += line + "\n";
                if (line.find(part) != std::string::npos) return true;
                continue;
            }
            pollfd p{out_, POLLIN, 0};
            if (::poll(&p, 1, kLineWaitMs) <= 0) return false;
            char chunk[512];
            const ssize_t n = ::read(out_, chunk, sizeof chunk);
            if (n <= 0) return false;
            buffer_.append(chunk, static_cast<size_t>(n));
        }
    }
    void Signal(int sig) {
        if (pid_ > 0) ::kill(pid_, sig);
    }
    // Call once the program has said it ends (its output closed or its last line seen). A
    // program still running after kLineWaitMs is killed and reported as -2, so that a program
    // that fails to end fails the test instead of hanging it.
    int Wait() {
        if (pid_ <= 0) return -1;
        const int pidfd = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
        if (pidfd >= 0) {
            pollfd p{pidfd, POLLIN, 0};
            const int ready = ::poll(&p, 1, kLineWaitMs);
            ::close(pidfd);
            if (ready <= 0) {
                ::kill(pid_, SIGKILL);
                ::waitpid(pid_, nullptr, 0);
                pid_ = -1;
                return -2;
            }
        }
        int status = 0;
        if (::waitpid(pid_, &status, 0) == pid_) pid_ = -1;
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    const std::string& seen() const { return seen_; }

private:
    pid_t pid_ = -1;
    int out_ = -1;
    std::string buffer_;
    std::string seen_;
};

inline std::string Bin(const char* name) {
    const char* dir = std::getenv("QMX2_BUILD_DIR");
    return std::string(dir ? dir : ".") + "/bin/" + name;
}

inline std::string SourceFile(const char* path) {
    const char* dir = std::getenv("QMX2_SOURCE_DIR");
    return std::string(dir ? dir : ".") + "/" + path;
}

}  // namespace qmx2::manager::app::testing
