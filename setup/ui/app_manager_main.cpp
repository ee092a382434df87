// The desktop's application manager stand-in ("CEAPPMGR.EXE"): installs the device cabinet that
// a description file names on the connected handheld.
//   ceappmgr "DESCRIPTION.ini"   (the installer's command line: its path, a blank, the quoted file)
//   ceappmgr --register          puts itself into the desktop (QMX2_DESKTOP_ROOT) under
//                                "\Program Files\Microsoft ActiveSync\CEAPPMGR.EXE" and App Paths
// The desktop is QMX2_DESKTOP_ROOT (else QMX2_ROOT, which the desktop's program start sets), the
// handheld QMX2_HANDHELD_ROOT (else the default handheld root).
#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "platform/clock.h"
#include "platform/registry.h"
#include "platform/root.h"
#include "platform/windows.h"
#include "setup/desktop.h"
#include "setup/ui/app_manager_window.h"

namespace {

using namespace qmx2;

const char* Env(const char* name) {
    const char* v = std::getenv(name);
    return v && *v ? v : nullptr;
}

int Register(const std::string& desktop_root, const char* self) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path folder = fs::path(desktop_root) / "Program Files" / "Microsoft ActiveSync";
    fs::create_directories(folder, ec);
    const fs::path link = folder / "CEAPPMGR.EXE";
    fs::remove(link, ec);
    fs::create_symlink(fs::canonical("/proc/self/exe", ec), link, ec);
    std::string error;
    auto registry = platform::OpenRegistry(desktop_root, &error);
    if (ec || !registry || !setup::RegisterAppManager(*registry)) {
        std::fprintf(stderr, "%s: cannot register in %s %s\n", self, desktop_root.c_str(),
                     ec ? ec.message().c_str() : error.c_str());
        return 1;
    }
    std::printf("%s: registered in %s\n", self, desktop_root.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        std::puts("usage: ceappmgr \"DESCRIPTION.ini\" | --register");
        return 0;
    }
    std::string desktop, handheld, error;
    const char* desktop_env = Env("QMX2_DESKTOP_ROOT") ? Env("QMX2_DESKTOP_ROOT") : Env("QMX2_ROOT");
    if (!setup::ResolveDesktopRoot(desktop_env ? desktop_env : "", [](const char* n) { return std::getenv(n); },
                                   &desktop, &error)) {
        std::fprintf(stderr, "ceappmgr: %s\n", error.c_str());
        return 1;
    }
    if (argc == 2 && std::strcmp(argv[1], "--register") == 0) return Register(desktop, "ceappmgr");
    // The handheld: QMX2_HANDHELD_ROOT, or the default root (QMX2_ROOT is the desktop here).
    const bool by_env = Env("QMX2_HANDHELD_ROOT") != nullptr;
    platform::ResolveRoot(by_env ? Env("QMX2_HANDHELD_ROOT") : "",
                          [](const char* n) -> const char* { return std::strcmp(n, "QMX2_ROOT") ? std::getenv(n) : nullptr; },
                          &handheld, &error);

    QApplication app(argc, argv);
    auto clock = platform::MakeRealClock();
    auto windows = platform::OpenWindowSystem(*clock, desktop);
    setup::ui::AppManagerRun run{desktop, handheld, argc > 1 ? argv[1] : "", windows.get()};
    return setup::ui::RunAppManager(run);
}
