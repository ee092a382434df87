// qmx2ctl: the phone manager without windows. It finds the card the way the manager does, runs
// the manager's start-up, reads what the command needs (a book, the messages, or nothing) while
// the worker stays paused, does the command and closes as the manager's main window does when
// it is destroyed (saving the local data files).
#include <cstdio>
#include <memory>

#include "manager/core/main_window.h"
#include "manager/ctl/ctl_commands.h"
#include "manager/ctl/ctl_loads.h"
#include "manager/ctl/ctl_options.h"
#include "manager/ctl/ops_commands.h"
#include "manager/ctl/window_peers.h"
#include "manager/store/handheld_folder.h"
#include "platform/files.h"
#include "platform/devices.h"
#include "platform/registry.h"
#include "platform/root.h"
#include "platform/serial_remote.h"
#include "platform/serial_wire.h"

using namespace qmx2;

namespace {

int Fail(const std::string& why) {
    std::fprintf(stderr, "qmx2ctl: %s\n", why.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    manager::ctl::CtlOptions options;
    std::string error;
    if (!manager::ctl::ParseCtlOptions(argc, argv, &options, &error)) {
        if (error != "help") std::fprintf(stderr, "qmx2ctl: %s\n", error.c_str());
        std::fputs(manager::ctl::kCtlUsage, stderr);
        std::fputs(manager::ctl::kOpsUsage, stderr);
        return error == "help" ? 0 : 2;
    }
    std::string root;
    if (!platform::ResolveRoot(options.root, &root, &error)) return Fail(error);
    auto clock = platform::MakeRealClock();
    auto registry = platform::OpenRegistry(root, &error);
    if (!registry) return Fail(error);
    platform::Files files(root);
    manager::HandheldFolder folder(files);
    auto windows = platform::OpenWindowSystem(*clock, root);
    if (!windows) return Fail("the handheld's window messages cannot be used under " + root);
    platform::RemoteDeviceResolver resolver(*clock, platform::DeviceSocketPath(root));
    platform::Devices devices;
    devices.SetResolver(&resolver);

    manager::ctl::TextUi ui(options.ui);
    manager::ctl::WindowPeers peers(*windows);
    manager::ManagerContext ctx(manager::ManagerServices{*clock, devices, *registry, folder, ui, peers});
    // A card that does not answer within a transaction's time-out ends the command there.
    ctx.channel.stop_after_timeout = true;
    auto card_silent = [&] {
        if (!ctx.channel.timed_out) return false;
        std::fprintf(stderr, "qmx2ctl: the card did not answer in time: %s\n", common::kFailTimeout);
        return true;
    };
    // Only the traffic the command needs: no polling, no background loads.
    ctx.worker_stays_paused = true;
    platform::Thread worker;
    if (manager::StartManager(ctx, worker) != manager::StartOutcome::kRunning) {
        const std::string holder = platform::LastOpenHolder();
        if (!holder.empty()) std::fprintf(stderr, "qmx2ctl: the card's port is held by %s\n", holder.c_str());
        card_silent();
        ctx.stop_worker = true;
        worker.Join();
        return 1;
    }
    const uint64_t deadline = clock->TickMs() + static_cast<uint64_t>(options.wait_s) * 1000;
    // A device host that died without taking the card out (killed) leaves loads that can never
    // finish: stop once nobody serves the card's port any more.
    bool port_gone = false;
    auto keep_going = [&] {
        if (ctx.channel.timed_out || clock->TickMs() >= deadline) return false;
        port_gone = port_gone || !devices.Find(ctx.channel.port_name);
        return !port_gone;
    };
    const bool loaded =
        manager::ctl::RunLoads(ctx, manager::ctl::LoadsFor(options.command), keep_going);
    int code = 0;
    if (card_silent()) {
        code = 1;
    } else if (port_gone) {
        std::fprintf(stderr, "qmx2ctl: the card's port is no longer served\n");
        code = 1;
    } else if (!loaded) {
        std::fprintf(stderr, "qmx2ctl: the card's phone books and messages were not read in time\n");
        code = 1;
    } else {
        const auto result = manager::ctl::RunCtlCommand(ctx, options.command, options.json);
        std::fputs(result.text.c_str(), result.exit_code == 2 ? stderr : stdout);
        if (result.exit_code == 2) std::fputs(manager::ctl::kCtlUsage, stderr);
        if (result.exit_code == 2) std::fputs(manager::ctl::kOpsUsage, stderr);
        code = result.exit_code;
        if (card_silent() && code == 0) code = 1;
    }
    // A change that could not be saved is lost: the command did not do what it was asked.
    const int not_saved = manager::DestroyMainWindow(ctx);
    worker.Join();
    if (not_saved > 0) {
        std::fprintf(stderr, "qmx2ctl: %d local data file%s could not be written (see \" - save error!\" above); the changes of this run to %s are lost\n",
                     not_saved, not_saved == 1 ? "" : "s", not_saved == 1 ? "it" : "them");
        if (code == 0) code = 1;
    }
    return code;
}
