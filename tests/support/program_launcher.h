// A built program started from a test: its standard output and error on pipes, read line by line,
// and every wait bounded, so that a program that hangs fails the test instead of stopping it. The
// program is killed and reaped if the test ends before it does.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

extern char** environ;

namespace qmx2::testing {

inline std::string BuiltProgram(const std::string& name) {
    const char* dir = std::getenv("QMX2_BUILD_DIR");
    return std::string(dir ? dir : ".") + "/bin/" + name;
}

inline std::string SourceFile(const std::string& path) {
    const char* dir = std::getenv("QMX2_SOURCE_DIR");
    return std::string(dir ? dir : ".") + "/" + path;
}

class Program {
public:
    // `line_wait_ms` bounds each wait for a line, for the end of the output and for the exit.
    explicit Program(std::vector<std::string> argv, int line_wait_ms = 20'000) : wait_ms_(line_wait_ms) {
        int out[2], err[2];
        if (::pipe2(out, O_CLOEXEC) != 0) return;
        if (::pipe2(err, O_CLOEXEC) != 0) {
            ::close(out[0]);
            ::close(out[1]);
            return;
        }
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
        posix_spawn_file_actions_adddup2(&actions, err[1], 2);
        std::vector<char*> args;
        for (std::string& a : argv) args.push_back(a.data());
        args.push_back(nullptr);
        if (args.size() < 2 || posix_spawn(&pid_, args[0], &actions, nullptr, args.data(), environ) != 0) pid_ = -1;
        posix_spawn_file_actions_destroy(&actions);
        ::close(out[1]);
        ::close(err[1]);
        streams_[0].fd = out[0];
        streams_[1].fd = err[0];
        if (pid_ > 0) pidfd_ = static_cast<int>(::syscall(SYS_pidfd_open, pid_, 0));
    }
    ~Program() {
        Kill();
        for (Stream& s : streams_)
            if (s.fd >= 0) ::close(s.fd);
        if (pidfd_ >= 0) ::close(pidfd_);
    }
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // The next line on standard output or error, or "" when the stream ends or no line comes in time.
    std::string OutputLine() { return NextLine(streams_[0]).value_or(""); }
    std::string ErrorLine() { return NextLine(streams_[1]).value_or(""); }

    // Reads standard error until a line holds `text`; false when it ends or no line comes in time.
    bool WaitForErrorLine(const std::string& text) {
        for (;;) {
            const std::optional<std::string> line = NextLine(streams_[1]);
            if (!line) return false;
            if (line->find(text) != std::string::npos) return true;
        }
    }
    // The standard error lines read so far by the waits above.
    std::string seen() const { return streams_[1].text.substr(0, streams_[1].scanned); }

    // Everything on standard output, or error, until the program closes it (or falls silent).
    std::string ReadAllOutput() { return ReadAll(streams_[0]); }
    std::string ErrorText() { return ReadAll(streams_[1]); }

    void Signal(int sig) {
        if (pid_ > 0) ::kill(pid_, sig);
    }
    // The exit status (128 + signal for a killed program) if it ends within ms, else nullopt and
    // it keeps running. Its output is read meanwhile so that a full pipe cannot hold it up.
    std::optional<int> WaitWithin(int ms) {
        if (pid_ <= 0) return status_;
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            int status = 0;
            if (::waitpid(pid_, &status, WNOHANG) == pid_) {
                pid_ = -1;
                status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
                return status_;
            }
            const int left = Left(deadline);
            if (left <= 0) return std::nullopt;
            // Without a pidfd the exit is noticed by a short poll.
            Pump(pidfd_ >= 0 ? left : std::min(left, 20), true);
        }
    }
    // The exit status; a program still running after the line wait is killed and reported as -2.
    int Wait() {
        if (const std::optional<int> status = WaitWithin(wait_ms_)) return *status;
        Kill();
        return -2;
    }
    void Kill() {
        if (pid_ <= 0) return;
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);  // SIGKILL cannot be caught: this returns at once
        pid_ = -1;
    }

private:
    struct Stream {
        int fd = -1;
        std::string text;
        size_t scanned = 0;
    };

    static int Left(std::chrono::steady_clock::time_point deadline) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        return left.count() > 0 ? static_cast<int>(left.count()) : 0;
    }
    // Reads what is ready on both pipes (and notices the exit when `with_exit`), waiting up to
    // ms; false when nothing arrived. Both are read so that a program never blocks on one.
    bool Pump(int ms, bool with_exit = false) {
        pollfd p[3];
        Stream* owner[3] = {};
        nfds_t n = 0;
        for (Stream& s : streams_) {
            if (s.fd < 0) continue;
            p[n] = {s.fd, POLLIN, 0};
            owner[n++] = &s;
        }
        if (with_exit && pidfd_ >= 0) p[n++] = {pidfd_, POLLIN, 0};
        if (n == 0) return false;
        if (::poll(p, n, ms) <= 0) return false;
        bool got = false;
        for (nfds_t i = 0; i < n; ++i) {
            if (!owner[i] || p[i].revents == 0) continue;
            char chunk[512];
            const ssize_t r = ::read(p[i].fd, chunk, sizeof chunk);
            if (r <= 0) {
                ::close(owner[i]->fd);
                owner[i]->fd = -1;
            } else {
                owner[i]->text.append(chunk, static_cast<size_t>(r));
            }
            got = true;
        }
        return got;
    }
    std::optional<std::string> NextLine(Stream& s) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms_);
        for (;;) {
            const size_t nl = s.text.find('\n', s.scanned);
            if (nl != std::string::npos) {
                std::string line = s.text.substr(s.scanned, nl - s.scanned);
                s.scanned = nl + 1;
                return line;
            }
            const int left = Left(deadline);
            if (s.fd < 0 || left <= 0) return std::nullopt;
            Pump(left);
        }
    }
    std::string ReadAll(Stream& s) {
        auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms_);
        while (s.fd >= 0) {
            const int left = Left(deadline);
            if (left <= 0) break;
            if (Pump(left)) deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(wait_ms_);
        }
        return s.text;
    }

    pid_t pid_ = -1;
    int pidfd_ = -1;
    int wait_ms_;
    std::optional<int> status_;
    Stream streams_[2];
};

}  // namespace qmx2::testing
