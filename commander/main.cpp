// Qmx2Com, the commander: started by the serial driver when the card's port comes up, it finds
// the card, brings it up, answers the phone manager and ends when the card goes. With a display it
// shows its tray icon, popup and dialogs; without one, or with --headless, messages and
// notifications go to standard error and codes come from the command line or the terminal.
#include <iostream>
#include <string>
#include <vector>

#include "commander/card_driver.h"
#include "commander/commander_window.h"
#include "commander/platform_host.h"
#include "commander/program_options.h"
#include "commander/settings.h"
#include "commander/text_ui.h"
#include "commander/tray_sync.h"
#include "commander/ui/desktop_face.h"
#include "platform/clock.h"
#include "platform/devices.h"
#include "platform/notifications.h"
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/root.h"
#include "platform/run_at_event.h"
#include "platform/serial_remote.h"
#include "platform/terminal.h"
#include "platform/tray_icons.h"

using namespace qmx2;

namespace {

// How often the commander looks whether its card and device manager are still there, for the
// case that it missed the removal broadcast.
constexpr uint32_t kCardWatchMs = 2000;

// The folder of a handheld program path, without the trailing backslash.
std::string FolderOf(const std::string& path) {
    const size_t cut = path.rfind('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

}  // namespace

int main(int argc, char** argv) {
    const commander::CommanderOptions options =
        commander::ParseCommanderOptions(std::vector<std::string>(argv + 1, argv + argc));
    if (options.help || !options.error.empty()) {
        if (!options.error.empty()) std::cerr << "Qmx2Com: " << options.error << "\n";
        std::cerr << commander::kCommanderUsage;
        return options.help ? 0 : 2;
    }

    std::string root, error;
    if (!platform::ResolveRoot(options.root, &root, &error)) {
        std::cerr << "Qmx2Com: " << error << "\n";
        return 1;
    }
    const std::unique_ptr<platform::Clock> clock = platform::MakeRealClock();
    const std::unique_ptr<platform::Registry> registry = platform::OpenRegistry(root, &error);
    if (!registry) {
        std::cerr << "Qmx2Com: " << error << "\n";
        return 1;
    }
    const std::optional<platform::WideString> port = commander::FindCardPort(*registry);
    if (!port) return 0;  // no card: nothing to do

    const std::unique_ptr<platform::WindowSystem> windows = platform::OpenWindowSystem(*clock, root);
    if (!windows) {
        std::cerr << "Qmx2Com: the window messages of the handheld cannot be used in " << root << "\n";
        return 1;
    }
    if (commander::GiveWayToEarlierCommander(*windows, *clock)) return 0;

    platform::Devices devices;
    platform::RemoteDeviceResolver resolver(*clock, root + "/run/device.sock");
    devices.SetResolver(&resolver);

    // Started by the driver there is no command line; a person at the terminal is asked instead.
    const bool ask = options.ask || platform::StandardInputIsTerminal();
    commander::TextUi text_ui(ask ? &std::cin : nullptr, std::cerr, options.codes);
    text_ui.HideTypedCodes(ask && platform::StandardInputIsTerminal());
    const platform::TrayLog log = [&text_ui](const std::string& line) { text_ui.Log(line); };

    // With a display the commander shows its tray icon and dialogs; without one (or with
    // --headless) it keeps to the terminal and the log.
    std::unique_ptr<commander::ui::DesktopFace> face;
#ifdef QMX2_COMMANDER_DESKTOP
    if (!options.headless && commander::ui::DisplayPresent()) face = commander::ui::MakeDesktopFace(argc, argv);
#endif
    commander::CommanderUi& ui = face ? face->ui() : text_ui;
    std::unique_ptr<platform::TrayIcons> tray_icons =
        face ? face->MakeTrayIcons(platform::PostTo(*windows), log)
             : std::make_unique<platform::TrayIconLog>(platform::PostTo(*windows), log);
    std::unique_ptr<platform::Notifications> notifications;
    if (face) {
        notifications = face->MakeNotifications(root, log);
    } else {
        auto board = std::make_unique<platform::NotificationBoard>();
        board->SetListener([&text_ui](const platform::UserNotification& n) {
            text_ui.Log("notification for " + n.program +
                        (n.sound.empty() ? " (light)" : " (light and " + n.sound + ")"));
        });
        notifications = std::move(board);
    }
    const std::unique_ptr<commander::ProgramStarter> programs = commander::MakeProgramStarter(*clock, root);
    platform::RunAtEvents run_at_events(root);
    commander::PlatformHost host(*windows, *programs);
    host.SetRunAtEvents(&run_at_events);
    host.SetLog(log);
    const std::string device_socket = root + "/run/device.sock";
    host.SetDeviceHostCheck([device_socket] { return platform::DeviceHostRunning(device_socket); });
    commander::CardDriver driver(devices, *port);
    commander::TransactionChannel channel(devices, *clock, *port);

    // The program folder is where this program was started from, as the handheld's module name
    // gives it; the phone manager is looked for beside it.
    const std::string program_path = platform::ToUtf8(platform::OwnProgramPath());
    commander::Commander tray(commander::CommanderParts{
        *clock, *registry, ui, channel, driver, driver, host, *notifications, FolderOf(program_path),
        program_path});
    commander::CommanderWindow window(*windows, tray);
    if (!window.Create()) {
        std::cerr << "Qmx2Com: cannot create the window \"QMX2 commander\"\n";
        return 1;
    }
    host.SetOwnWindow(window.hwnd());
    const auto sync_tray = [&] { commander::SyncTrayIcons(*tray_icons, window.hwnd(), tray.icons()); };
    text_ui.SetTrayListener(sync_tray);
    if (face) face->Attach(tray, sync_tray);
    window.StartCardWatch(*clock, kCardWatchMs);
    if (!tray.Start()) text_ui.Log("ending");
    else text_ui.Log(tray.power_state() == commander::kPoweredOn ? "the card is ready" : "the card is not powered");
    if (face) return face->Run(*windows, [&window] { return window.destroyed(); });
    return window.Run();
}
