// qmx2-at: runs AT commands against the card's port for a person debugging a card or modem,
// each command as one transaction, and prints the reply bytes as the card sent them.
//
// With --port (or no port at all: the card's port from "Drivers\Active") it goes through the
// running qmx2-device; with --device it opens the tty itself. Exit status 1 when a reply holds
// a failure text, 2 for a command line or set-up that cannot be run.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "common/at_transaction.h"
#include "devices/active_entry.h"
#include "devices/at_tool/at_tool_options.h"
#include "devices/card_backend.h"
#include "devices/tty_port.h"
#include "platform/clock.h"
#include "platform/devices.h"
#include "platform/registry.h"
#include "platform/root.h"
#include "platform/serial_remote.h"
#include "platform/serial_wire.h"

using namespace qmx2;

namespace {

constexpr char16_t kLocalTtyName[] = u"TTY1:";

int Fail(const std::string& text) {
    std::fprintf(stderr, "qmx2-at: %s\n", text.c_str());
    return 2;
}

std::string RunOne(common::AtChannel& channel, devices::AtToolMode mode, const std::string& cmd,
                   const std::string& expected, int timeout_s) {
    switch (mode) {
        case devices::AtToolMode::kLine:
            return common::SendAtLine(channel, cmd, expected, timeout_s);
        case devices::AtToolMode::kRaw:
            return common::SendAtRaw(channel, cmd.data(), cmd.size(), expected, timeout_s);
        default: return common::SendAtCommand(channel, cmd, expected, timeout_s);
    }
}

}  // namespace

int main(int argc, char** argv) {
    devices::AtToolOptions o;
    std::string error;
    if (argc == 2 && std::string(argv[1]) == "--help") {
        std::fputs(devices::kAtToolUsage, stdout);
        return 0;
    }
    if (!devices::ParseAtToolOptions(argc, argv, &o, &error)) {
        std::fprintf(stderr, "qmx2-at: %s\n%s", error.c_str(), devices::kAtToolUsage);
        return 2;
    }
    auto clock = platform::MakeRealClock();
    platform::Devices devices;
    std::unique_ptr<devices::TtyPort> tty;
    std::unique_ptr<platform::RemoteDeviceResolver> remote;
    platform::WideString port;
    if (!o.device.empty()) {
        tty = devices::TtyPort::Open(*clock, o.device, &error);
        if (!tty) return Fail(error);
        devices.Register(kLocalTtyName, tty.get());
        port = kLocalTtyName;
    } else {
        std::string root;
        if (!platform::ResolveRoot(o.root, &root, &error)) return Fail(error);
        remote = std::make_unique<platform::RemoteDeviceResolver>(
            *clock, platform::DeviceSocketPath(root));
        devices.SetResolver(remote.get());
        port = platform::FromUtf8(o.port);
        if (port.empty()) {
            auto registry = platform::OpenRegistry(root, &error);
            if (!registry) return Fail(error);
            port = devices::FindActiveDevice(*registry, u"Orvan_Mobile_Phones-Orvan_Pellion");
            if (port.empty()) return Fail("no card is registered under Drivers\\Active");
        }
    }
    const auto program = o.mode == devices::AtToolMode::kCommander ? common::AtProgram::kCommander
                                                                   : common::AtProgram::kManager;
    auto channel = std::make_unique<common::AtChannel>(devices, *clock, program);
    channel->SetPortName(port);
    bool failed = false;
    for (const std::string& cmd : o.commands) {
        const std::string reply = RunOne(*channel, o.mode, cmd, o.expected, o.timeout_s);
        failed = failed || reply.find(common::kFailPrefix) != std::string::npos;
        if (o.show_escapes) std::printf("%s\n", devices::ShowEscapes(reply).c_str());
        else std::fwrite(reply.data(), 1, reply.size(), stdout);
        std::fflush(stdout);
        const std::string holder = platform::LastOpenHolder();
        if (reply == common::kFailOpenComm && !holder.empty())
            std::fprintf(stderr, "qmx2-at: the port is held by %s\n", holder.c_str());
    }
    if (tty) tty->Detach();
    return failed ? 1 : 0;
}
