// The desktop installer: copies the device cabinets listed in "setup.lst" beside the desktop's
// application manager and hands them to it.
//   QMX2_DESKTOP_ROOT   the desktop (default: "desktop" beside the handheld root)
//   QMX2_ROOT           the handheld the application manager installs on
#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/clock.h"
#include "platform/files.h"
#include "platform/process.h"
#include "platform/qt/message_box.h"
#include "platform/qt/message_pump.h"
#include "platform/registry.h"
#include "platform/root.h"
#include "platform/windows.h"
#include "setup/desktop.h"
#include "setup/installer.h"
#include "setup/setup_texts.h"
#include "setup/ui/setup_dialogs.h"
#include "setup/ui/setup_wizard.h"

namespace {

using namespace qmx2;

// Sent by a second start to the first one's "Setup" window.
constexpr uint32_t kBringForward = platform::WM_USER + 1;

int ShowError(std::string_view text) {
    using namespace platform::qt;
    ShowMessageBox({setup::ui::Text(text), setup::ui::Text(setup::kCaption), nullptr, Buttons::kOk, Icon::kError});
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::puts("usage: setup   (reads setup.lst from its own folder; QMX2_DESKTOP_ROOT, QMX2_ROOT)");
        return 0;
    }
    std::string handheld, desktop, error;
    const auto env = [](const char* n) { return std::getenv(n); };
    if (!platform::ResolveRoot("", env, &handheld, &error) ||
        !setup::ResolveDesktopRoot("", env, &desktop, &error)) {
        std::fprintf(stderr, "setup: %s\n", error.c_str());
        return 1;
    }
    // The application manager is started with QMX2_ROOT set to the desktop; it finds both here.
    setenv("QMX2_DESKTOP_ROOT", desktop.c_str(), 1);
    setenv("QMX2_HANDHELD_ROOT", handheld.c_str(), 1);
    std::filesystem::create_directories(desktop);

    QApplication app(argc, argv);
    auto clock = platform::MakeRealClock();
    auto windows = platform::OpenWindowSystem(*clock, desktop);
    if (!windows) {
        std::fprintf(stderr, "setup: the desktop %s cannot be used\n", desktop.c_str());
        return 1;
    }
    if (const platform::HWND first = setup::FindRunningSetup(*windows)) {
        windows->PostMessage(first, kBringForward, 0, 0);
        return 0;
    }
    std::error_code ec;
    const std::string folder = std::filesystem::canonical("/proc/self/exe", ec).parent_path().string();
    platform::Files installer(folder), desktop_files(desktop);
    auto registry = platform::OpenRegistry(desktop, &error);
    if (!registry) return ShowError(setup::kInitFailed);
    platform::Processes processes(*clock, desktop);
    setup::SetupContext ctx{*clock, installer, desktop_files, *registry, *windows, processes, {}, {}, {}};
    switch (setup::PrepareSetup(ctx)) {
    case setup::StartResult::kInitFailed: return ShowError(setup::kInitFailed);
    case setup::StartResult::kNoAppManager: return ShowError(setup::kNoAppManager);
    case setup::StartResult::kReady: break;
    }

    setup::ui::SetupWizard wizard(ctx);
    const platform::HWND main_window =
        windows->RegisterWindow(u"SETUP_WINDOW", u"Setup", [&](platform::HWND, uint32_t msg, platform::WPARAM, platform::LPARAM) {
            if (msg == kBringForward && wizard.isVisible()) {
                wizard.raise();
                wizard.activateWindow();
            }
            return platform::LRESULT(0);
        });
    wizard.SetMainWindow(main_window);
    // The window's messages run from Qt's loop.
    platform::qt::MessagePump pump(*windows, {});
    wizard.show();
    const int rc = wizard.exec();
    windows->DestroyWindow(main_window);
    return rc;
}
