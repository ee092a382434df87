// qmx2-event: the handheld's run-at-event registrations from the host's shell. The stand-in
// handheld has no clock of its own to set, so a change of the time is announced here; device
// changes are fired by the device host itself.
//   qmx2-event [--root DIR] list
//   qmx2-event [--root DIR] time-change | device-change | rs232-detected
#include <cstdio>
#include <string>

#include "platform/clock.h"
#include "platform/process.h"
#include "platform/root.h"
#include "platform/run_at_event.h"

namespace {

constexpr const char* kUsage =
    "usage: qmx2-event [--root DIR] list | time-change | device-change | rs232-detected\n"
    "  list            the programs registered to run at an event\n"
    "  time-change     starts the programs registered for a change of the time\n"
    "  device-change   starts the programs registered for a device change\n"
    "  rs232-detected  starts the programs registered for a desktop cable on a built-in port\n";

const char* EventName(uint32_t event) {
    using namespace qmx2::platform;
    return event == NOTIFICATION_EVENT_TIME_CHANGE      ? "time-change"
           : event == NOTIFICATION_EVENT_RS232_DETECTED ? "rs232-detected"
                                                        : "device-change";
}

}  // namespace

int main(int argc, char** argv) {
    std::string root_option, verb;
    if (argc == 2 && std::string(argv[1]) == "--help") {
        std::fputs(kUsage, stdout);
        return 0;
    }
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--root" && i + 1 < argc) root_option = argv[++i];
        else if (verb.empty()) verb = arg;
        else verb = "?";
    }
    using namespace qmx2::platform;
    const uint32_t event = verb == "time-change"     ? NOTIFICATION_EVENT_TIME_CHANGE
                           : verb == "device-change" ? NOTIFICATION_EVENT_DEVICE_CHANGE
                           : verb == "rs232-detected" ? NOTIFICATION_EVENT_RS232_DETECTED
                                                     : NOTIFICATION_EVENT_NONE;
    if (verb != "list" && event == NOTIFICATION_EVENT_NONE) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    std::string root, error;
    if (!ResolveRoot(root_option, &root, &error)) {
        std::fprintf(stderr, "qmx2-event: %s\n", error.c_str());
        return 1;
    }
    const RunAtEvents events(root);
    if (verb == "list") {
        for (const RunAtEventEntry& e : events.List()) std::printf("%s\t%s\n", EventName(e.event), e.program.c_str());
        return 0;
    }
    const auto clock = MakeRealClock();
    Processes processes(*clock, root);
    std::printf("started %d program(s)\n", events.Fire(event, processes));
    return 0;
}
