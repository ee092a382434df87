// A modem reached over TCP (a modem server, a network serial bridge) as a software serial port.
// The stream carries the bytes only: line settings are accepted and kept, the modem lines read
// as a connected modem.
#pragma once

#include <memory>
#include <string>

#include "devices/fd_serial_port.h"

namespace qmx2::devices {

class TcpPort final : public FdSerialPort {
public:
    // Connects to host:port. nullptr with *error on failure.
    static std::unique_ptr<TcpPort> Connect(platform::Clock& clock, const std::string& host,
                                            const std::string& port, std::string* error);
    ~TcpPort() override;

protected:
    bool LineApply(const platform::DCB&) override { return true; }

private:
    using FdSerialPort::FdSerialPort;
};

}  // namespace qmx2::devices
