// Terminal detection for programs without windows.
#include "platform/terminal.h"

#include <unistd.h>

namespace qmx2::platform {

bool StandardInputIsTerminal() { return isatty(STDIN_FILENO) == 1; }

}  // namespace qmx2::platform
