// A kernel tty (a USB modem, a built-in UART, a pseudo-terminal in tests) as a software serial
// port: the kernel's serial driver does the line work, configured through termios from the
// port's line settings.
#pragma once

#include <memory>
#include <string>

#include "devices/fd_serial_port.h"

namespace qmx2::devices {

class TtyPort final : public FdSerialPort {
public:
    // Opens the tty raw at 9600 8N1 and starts reading. nullptr with *error on failure.
    static std::unique_ptr<TtyPort> Open(platform::Clock& clock, const std::string& path,
                                         std::string* error);
    ~TtyPort() override;

protected:
    bool LineApply(const platform::DCB& dcb) override;
    void LineSetDtr(bool on) override;
    void LineSetRts(bool on) override;
    void LineSetBreak(bool on) override;
    uint32_t LineModemStatus() override;
    void LinePurge(uint32_t flags) override;

private:
    using FdSerialPort::FdSerialPort;
    void SetModemLine(int bit, bool on);
};

// The termios speed constant for a rate in bit/s, or 0 when the kernel has none for it.
unsigned TermiosSpeed(uint32_t baud);

}  // namespace qmx2::devices
