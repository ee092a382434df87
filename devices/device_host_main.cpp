// qmx2-device: the device manager of a handheld on this machine.
//
//   qmx2-device [--root DIR] --card sim[=SCENARIO.json] | tty:/dev/ttyUSB0 | tcp:HOST:PORT
//               [--name COM3:]
//
// Registers the card's port under "Drivers\Active", serves it to the handheld's programs until
// SIGTERM or SIGINT (or until the card's line goes away), then removes the entry and broadcasts
// the removal.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

#include "devices/card_backend.h"
#include "devices/device_change.h"
#include "devices/device_host.h"
#include "devices/held_starts.h"
#include "devices/pcmcia/sim_card_backend.h"
#include "platform/clock.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/root.h"

using namespace qmx2;

namespace {

constexpr char kUsage[] =
    "usage: qmx2-device [--root DIR] --card sim[=FILE]|tty:/dev/ttyX|tcp:HOST:PORT [--name COM3:]\n";

struct Arguments {
    std::string root, card, name = "COM3:";
};

bool Parse(int argc, char** argv, Arguments* a) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        std::string* target = arg == "--root" ? &a->root
                              : arg == "--card" ? &a->card
                              : arg == "--name" ? &a->name
                                                : nullptr;
        if (!target || i + 1 >= argc) return false;
        *target = argv[++i];
    }
    // A device name is a short prefix, a digit and a colon; the programs read it into 260 bytes.
    return !a->card.empty() && a->name.size() >= 2 && a->name.size() < 64 && a->name.back() == ':';
}

// The handheld's installed programs are the ones built beside this host: links to them go into
// the root's "\Windows" folder, where the driver and the commander start them by name.
void InstallHandheldPrograms(const std::string& root) {
    char self[4096];
    const ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n <= 0) return;
    self[n] = 0;
    std::string dir(self);
    dir.erase(dir.rfind('/'));
    std::vector<std::pair<std::string, std::string>> programs;
    const std::pair<const char*, const char*> known[] = {
        {"Qmx2Com", "Qmx2Com"}, {"Qmx2PPC.exe", "Qmx2PPC"}, {"qmx2hpc.exe", "qmx2hpc"}, {"peghelp.exe", "peghelp"}};
    for (const auto& [name, file] : known) {
        const std::string target = dir + "/" + file;
        if (access(target.c_str(), X_OK) == 0) programs.emplace_back(name, target);
    }
    // The notification sound the commander asks for, "\Windows\Alarm1.wav".
    const std::string alarm = dir + "/Alarm1.wav";
    if (access(alarm.c_str(), R_OK) == 0) programs.emplace_back("Alarm1.wav", alarm);
    std::string error;
    if (!programs.empty() && !platform::InstallProgramLinks(root, programs, &error))
        std::fprintf(stderr, "qmx2-device: %s\n", error.c_str());
}

// The programs the emulated card's driver starts ("Qmx2Com"), from the handheld's root, held
// until the port is served.
devices::HeldStarts* held_starts = nullptr;
bool StartProgram(const char16_t* image, const char16_t* command_line) {
    return held_starts && held_starts->Request(image, command_line);
}

}  // namespace

int main(int argc, char** argv) {
    Arguments args;
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    if (!Parse(argc, argv, &args)) {
        std::fputs(kUsage, stderr);
        return 2;
    }
    // The signals are taken by sigtimedwait below; every thread started later inherits the mask.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGTERM);
    sigaddset(&stop_signals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    std::string root, error;
    if (!platform::ResolveRoot(args.root, &root, &error)) {
        std::fprintf(stderr, "qmx2-device: %s\n", error.c_str());
        return 1;
    }
    InstallHandheldPrograms(root);
    auto clock = platform::MakeRealClock();
    auto registry = platform::OpenRegistry(root, &error);
    if (!registry) {
        std::fprintf(stderr, "qmx2-device: %s\n", error.c_str());
        return 1;
    }
    platform::Processes processes(*clock, root);
    devices::HeldStarts starts([&processes](std::u16string_view image, std::u16string_view line) {
        return processes.Start(image, line);
    });
    held_starts = &starts;
    platform::Platform handheld;
    handheld.clock = clock.get();
    handheld.root = root;
    handheld.registry = registry.get();
    handheld.processes = &processes;
    const bool sim = args.card == "sim" || args.card.rfind("sim=", 0) == 0;
    auto card = sim ? devices::MakeSimCardBackend(handheld, args.card.size() > 4 ? args.card.substr(4) : "",
                                                  &StartProgram, &error)
                    : devices::MakeCardBackend(*clock, args.card, &error);
    if (!card) {
        std::fprintf(stderr, "qmx2-device: %s\n", error.c_str());
        return 2;
    }
    devices::DeviceHostOptions options;
    options.root = root;
    options.name = platform::FromUtf8(args.name);
    devices::DeviceHost host(*clock, *registry, *card, options,
                             devices::MakeDeviceChangeSink(*clock, root));
    if (!host.Start(&error)) {
        starts.Drop();
        std::fprintf(stderr, "qmx2-device: %s\n", error.c_str());
        return 1;
    }
    starts.Release();
    std::fprintf(stderr, "qmx2-device: %s serves %s (%s)\n", card->Describe().c_str(),
                 args.name.c_str(), platform::ToUtf8(host.active_key()).c_str());
    int status = 0;
    for (;;) {
        const timespec slice{0, 200 * 1000 * 1000};
        const int sig = sigtimedwait(&stop_signals, nullptr, &slice);
        if (sig == SIGTERM || sig == SIGINT) break;
        if (card->WaitGone(0)) {
            // The emulated card goes only when it is pulled, which is a normal end.
            std::fprintf(stderr, sim ? "qmx2-device: %s was pulled\n"
                                     : "qmx2-device: the line of %s went away\n",
                         card->Describe().c_str());
            status = sim ? 0 : 1;
            break;
        }
    }
    host.Stop();
    std::fprintf(stderr, "qmx2-device: %s removed\n", args.name.c_str());
    return status;
}
