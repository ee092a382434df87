// Qmx2PPC, the phone manager, started by the commander's "Open Monitor", and Qmx2HPC, the same
// program with the Handheld PC window shell (built with QMX2_HANDHELD_PC). It finds the card, runs
// the start-up, keeps polling the card until its main window (class "QMXManager") is destroyed
// and then saves its data and ends. With a display (builds with the Qt shell) it shows its
// windows: the monitor with its menus, the message window, the settings sheet and message boxes.
// Without one, or with --headless, the window is a handheld window without a face, what it would
// show goes to standard error, and a person at the terminal drives it with "status",
// "power-down", "close", "open" and "quit".
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <thread>

#include "manager/app/headless_ui.h"
#include "manager/app/manager_window.h"
#include "manager/ui/shell.h"
#include "manager/core/main_window.h"
#include "manager/core/polling.h"
#include "manager/store/handheld_folder.h"
#include "platform/files.h"
#include "platform/help_viewer.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/root.h"
#include "platform/serial_remote.h"
#include "platform/serial_wire.h"
#include "platform/terminal.h"
#if QMX2_MANAGER_WINDOWS
#include "manager/ui/ppc/desktop_face.h"
#include "platform/qt/display.h"
#endif

using namespace qmx2;

namespace {

#if QMX2_HANDHELD_PC
constexpr const manager::ui::Shell& kShell = manager::ui::kHandheldPcShell;
#else
constexpr const manager::ui::Shell& kShell = manager::ui::kPocketPcShell;
#endif

constexpr char kUsage[] =
    "usage: %s [--root DIR] [--headless | --windows]\n"
    "Shows its windows when a display is present (DISPLAY or WAYLAND_DISPLAY; QT_QPA_PLATFORM\n"
    "offscreen or minimal counts as none).\n"
    "--headless runs without windows: at a terminal it takes the commands status, power-down,\n"
    "close, open and quit.\n"
    "--windows asks for the windows even where no display is detected.\n";

int Fail(const std::string& why) {
    std::fprintf(stderr, "%s: %s\n", kShell.program, why.c_str());
    return 1;
}

// Lines from the terminal become messages to the manager's own window, so that every action
// runs on the window's thread as a menu command would. The reader owns its share of the
// window system: it may still be waiting for a line when the program ends.
void ReadTerminalCommands(std::shared_ptr<platform::Clock> clock,
                          std::shared_ptr<platform::WindowSystem> windows, platform::HWND window) {
    std::thread([clock, windows, window] {
        std::string line;
        while (std::getline(std::cin, line)) {
            const auto command = manager::app::ParseConsoleCommand(line);
            if (!command) {
                std::fprintf(stderr, "%s: commands: status, power-down, close, open, quit\n", kShell.program);
                continue;
            }
            if (!windows->PostMessage(window, command->message, command->wparam, 0)) return;
        }
    }).detach();
}

}  // namespace

int main(int argc, char** argv) {
    std::string root_option;
    bool windows_asked = false, headless = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--windows") == 0) {
            windows_asked = true;
        } else if (std::strcmp(argv[i], "--headless") == 0) {
            headless = true;
        } else if (std::strcmp(argv[i], "--root") == 0 && i + 1 < argc) {
            root_option = argv[++i];
        } else if (std::strncmp(argv[i], "--root=", 7) == 0) {
            root_option = argv[i] + 7;
        } else {
            const bool help = std::strcmp(argv[i], "--help") == 0;
            std::fprintf(help ? stdout : stderr, kUsage, kShell.program);
            return help ? 0 : 2;
        }
    }
    std::string root, error;
    if (!platform::ResolveRoot(root_option, &root, &error)) return Fail(error);
    const std::shared_ptr<platform::Clock> clock = platform::MakeRealClock();
    const auto registry = platform::OpenRegistry(root, &error);
    if (!registry) return Fail(error);
    platform::Files files(root);
    manager::HandheldFolder folder(files);
    const std::shared_ptr<platform::WindowSystem> windows = platform::OpenWindowSystem(*clock, root);
    if (!windows) return Fail("the handheld's window messages cannot be used under " + root);
    platform::RemoteDeviceResolver resolver(*clock, platform::DeviceSocketPath(root));
    platform::Devices devices;
    devices.SetResolver(&resolver);

    manager::app::HeadlessUi ui(manager::ctl::TextUiOptions{}, kShell.program);
    manager::app::AppPeers peers(*windows);
    manager::ManagerUi* face_ui = &ui;
    // Filled before the first call that reads them: the window once it is created.
    [[maybe_unused]] manager::ManagerContext* context = nullptr;
    [[maybe_unused]] manager::app::ManagerWindow* main_window = nullptr;
#if QMX2_MANAGER_WINDOWS
    const bool windows_wanted = !headless && (windows_asked || platform::qt::DisplayPresent());
    platform::Processes processes(*clock, root);
    platform::ProgramHelpViewer help(processes);
    std::unique_ptr<manager::ui::ManagerFace> face;
    if (windows_wanted) {
        face = manager::ui::MakeManagerFace(
            argc, argv,
            {*windows, ui, [&context] { return manager::MonitorSnapshot(*context); },
             [&context]() -> manager::ManagerContext& { return *context; },
             [&main_window] { return main_window->hwnd(); }, help, kShell});
        face_ui = &face->ui();
    }
#else
    if (windows_asked && !headless) return Fail("this build has no windows (built without Qt)");
#endif
    manager::ManagerContext ctx(manager::ManagerServices{*clock, devices, *registry, folder, *face_ui, peers});
    context = &ctx;
    ui.Attach(&ctx);
    manager::app::ManagerWindow window(*windows, ctx, [&ui](const std::string& line) { ui.Log(line); });
    main_window = &window;
    bool created = false;
    ui.OnFirstShow([&] {
        created = window.Create();
        if (!created) ui.Log("cannot create the window \"QMXManager\"");
        return created;
    });

    platform::Thread worker;
    const manager::StartOutcome outcome = manager::StartManager(ctx, worker);
    if (outcome != manager::StartOutcome::kRunning || !created) {
        ctx.stop_worker = true;
        worker.Join();
        if (created) windows->DestroyWindow(window.hwnd());
        return outcome == manager::StartOutcome::kAlreadyRunning ? 0 : 1;
    }
    ui.Log("running");
    if (platform::StandardInputIsTerminal()) ReadTerminalCommands(clock, windows, window.hwnd());
#if QMX2_MANAGER_WINDOWS
    const int code = face ? face->Run([&window] { return window.destroyed(); }) : windows->RunMessageLoop();
#else
    const int code = windows->RunMessageLoop();
#endif
    worker.Join();
    ui.Log("ended");
    return code;
}
