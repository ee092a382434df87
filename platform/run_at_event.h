// Run-at-event registrations of the handheld: a program asks to be started when an event
// happens (the device-change event when a card comes or goes, a change of the clock). The
// registrations are kept in the handheld's root ("run-at-event.txt"), not in any program's
// memory, so they outlive the program that made them; whoever sees the event (the device host
// for device changes) calls Fire, which starts every registered program with an empty command
// line.
//
// Several programs of one handheld use the file at once: every change is a locked
// read-modify-write with the new file renamed into place.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qmx2::platform {

class Processes;

inline constexpr uint32_t NOTIFICATION_EVENT_NONE = 0;
inline constexpr uint32_t NOTIFICATION_EVENT_TIME_CHANGE = 1;
inline constexpr uint32_t NOTIFICATION_EVENT_DEVICE_CHANGE = 7;
// A desktop cable was plugged into a built-in serial port (its DCD came on).
inline constexpr uint32_t NOTIFICATION_EVENT_RS232_DETECTED = 9;
inline constexpr size_t kMaxRunAtEventPathChars = 260;

struct RunAtEventEntry {
    std::string program;  // handheld path, as registered
    uint32_t event = 0;
};

class RunAtEvents {
public:
    explicit RunAtEvents(std::string root);

    // Registers `program` for `event`; NOTIFICATION_EVENT_NONE removes every registration of
    // the program. Registering twice keeps one. false for an empty or too long path, an unknown
    // event, or a root that cannot be written.
    bool Register(std::string_view program, uint32_t event);
    std::vector<RunAtEventEntry> List() const;
    // Starts every program registered for `event`; returns how many started.
    int Fire(uint32_t event, Processes& processes) const;

private:
    std::string path_;
};

}  // namespace qmx2::platform
