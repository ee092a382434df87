// Run-at-event registrations in a line file: "<event>\t<program>".
#include "platform/run_at_event.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "platform/process.h"
#include "platform/text.h"

namespace qmx2::platform {

namespace {

bool KnownEvent(uint32_t event) {
    return event == NOTIFICATION_EVENT_TIME_CHANGE || event == NOTIFICATION_EVENT_DEVICE_CHANGE ||
           event == NOTIFICATION_EVENT_RS232_DETECTED;
}

// Holds an exclusive lock on "<file>.lock" while it lives.
class FileLock {
public:
    explicit FileLock(const std::string& path) : fd_(open((path + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644)) {
        if (fd_ >= 0) flock(fd_, LOCK_EX);
    }
    ~FileLock() {
        if (fd_ >= 0) close(fd_);
    }
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    bool held() const { return fd_ >= 0; }

private:
    int fd_;
};

std::vector<RunAtEventEntry> Read(const std::string& path) {
    std::vector<RunAtEventEntry> entries;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos || tab == 0) continue;
        RunAtEventEntry e;
        e.event = static_cast<uint32_t>(std::strtoul(line.substr(0, tab).c_str(), nullptr, 10));
        e.program = line.substr(tab + 1);
        if (KnownEvent(e.event) && !e.program.empty()) entries.push_back(std::move(e));
    }
    return entries;
}

bool Write(const std::string& path, const std::vector<RunAtEventEntry>& entries) {
    const std::string temp = path + ".new";
    {
        std::ofstream out(temp, std::ios::trunc);
        for (const RunAtEventEntry& e : entries) out << e.event << '\t' << e.program << '\n';
        out.flush();
        if (!out) return false;
    }
    return std::rename(temp.c_str(), path.c_str()) == 0;
}

}  // namespace

RunAtEvents::RunAtEvents(std::string root) : path_(std::move(root) + "/run-at-event.txt") {}

bool RunAtEvents::Register(std::string_view program, uint32_t event) {
    if (program.empty() || program.size() > kMaxRunAtEventPathChars) return false;
    // A line per registration: a line break in the path would make a second one.
    if (program.find_first_of("\r\n\t") != std::string_view::npos) return false;
    if (event != NOTIFICATION_EVENT_NONE && !KnownEvent(event)) return false;
    FileLock lock(path_);
    if (!lock.held()) return false;
    std::vector<RunAtEventEntry> entries = Read(path_);
    if (event == NOTIFICATION_EVENT_NONE) {
        std::erase_if(entries, [&](const RunAtEventEntry& e) { return e.program == program; });
    } else {
        const bool there = std::any_of(entries.begin(), entries.end(), [&](const RunAtEventEntry& e) {
            return e.program == program && e.event == event;
        });
        if (there) return true;
        entries.push_back({std::string(program), event});
    }
    return Write(path_, entries);
}

std::vector<RunAtEventEntry> RunAtEvents::List() const {
    FileLock lock(path_);
    return Read(path_);
}

int RunAtEvents::Fire(uint32_t event, Processes& processes) const {
    int started = 0;
    for (const RunAtEventEntry& e : List())
        if (e.event == event && processes.Start(FromUtf8(e.program), u"")) ++started;
    return started;
}

}  // namespace qmx2::platform
