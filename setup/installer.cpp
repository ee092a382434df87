#include "setup/installer.h"

#include <charconv>

#include "platform/comm_types.h"
#include "platform/last_error.h"
#include "setup/copy_files.h"
#include "setup/desktop.h"
#include "setup/setup_texts.h"

namespace qmx2::setup {

using platform::WideString;

platform::HWND FindRunningSetup(platform::WindowSystem& windows) {
    return windows.FindWindow(u"", platform::WideView(u"Setup"));
}

StartResult PrepareSetup(SetupContext& ctx) {
    // One byte more than the longest list accepted tells a longer file from one that fits.
    constexpr size_t kMaxListBytes = 64 * 1024;
    std::string text;
    if (!ReadFileStart(ctx.installer, platform::FromUtf8(kListName), kMaxListBytes + 1, &text) ||
        text.size() > kMaxListBytes || !ParseSetupList(text, &ctx.list))
        return StartResult::kInitFailed;
    if (!ReadAppPath(ctx.registry, kAppManagerKey, &ctx.app_manager) ||
        !DestinationFolder(ctx.app_manager, &ctx.destination))
        return StartResult::kNoAppManager;
    if (!CreateDestinationFolders(ctx.desktop, ctx.destination)) return StartResult::kInitFailed;
    return StartResult::kReady;
}

std::string ReadLicense(platform::Files& installer) {
    std::string text;
    if (!ReadFileStart(installer, u"license.txt", kMaxLicenseBytes, &text)) return std::string(kLicenseNotFound);
    return text;
}

int StartAppManager(SetupContext& ctx, platform::ProcessId* id) {
    *id = 0;
    const WideString ini = ctx.destination + platform::FromUtf8(kIniName);
    if (!ctx.desktop.WriteWholeFile(ini, kQmx2Ini.data(), kQmx2Ini.size())) {
        const uint32_t error = platform::GetLastError();
        return error ? static_cast<int>(error) : 1;
    }
    const WideString command_line = ctx.app_manager + u" \"" + ini + u"\"";
    if (!ctx.processes.Start(ctx.app_manager, command_line, id)) {
        const uint32_t error = platform::GetLastError();
        return error > 31 || error == 0 ? 2 : static_cast<int>(error);
    }
    return 42;  // any value above 31 tells a started program
}

bool AppManagerBusy(SetupContext& ctx, platform::ProcessId id) {
    for (const auto title : kWatchedTitles)
        if (ctx.windows.FindWindow(u"", title)) return true;
    return id != 0 && ctx.processes.IsRunning(id);
}

void WaitForAppManager(SetupContext& ctx, platform::ProcessId id) {
    do ctx.clock.SleepMs(kWatchIntervalMs);
    while (AppManagerBusy(ctx, id));
    RemoveSetupLog(ctx.desktop, ctx.destination);
}

bool StartBrowser(SetupContext& ctx, platform::WideView link, platform::ProcessId* id) {
    WideString browser;
    if (!ReadAppPath(ctx.registry, kBrowserKey, &browser)) return false;
    return ctx.processes.Start(browser, browser + u" " + WideString(link), id);
}

bool LinkCommand(std::string_view link, int* command) {
    constexpr std::string_view kPrefix = "command:";
    if (link.size() < kPrefix.size()) return false;
    for (size_t i = 0; i < kPrefix.size(); ++i) {
        const char c = link[i];
        if ((c >= 'A' && c <= 'Z' ? c + 32 : c) != kPrefix[i]) return false;
    }
    const std::string_view digits = link.substr(kPrefix.size());
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), *command);
    return ec == std::errc() && end == digits.data() + digits.size() && !digits.empty();
}

}  // namespace qmx2::setup
