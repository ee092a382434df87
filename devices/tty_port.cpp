// termios glue of the kernel-tty port.
#include "devices/tty_port.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace qmx2::devices {

using namespace qmx2::platform;

namespace {

struct SpeedRow {
    uint32_t baud;
    speed_t speed;
};

constexpr SpeedRow kSpeeds[] = {
    {50, B50},         {75, B75},         {110, B110},       {134, B134},
    {150, B150},       {200, B200},       {300, B300},       {600, B600},
    {1200, B1200},     {1800, B1800},     {2400, B2400},     {4800, B4800},
    {9600, B9600},     {19200, B19200},   {38400, B38400},   {57600, B57600},
    {115200, B115200}, {230400, B230400}, {460800, B460800}, {921600, B921600},
};

}  // namespace

unsigned TermiosSpeed(uint32_t baud) {
    for (const auto& row : kSpeeds)
        if (row.baud == baud) return row.speed;
    return 0;
}

std::unique_ptr<TtyPort> TtyPort::Open(Clock& clock, const std::string& path, std::string* error) {
    const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        *error = "cannot open " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    if (!isatty(fd)) {
        *error = path + " is not a terminal device";
        ::close(fd);
        return nullptr;
    }
    std::unique_ptr<TtyPort> port(new TtyPort(clock));
    DCB d{};
    d.BaudRate = 9600;
    d.ByteSize = 8;
    d.fDtrControl = DTR_CONTROL_ENABLE;
    d.fRtsControl = RTS_CONTROL_ENABLE;
    // The descriptor is set before the reader starts so that the first settings reach it.
    if (!port->Attach(fd, error)) return nullptr;
    if (!port->LineApply(d)) {
        *error = "cannot set the line of " + path + ": " + std::strerror(errno);
        return nullptr;
    }
    return port;
}

TtyPort::~TtyPort() { Detach(); }

bool TtyPort::LineApply(const DCB& d) {
    const speed_t speed = TermiosSpeed(d.BaudRate);
    if (speed == 0) return false;
    termios t{};
    if (tcgetattr(fd(), &t) != 0) return false;
    cfmakeraw(&t);
    t.c_cflag |= CLOCAL | CREAD;
    t.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    static constexpr tcflag_t kSizes[] = {CS5, CS6, CS7, CS8};
    t.c_cflag |= kSizes[std::clamp<int>(d.ByteSize, 5, 8) - 5];
    switch (d.Parity) {
        case ODDPARITY: t.c_cflag |= PARENB | PARODD; break;
        case EVENPARITY: t.c_cflag |= PARENB; break;
        case MARKPARITY: t.c_cflag |= PARENB | PARODD | CMSPAR; break;
        case SPACEPARITY: t.c_cflag |= PARENB | CMSPAR; break;
        default: break;
    }
    if (d.fParity) t.c_iflag |= INPCK;
    if (d.StopBits != ONESTOPBIT) t.c_cflag |= CSTOPB;
    if (d.fOutxCtsFlow || d.fRtsControl == RTS_CONTROL_HANDSHAKE) t.c_cflag |= CRTSCTS;
    t.c_iflag &= ~(IXON | IXOFF | IXANY);
    if (d.fOutX) t.c_iflag |= IXON;
    if (d.fInX) t.c_iflag |= IXOFF;
    t.c_cc[VSTART] = static_cast<cc_t>(d.XonChar);
    t.c_cc[VSTOP] = static_cast<cc_t>(d.XoffChar);
    t.c_cc[VMIN] = 0;
    t.c_cc[VTIME] = 0;
    cfsetispeed(&t, speed);
    cfsetospeed(&t, speed);
    return tcsetattr(fd(), TCSANOW, &t) == 0;
}

// A pseudo-terminal has no modem lines; the ioctls fail there and the lines are left alone.
void TtyPort::SetModemLine(int bit, bool on) { ioctl(fd(), on ? TIOCMBIS : TIOCMBIC, &bit); }

void TtyPort::LineSetDtr(bool on) { SetModemLine(TIOCM_DTR, on); }
void TtyPort::LineSetRts(bool on) { SetModemLine(TIOCM_RTS, on); }
void TtyPort::LineSetBreak(bool on) { ioctl(fd(), on ? TIOCSBRK : TIOCCBRK); }

uint32_t TtyPort::LineModemStatus() {
    int lines = 0;
    if (ioctl(fd(), TIOCMGET, &lines) != 0) return MS_CTS_ON | MS_DSR_ON | MS_RLSD_ON;
    uint32_t s = 0;
    if (lines & TIOCM_CTS) s |= MS_CTS_ON;
    if (lines & TIOCM_DSR) s |= MS_DSR_ON;
    if (lines & TIOCM_RI) s |= MS_RING_ON;
    if (lines & TIOCM_CD) s |= MS_RLSD_ON;
    return s;
}

void TtyPort::LinePurge(uint32_t flags) {
    if (flags & PURGE_RXCLEAR) tcflush(fd(), TCIFLUSH);
    if (flags & PURGE_TXCLEAR) tcflush(fd(), TCOFLUSH);
}

}  // namespace qmx2::devices
