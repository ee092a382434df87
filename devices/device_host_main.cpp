// qmx2-device: the device manager of a handheld on this machine.
//
//   qmx2-device [--root DIR] [--card sim[=SCENARIO.json] | tty:/dev/ttyUSB0 | tcp:HOST:PORT]
//               [--name COM3:] [--builtin-port COM1:|COM2:=pty|tcp:PORT]...
//
// Registers the card's port under "Drivers\Active", serves it to the handheld's programs until
// SIGTERM or SIGINT (or until the card's line goes away), then removes the entry and broadcasts
// the removal. Built-in ports are served beside it (or alone) through the driver library, each
// with its far side on a new pseudo-terminal or a TCP port of this machine. The live control
// ("<root>/run/cardsim.ctl", qmx2-cardctl) drives the emulated card and the far sides' lines.
// QMX2_SHELL=hpc makes the handheld a Handheld PC: the manager the commander starts is then
// Qmx2HPC instead of Qmx2PPC.
#include <csignal>
#include <cstdio>
#include <cstdlib>
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
#include "devices/pcmcia/builtin_ports.h"
#include "devices/pcmcia/sim_card_backend.h"
#include "hardware/card/control.h"
#include "hardware/card/control_server.h"
#include "platform/clock.h"
#include "platform/platform.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/root.h"
#include "platform/run_at_event.h"

using namespace qmx2;

namespace {

constexpr char kUsage[] =
    "usage: qmx2-device [--root DIR] [--card sim[=FILE]|tty:/dev/ttyX|tcp:HOST:PORT] [--name COM3:]\n"
    "                   [--builtin-port COM1:|COM2:=pty|tcp:PORT]...\n"
    "  --card          the GSM card: the emulated one (sim), a modem on a tty or on TCP\n"
    "  --name          the card's device name (COM3:)\n"
    "  --builtin-port  serves a built-in serial port through libserqmx2.so; its far side (the\n"
    "                  cable's other end) on a new pseudo-terminal (pty, path in the log) or on\n"
    "                  127.0.0.1:PORT (tcp:PORT); may be given twice\n"
    "At least one of --card and --builtin-port. Live control on <root>/run/cardsim.ctl\n"
    "(qmx2-cardctl): the emulated card's commands, and dcd|cts|dsr|ri COM1:|COM2: on|off for\n"
    "the far side's lines (DCD on with the port closed is the desktop cable being plugged in).\n"
    "With QMX2_SHELL=hpc the handheld is a Handheld PC: \"Open Monitor\" starts Qmx2HPC.\n";

struct Arguments {
    std::string root, card, name = "COM3:";
    std::vector<devices::BuiltInPortRequest> builtin;
};

bool Parse(int argc, char** argv, Arguments* a) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--builtin-port" && i + 1 < argc) {
            devices::BuiltInPortRequest r;
            std::string error;
            if (!devices::ParseBuiltInPortArgument(argv[++i], &r, &error)) {
                std::fprintf(stderr, "qmx2-device: %s\n", error.c_str());
                return false;
            }
            a->builtin.push_back(r);
            continue;
        }
        std::string* target = arg == "--root" ? &a->root
                              : arg == "--card" ? &a->card
                              : arg == "--name" ? &a->name
                                                : nullptr;
        if (!target || i + 1 >= argc) return false;
        *target = argv[++i];
    }
    // A device name is a short prefix, a digit and a colon; the programs read it into 260 bytes.
    return (!a->card.empty() || !a->builtin.empty()) && a->name.size() >= 2 && a->name.size() < 64 &&
           a->name.back() == ':';
}

// The live control: the far sides' lines, then the emulated card's commands.
std::string RunControlLine(devices::BuiltInPorts* builtin, devices::CardBackend* card, std::string_view line) {
    if (builtin)
        if (std::optional<std::string> answer = builtin->RunLineCommand(line)) return *answer;
    if (hardware::card::ControlTarget* target = card ? card->LiveControl() : nullptr)
        return hardware::card::RunControlCommand(*target, line);
    return "ERROR no emulated card";
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
    // The commander starts the manager as "\Qmx2PPC.exe" on both kinds of handheld; a Handheld PC
    // has the Handheld PC build installed under that name (as its cabinet does).
    const char* shell = std::getenv("QMX2_SHELL");
    const char* manager = shell && std::strcmp(shell, "hpc") == 0 ? "Qmx2HPC" : "Qmx2PPC";
    const std::pair<const char*, const char*> known[] = {
        {"Qmx2Com", "Qmx2Com"}, {"Qmx2PPC.exe", manager}, {"peghelp.exe", "peghelp"}};
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
    std::unique_ptr<devices::CardBackend> card;
    if (!args.card.empty()) {
        card = sim ? devices::MakeSimCardBackend(handheld, args.card.size() > 4 ? args.card.substr(4) : "",
                                                 &StartProgram, &error)
                   : devices::MakeCardBackend(*clock, args.card, &error);
        if (!card) {
            std::fprintf(stderr, "qmx2-device: %s\n", error.c_str());
            return 2;
        }
    }
    devices::DeviceHostOptions options;
    options.root = root;
    options.name = platform::FromUtf8(args.name);
    devices::DeviceHost host(*clock, *registry, card.get(), options,
                             devices::MakeDeviceChangeSink(*clock, root));
    // The built-in ports come first: their kernel services are published before a card's driver
    // loads.
    std::unique_ptr<devices::BuiltInPorts> builtin;
    if (!args.builtin.empty()) {
        devices::BuiltInPortsHost ports_host;
        ports_host.platform = &handheld;
        ports_host.create_process = &StartProgram;
        ports_host.log = [](const std::string& line) { std::fprintf(stderr, "qmx2-device: %s\n", line.c_str()); };
        // The desktop cable: the programs registered for it start now.
        ports_host.notification = [&processes, root](uint32_t event) {
            const int started = platform::RunAtEvents(root).Fire(event, processes);
            std::fprintf(stderr, "qmx2-device: notification event %u started %d program(s)\n", event, started);
        };
        builtin = devices::BuiltInPorts::Start(ports_host, args.builtin, host.devices(), &error);
        if (!builtin) {
            starts.Drop();
            std::fprintf(stderr, "qmx2-device: %s\n", error.c_str());
            return 1;
        }
    }
    if (!host.Start(&error)) {
        starts.Drop();
        builtin.reset();
        std::fprintf(stderr, "qmx2-device: %s\n", error.c_str());
        return 1;
    }
    std::unique_ptr<hardware::card::ControlServer> control;
    if (builtin || (card && card->LiveControl())) {
        control = hardware::card::ControlServer::Start(
            [&](std::string_view line) { return RunControlLine(builtin.get(), card.get(), line); },
            root + "/run/cardsim.ctl", &error);
        if (!control) {
            host.Stop();
            starts.Drop();
            builtin.reset();
            std::fprintf(stderr, "qmx2-device: %s\n", error.c_str());
            return 1;
        }
    }
    starts.Release();
    if (builtin)
        for (const std::string& far : builtin->FarSides())
            std::fprintf(stderr, "qmx2-device: serves %s (far side)\n", far.c_str());
    if (card)
        std::fprintf(stderr, "qmx2-device: %s serves %s (%s)\n", card->Describe().c_str(),
                     args.name.c_str(), platform::ToUtf8(host.active_key()).c_str());
    int status = 0;
    for (;;) {
        const timespec slice{0, 200 * 1000 * 1000};
        const int sig = sigtimedwait(&stop_signals, nullptr, &slice);
        if (sig == SIGTERM || sig == SIGINT) break;
        if (card && card->WaitGone(0)) {
            // The emulated card goes only when it is pulled, which is a normal end.
            std::fprintf(stderr, sim ? "qmx2-device: %s was pulled\n"
                                     : "qmx2-device: the line of %s went away\n",
                         card->Describe().c_str());
            status = sim ? 0 : 1;
            break;
        }
    }
    control.reset();
    host.Stop();
    builtin.reset();
    if (card) std::fprintf(stderr, "qmx2-device: %s removed\n", args.name.c_str());
    return status;
}
