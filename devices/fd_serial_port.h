// A software serial port whose line is a host file descriptor (a tty or a socket): a reader
// thread feeds the receive buffer from the descriptor, writes go straight to it. The reader's
// blocking in poll() is outside the clock (ExternalWait). A hang-up or an I/O error on the
// descriptor makes the line lost: the port then fails its reads and refuses new opens.
#pragma once

#include <string>

#include "platform/software_serial_port.h"
#include "platform/sync.h"

namespace qmx2::devices {

class FdSerialPort : public platform::SoftwareSerialPort {
public:
    FdSerialPort(platform::Clock& clock, platform::SoftwarePortOptions options = {});
    ~FdSerialPort() override;

    // Takes ownership of fd (made non-blocking here) and starts the reader.
    bool Attach(int fd, std::string* error);
    // Stops the reader and closes the descriptor. Safe to call twice.
    void Detach();

protected:
    int32_t LineTransmit(const uint8_t* data, uint32_t length, uint32_t timeout_ms) override;
    int fd() const { return fd_; }

private:
    void ReaderLoop();

    int fd_ = -1;
    bool is_socket_ = false;
    int wake_[2] = {-1, -1};  // self-pipe that ends the reader's poll()
    platform::Thread reader_;
    bool started_ = false;
};

}  // namespace qmx2::devices
