// Program start, wait and end on the host.
#include "platform/process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/comm_types.h"
#include "platform/files.h"
#include "platform/last_error.h"
#include "platform/registry_names.h"

extern char** environ;

namespace qmx2::platform {
namespace {

bool Fail(uint32_t error) {
    SetLastError(error);
    return false;
}

bool EndsWithExe(WideView name) {
    return name.size() >= 4 && FoldName(name.substr(name.size() - 4)) == FoldName(u".exe");
}

int ExitCodeOf(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

std::vector<std::string> ChildEnvironment(const std::string& root, WideView program) {
    std::vector<std::string> env;
    for (char** e = environ; e && *e; ++e)
        if (std::strncmp(*e, "QMX2_ROOT=", 10) != 0 && std::strncmp(*e, "QMX2_PROGRAM=", 13) != 0)
            env.emplace_back(*e);
    env.push_back("QMX2_ROOT=" + root);
    env.push_back("QMX2_PROGRAM=" + ToUtf8(program));
    return env;
}

uint32_t SpawnError(int error) {
    switch (error) {
    case ENOENT: return ERROR_FILE_NOT_FOUND;
    case EACCES:
    case EPERM: return ERROR_ACCESS_DENIED;
    case ENOEXEC: return ERROR_BAD_EXE_FORMAT;
    case ENOMEM:
    case EAGAIN: return ERROR_NOT_ENOUGH_MEMORY;
    default: return ERROR_GEN_FAILURE;
    }
}

}  // namespace

Processes::Processes(Clock& clock, std::string root) : clock_(clock), root_(std::move(root)) {}

Processes::~Processes() {
    {
        std::lock_guard lk(mu_);
        stopping_ = true;
        if (wake_[1] >= 0) (void)!write(wake_[1], "x", 1);
    }
    if (reaper_.joinable()) reaper_.join();
    std::lock_guard lk(mu_);
    for (auto& [id, child] : children_) {
        Reap(child);
        if (child.pidfd >= 0) close(child.pidfd);
    }
    ReapForgotten();
    for (const Forgotten& f : forgotten_)
        if (f.pidfd >= 0) close(f.pidfd);
    for (int fd : wake_)
        if (fd >= 0) close(fd);
}

bool Processes::FindProgram(WideView name, std::string* host, WideString* handheld) const {
    const size_t cut = name.find_last_of(u"\\/");
    const WideView base = cut == WideView::npos ? name : name.substr(cut + 1);
    const WideView folder = cut == WideView::npos ? WideView() : name.substr(0, cut);
    if (base.empty()) return Fail(ERROR_INVALID_PARAMETER);
    std::vector<WideString> files;
    if (EndsWithExe(base)) {
        files = {WideString(base), WideString(base.substr(0, base.size() - 4))};
    } else {
        files = {WideString(base) + u".exe", WideString(base)};
    }
    const Files fs(root_);
    bool blocked = false;
    for (const WideView where : {WideView(u"\\Windows"), folder}) {
        for (const auto& file : files) {
            std::string candidate;
            if (!fs.HostPath(WideString(where) + u"\\" + file, &candidate)) return false;
            struct stat st {};
            if (stat(candidate.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) continue;
            if (access(candidate.c_str(), X_OK) != 0) {
                blocked = true;
                continue;
            }
            *host = candidate;
            if (handheld) *handheld = WideString(where) + u"\\" + file;
            return true;
        }
    }
    return Fail(blocked ? ERROR_ACCESS_DENIED : ERROR_FILE_NOT_FOUND);
}

bool Processes::Start(WideView name, WideView command_line, ProcessId* id) {
    if (id) *id = 0;
    std::string program;
    WideString handheld;
    if (!FindProgram(name, &program, &handheld)) return false;
    const std::string line = ToUtf8(command_line);
    std::vector<char*> argv{program.data()};
    std::string arg = line;
    if (!arg.empty()) argv.push_back(arg.data());
    argv.push_back(nullptr);
    std::vector<std::string> env = ChildEnvironment(root_, handheld);
    std::vector<char*> envp;
    for (auto& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    // The child starts with the default handling of the signals a test or a shell may have
    // changed, and nothing blocked.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    for (int s : {SIGPIPE, SIGTERM, SIGINT, SIGCHLD}) sigaddset(&defaults, s);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &defaults);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, program.c_str(), nullptr, &attr, argv.data(), envp.data());
    posix_spawnattr_destroy(&attr);
    if (rc != 0) return Fail(SpawnError(rc));

    Child child;
    child.pid = pid;
    child.pidfd = static_cast<int>(syscall(SYS_pidfd_open, pid, 0));
    std::lock_guard lk(mu_);
    ReapForgotten();
    if (!id) {
        Forget(pid, child.pidfd);
    } else {
        *id = next_id_++;
        children_[*id] = child;
    }
    SetLastError(ERROR_SUCCESS);
    return true;
}

void Processes::Reap(Child& child) {
    if (child.ended) return;
    int status = 0;
    if (waitpid(child.pid, &status, WNOHANG) == child.pid) {
        child.ended = true;
        child.exit_code = ExitCodeOf(status);
    }
}

void Processes::ReapForgotten() {
    std::erase_if(forgotten_, [](const Forgotten& f) {
        if (waitpid(f.pid, nullptr, WNOHANG) == 0) return false;
        if (f.pidfd >= 0) close(f.pidfd);
        return true;
    });
}

void Processes::Forget(int pid, int pidfd) {
    forgotten_.push_back({pid, pidfd});
    if (pidfd < 0) return;  // without a pidfd (old kernels) only the next start reaps it
    if (!reaper_.joinable()) {
        if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) return;
        reaper_ = std::thread([this] { ReaperLoop(); });
    } else {
        (void)!write(wake_[1], "x", 1);
    }
}

// A program that is let go of is still our child: it is reaped the moment it ends, so a
// long-running device host never keeps a defunct commander.
void Processes::ReaperLoop() {
    std::vector<pollfd> watch;
    for (;;) {
        watch.assign(1, pollfd{wake_[0], POLLIN, 0});
        {
            std::lock_guard lk(mu_);
            if (stopping_) return;
            for (const Forgotten& f : forgotten_)
                if (f.pidfd >= 0) watch.push_back({f.pidfd, POLLIN, 0});
        }
        if (poll(watch.data(), watch.size(), -1) < 0 && errno != EINTR) return;
        char drain[64];
        while (read(wake_[0], drain, sizeof drain) > 0) {
        }
        std::lock_guard lk(mu_);
        ReapForgotten();
    }
}

WideString OwnProgramPath() {
    if (const char* given = std::getenv("QMX2_PROGRAM"); given && *given) return FromUtf8(given);
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string file = n > 0 ? std::string(self, static_cast<size_t>(n)) : std::string("program");
    file.erase(0, file.rfind('/') + 1);
    return u"\\Windows\\" + FromUtf8(file);
}

WaitResult Processes::Wait(ProcessId id, uint32_t timeout_ms, int* exit_code) {
    int pidfd = -1;
    {
        std::lock_guard lk(mu_);
        const auto it = children_.find(id);
        if (it == children_.end()) {
            SetLastError(ERROR_INVALID_HANDLE);
            return WaitResult::kTimeout;
        }
        Reap(it->second);
        pidfd = it->second.pidfd;
        if (it->second.ended || timeout_ms == 0) {
            if (it->second.ended && exit_code) *exit_code = it->second.exit_code;
            SetLastError(it->second.ended ? ERROR_SUCCESS : ERROR_TIMEOUT);
            return it->second.ended ? WaitResult::kSignaled : WaitResult::kTimeout;
        }
    }
    {
        ExternalWait outside(clock_);
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
        for (;;) {
            int wait_ms = -1;
            if (timeout_ms != kInfinite) {
                const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                    deadline - std::chrono::steady_clock::now());
                wait_ms = static_cast<int>(std::max<int64_t>(0, left.count()));
            }
            pollfd p{pidfd, POLLIN, 0};
            // Without a pidfd (old kernels) the wait looks every 10 ms.
            const int n = pidfd >= 0 ? poll(&p, 1, wait_ms)
                                     : poll(nullptr, 0, wait_ms < 0 ? 10 : std::min(wait_ms, 10));
            if (n < 0 && errno == EINTR) continue;
            std::lock_guard lk(mu_);
            const auto it = children_.find(id);
            if (it == children_.end()) break;
            Reap(it->second);
            if (it->second.ended || wait_ms == 0 || (pidfd >= 0 && n != 0)) break;
        }
    }
    std::lock_guard lk(mu_);
    const auto it = children_.find(id);
    const bool ended = it != children_.end() && it->second.ended;
    if (ended && exit_code) *exit_code = it->second.exit_code;
    SetLastError(ended ? ERROR_SUCCESS : ERROR_TIMEOUT);
    return ended ? WaitResult::kSignaled : WaitResult::kTimeout;
}

bool Processes::Terminate(ProcessId id, bool force) {
    std::lock_guard lk(mu_);
    const auto it = children_.find(id);
    if (it == children_.end()) return Fail(ERROR_INVALID_HANDLE);
    Reap(it->second);
    // An unreaped child keeps its pid, so the signal cannot reach another process.
    if (!it->second.ended && kill(it->second.pid, force ? SIGKILL : SIGTERM) != 0)
        return Fail(ERROR_ACCESS_DENIED);
    SetLastError(ERROR_SUCCESS);
    return true;
}

bool Processes::IsRunning(ProcessId id) {
    std::lock_guard lk(mu_);
    const auto it = children_.find(id);
    if (it == children_.end()) return Fail(ERROR_INVALID_HANDLE);
    Reap(it->second);
    return !it->second.ended;
}

bool Processes::Close(ProcessId id) {
    std::lock_guard lk(mu_);
    const auto it = children_.find(id);
    if (it == children_.end()) return Fail(ERROR_INVALID_HANDLE);
    Reap(it->second);
    if (!it->second.ended) {
        Forget(it->second.pid, it->second.pidfd);
    } else if (it->second.pidfd >= 0) {
        close(it->second.pidfd);
    }
    children_.erase(it);
    ReapForgotten();
    return true;
}

bool InstallProgramLinks(const std::string& root,
                         const std::vector<std::pair<std::string, std::string>>& programs,
                         std::string* error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path windows = fs::path(root) / "Windows";
    fs::create_directories(windows, ec);
    if (ec) {
        if (error) *error = "The folder " + windows.string() + " cannot be made: " + ec.message() + ".";
        return false;
    }
    for (const auto& [name, file] : programs) {
        const fs::path target = fs::absolute(file, ec);
        if (ec || !fs::is_regular_file(target, ec)) {
            if (error) *error = "The program file " + file + " for " + name + " does not exist.";
            return false;
        }
        if (name.empty() || name.find('/') != std::string::npos || name == "." || name == "..") {
            if (error) *error = "\"" + name + "\" is not a program name.";
            return false;
        }
        const fs::path link = windows / name;
        // A program the installer put there is the handheld's own copy: only links are ours.
        if (fs::is_regular_file(fs::symlink_status(link, ec))) continue;
        // A new link under a temporary name, renamed over the old one: never a moment without.
        const fs::path temp = windows / ("." + name + ".link");
        fs::remove(temp, ec);
        fs::create_symlink(target, temp, ec);
        if (!ec) fs::rename(temp, link, ec);
        if (ec) {
            const std::string why = ec.message();
            fs::remove(temp, ec);
            if (error) *error = "The link " + link.string() + " cannot be made: " + why + ".";
            return false;
        }
    }
    return true;
}

}  // namespace qmx2::platform
