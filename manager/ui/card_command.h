// Runs a command that talks to the card from a window. The command runs on its own thread while
// Qt's loop goes on: on the GUI thread, PausePolling would wait for a polling worker that is
// itself waiting for the GUI thread to answer a question or take a repaint.
//
// While a command runs, the manager's window messages ("Exit", "Power Down", the close message,
// the commander's WM_DESTROY) wait in their queue: the shell's pump holds them while
// CardCommandsRunning() is above 0, so closing or destroying the main window never pulls the
// tables, the files or the pause protocol from under a running command. It runs once the
// command has ended.
#pragma once

#include <functional>

class QWidget;

namespace qmx2::platform {
class Clock;
}

namespace qmx2::manager::ui {

// The top-level window of `window` is disabled while `op` runs, so no second command starts
// there and no button of a sheet closes it, and it refuses to close. A command started from
// another window meanwhile waits until this one is done before its `op` runs: one card command
// at a time. Returns when `op` has finished. Without a thread, `op` runs here.
void RunCardCommand(QWidget* window, platform::Clock& clock, const std::function<void()>& op);

// How many window commands are running now (kept on the QApplication; 0 without one).
int CardCommandsRunning();

}  // namespace qmx2::manager::ui
