// Running the built programs from a test: start with arguments, read what they print, send a
// signal, collect the exit status. Every read is bounded by a poll time-out so that a program
// that hangs fails the test instead of stopping it.
#pragma once

#include <cstdlib>
#include <optional>
#include <poll.h>
#include <signal.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace qmx2::devices::testing {

inline std::string BuiltProgram(const std::string& name) {
    const char* dir = std::getenv("QMX2_BUILD_DIR");
    return std::string(dir ? dir : ".") + "/bin/" + name;
}

class Child {
public:
    explicit Child(const std::vector<std::string>& argv) {
        int out[2], err[2];
        if (pipe(out) != 0 || pipe(err) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(out[1], 1);
            dup2(err[1], 2);
            close(out[0]);
            close(err[0]);
            std::vector<char*> args;
            for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
            args.push_back(nullptr);
            execv(args[0], args.data());
            _exit(127);
        }
        close(out[1]);
        close(err[1]);
        out_ = out[0];
        err_ = err[0];
    }
    ~Child() {
        if (pid_ > 0 && !reaped_) {
            kill(pid_, SIGKILL);
            Wait();
        }
        if (out_ >= 0) close(out_);
        if (err_ >= 0) close(err_);
    }

    // Reads stderr until a line holds `text`; false on end of output or 20 s of silence.
    bool WaitForErrorLine(const std::string& text) {
        for (;;) {
            const size_t nl = err_text_.find('\n', scanned_);
            if (nl != std::string::npos) {
                const std::string line = err_text_.substr(scanned_, nl - scanned_);
                scanned_ = nl + 1;
                if (line.find(text) != std::string::npos) return true;
                continue;
            }
            if (!ReadSome(err_, &err_text_)) return false;
        }
    }
    // Everything the program printed on stdout until it closed it.
    std::string ReadAllOutput() {
        std::string s;
        while (ReadSome(out_, &s)) {
        }
        return s;
    }
    // The exit status, or 128 + signal.
    int Wait() {
        int status = 0;
        waitpid(pid_, &status, 0);
        reaped_ = true;
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    // The exit status if the program ends within ms, else nullopt (it keeps running).
    std::optional<int> WaitWithin(int ms) {
        for (int waited = 0;; waited += 20) {
            int status = 0;
            if (waitpid(pid_, &status, WNOHANG) == pid_) {
                reaped_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            if (waited >= ms) return std::nullopt;
            poll(nullptr, 0, 20);
        }
    }
    void Signal(int sig) { kill(pid_, sig); }
    std::string ErrorText() {
        while (ReadSome(err_, &err_text_)) {
        }
        return err_text_;
    }

private:
    static bool ReadSome(int fd, std::string* into) {
        pollfd p{fd, POLLIN, 0};
        if (poll(&p, 1, 20000) <= 0) return false;
        char buf[512];
        const ssize_t n = read(fd, buf, sizeof(buf));
        if (n <= 0) return false;
        into->append(buf, static_cast<size_t>(n));
        return true;
    }
    pid_t pid_ = -1;
    int out_ = -1, err_ = -1;
    bool reaped_ = false;
    std::string err_text_;
    size_t scanned_ = 0;
};

}  // namespace qmx2::devices::testing
