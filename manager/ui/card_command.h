// Runs a command that talks to the card from a window. The command runs on its own thread while
// Qt's loop goes on: on the GUI thread, PausePolling would wait for a polling worker that is
// itself waiting for the GUI thread to answer a question or take a repaint.
#pragma once

#include <functional>

class QWidget;

namespace qmx2::platform {
class Clock;
}

namespace qmx2::manager::ui {

// `window` is disabled while `op` runs, so no second command starts meanwhile. Returns when `op`
// has finished. Without a thread, `op` runs here.
void RunCardCommand(QWidget* window, platform::Clock& clock, const std::function<void()>& op);

}  // namespace qmx2::manager::ui
