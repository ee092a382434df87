// The handheld's built-in serial ports in the device host (`qmx2-device --builtin-port`): the
// emulated DMA UART controller behind them, libserqmx2.so serving "COM1:" (hardware object 0)
// and "COM2:" (object 2) through COM_Init on a driver key whose "DeviceArrayIndex" picks the
// object, each port's entry under "Drivers\Active", and the cable's other end (the far side) of
// each port bridged to a pseudo-terminal or a TCP port, so that a terminal program on this
// machine talks to the handheld through the built-in layer.
//
// The far side's modem lines are set by command lines of the host's live control
// ("dcd COM1: on"): a rising DCD on a port nobody has open is the desktop cable being plugged in,
// which the driver turns into the RS-232-detected notification.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qmx2::platform {
struct Platform;
class Devices;
}

namespace qmx2::devices {

struct BuiltInPortRequest {
    std::string name;       // "COM1:" or "COM2:"
    std::string far_side;   // "pty" or "tcp:PORT"
};

// "COM1:=pty", "COM2:=tcp:5001". False with *error.
bool ParseBuiltInPortArgument(std::string_view text, BuiltInPortRequest* request, std::string* error);

struct BuiltInPortsHost {
    platform::Platform* platform = nullptr;  // clock, registry, root
    // The kernel's process start, as the PC Card host lends it (may be null).
    bool (*create_process)(const char16_t* image, const char16_t* command_line) = nullptr;
    std::function<void(uint32_t event)> notification;  // a platform notification event was set
    std::function<void(const std::string& line)> log;  // one line of the host's log, no line end
};

class BuiltInPorts {
public:
    // Publishes the ports' kernel services, loads the driver, initialises and registers every
    // requested port in `devices` and starts its far side's bridge. Must come before any PC
    // Card is inserted. nullptr with *error when a port cannot be served; nothing is left then.
    static std::unique_ptr<BuiltInPorts> Start(const BuiltInPortsHost& host,
                                               const std::vector<BuiltInPortRequest>& ports,
                                               platform::Devices& devices, std::string* error);
    virtual ~BuiltInPorts() = default;

    // "dcd|cts|dsr|ri COM1:|COM2: on|off" sets a far-side line: "OK" or "ERROR ..."; nothing for
    // a line that is none of these commands.
    virtual std::optional<std::string> RunLineCommand(std::string_view line) = 0;
    // Where each port's far side is reached ("COM1: /dev/pts/4").
    virtual std::vector<std::string> FarSides() const = 0;
};

}  // namespace qmx2::devices
