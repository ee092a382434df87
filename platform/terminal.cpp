// Terminal detection and hidden typing for programs without windows.
#include "platform/terminal.h"

#include <termios.h>
#include <unistd.h>

namespace qmx2::platform {

bool StandardInputIsTerminal() { return isatty(STDIN_FILENO) == 1; }

HiddenTyping::HiddenTyping(int fd) : fd_(fd) {
    termios t{};
    if (isatty(fd_) != 1 || tcgetattr(fd_, &t) != 0) return;
    saved_flags_ = t.c_lflag;
    // Echo off, but the line still ends with Enter and can be corrected with backspace.
    t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL);
    active_ = tcsetattr(fd_, TCSANOW, &t) == 0;
}

HiddenTyping::~HiddenTyping() {
    termios t{};
    if (!active_ || tcgetattr(fd_, &t) != 0) return;
    t.c_lflag = static_cast<tcflag_t>(saved_flags_);
    tcsetattr(fd_, TCSANOW, &t);
}

}  // namespace qmx2::platform
