// Program start as the handheld does it: a program named "Qmx2Com", "\Qmx2PPC.exe" or
// "peghelp.exe" is looked for in the root's "\Windows" folder first, then in the folder the name
// gives (from the root), with and without ".exe". The files found there are executables or links
// to the built binaries (InstallProgramLinks). A started program gets QMX2_ROOT set to the root,
// QMX2_PROGRAM set to its own name on the handheld ("\Windows\Qmx2Com", what the handheld's
// module file name gives) and its command line as its one argument (none when the line is empty).
// Programs that are let go of are reaped as soon as they end, so none is left defunct.
//
// Failures are values: false, or WaitResult::kTimeout, with the thread's last error.
#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/comm_types.h"
#include "platform/sync.h"
#include "platform/text.h"

namespace qmx2::platform {

inline constexpr uint32_t ERROR_BAD_EXE_FORMAT = 193;

using ProcessId = uint32_t;  // 0 is no process

class Processes {
public:
    Processes(Clock& clock, std::string root);
    // Forgets every process; those still running go on running.
    ~Processes();
    Processes(const Processes&) = delete;
    Processes& operator=(const Processes&) = delete;

    // Starts the program. With `id` null the process is forgotten at once, as a caller that
    // closes the handles right after the start does.
    bool Start(WideView name, WideView command_line, ProcessId* id = nullptr);
    // The host file that Start would run; ERROR_FILE_NOT_FOUND when there is none,
    // ERROR_ACCESS_DENIED when the only match cannot be run.
    bool FindProgram(WideView name, std::string* host, WideString* handheld = nullptr) const;

    // Waits for the end of the process. The process runs outside the clock, so the wait is an
    // external one (ExternalWait) and its time-out counts in real milliseconds; 0 only looks.
    // On a virtual clock the caller must be a thread that takes part in it (see sync.h).
    WaitResult Wait(ProcessId id, uint32_t timeout_ms, int* exit_code = nullptr);
    // Asks the process to end (SIGTERM), or ends it at once with `force` (SIGKILL).
    bool Terminate(ProcessId id, bool force = false);
    bool IsRunning(ProcessId id);
    bool Close(ProcessId id);

private:
    struct Child {
        int pid = 0;
        int pidfd = -1;  // for waiting with a time-out
        bool ended = false;
        int exit_code = 0;
    };

    // Collects the end of a child if it has ended; mu_ held.
    void Reap(Child& child);
    void ReapForgotten();
    // Hands a running child that nobody waits for to the reaper thread; mu_ held.
    void Forget(int pid, int pidfd);
    void ReaperLoop();

    Clock& clock_;
    const std::string root_;
    std::mutex mu_;  // guards the tables; never held while blocking
    std::map<ProcessId, Child> children_;
    struct Forgotten {
        int pid = 0;
        int pidfd = -1;
    };
    std::vector<Forgotten> forgotten_;  // closed, still running children
    ProcessId next_id_ = 1;
    int wake_[2] = {-1, -1};  // wakes the reaper: a new child to watch, or the end
    bool stopping_ = false;
    std::thread reaper_;
};

// The calling program's own name on the handheld, as its start gave it (QMX2_PROGRAM); a program
// started by hand is taken to be installed in "\Windows" under its file name.
WideString OwnProgramPath();

// Puts links named after the programs (first: "Qmx2Com", "Qmx2PPC.exe", ...) into the root's
// "\Windows" folder, pointing at the host files (second), replacing older links but never an
// installed program (a regular file of that name stays). False with a
// sentence in *error when a file is missing or a link cannot be made.
bool InstallProgramLinks(const std::string& root,
                         const std::vector<std::pair<std::string, std::string>>& programs,
                         std::string* error);

}  // namespace qmx2::platform
