// Whether a program's windows would be seen: the programs with a window shell use it when this
// holds and run headless otherwise.
#pragma once

namespace qmx2::platform::qt {

// An X or Wayland display, or a Qt platform chosen by QT_QPA_PLATFORM other than offscreen or
// minimal (the tests' default, which shows nothing to a person).
bool DisplayPresent();

}  // namespace qmx2::platform::qt
