// Devices served by the device host in another process: a DeviceResolver that asks the host's
// socket ("<root>/run/device.sock") for a name and hands out a proxy StreamDriver that forwards
// every call. Set it on a program's Devices and DeviceFile::Open(devices, u"COM3:", ...) reaches
// the port that qmx2-device serves.
//
// Each open is one connection to the host; closing the handle or ending the program closes the
// open on the host. The host applies the port's time-outs, so a remote read returns when a
// local one would. Reads longer than kWireMaxData bytes return at most that many.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/devices.h"

namespace qmx2::platform {

class RemoteDeviceResolver final : public DeviceResolver {
public:
    RemoteDeviceResolver(Clock& clock, std::string socket_path);
    ~RemoteDeviceResolver() override;

    // A proxy when the host runs and serves the name; nullptr otherwise.
    StreamDriver* Resolve(WideView name) override;

private:
    class Proxy;
    Clock& clock_;
    const std::string path_;
    std::mutex mu_;
    std::vector<std::unique_ptr<Proxy>> proxies_;
};

// Connects to the host's socket; -1 when nobody listens.
int ConnectDeviceSocket(const std::string& socket_path);
// Whether a device host listens on the socket.
bool DeviceHostRunning(const std::string& socket_path);

}  // namespace qmx2::platform
