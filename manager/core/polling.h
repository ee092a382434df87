// The pause protocol between the window thread and the polling worker, and the worker itself.
#pragma once

#include "manager/core/manager_context.h"

namespace qmx2::manager {

inline constexpr uint32_t kPauseWaitMs = 30000;
inline constexpr uint32_t kPortRetestMs = 100;

// Takes the card from the worker: wait cursor on, worker state set to `state` (1 for a user
// action, 17 when the main window closes), waits up to 30 s for the worker to reach a paused
// step, then until the port can be opened while the card is still present.
void PausePolling(ManagerContext& ctx, int state);

// Gives the card back: wait cursor off, worker state 2.
void ResumePolling(ManagerContext& ctx);

// AT+CSCS="8859-1" and AT+CMGF=1 before every short-message operation.
void SelectTextMode(ManagerContext& ctx);

// True while the worker may go on with the work of `state`: nobody has paused it meanwhile.
// The worker asks before every command of a pass, so that a window thread that stopped waiting
// after 30 s never has its card traffic overlap the rest of a long pass.
bool WorkerMayContinue(ManagerContext& ctx, int state);

// A copy of the monitor's values for painting; the worker changes them during its passes.
MonitorState MonitorSnapshot(ManagerContext& ctx);

// Writers of what the worker also writes or paints, under its lock, for the window thread's
// settings pages and start-up: the current operator (monitor line and the network page's
// copy), the data-call options with the monitor's two speed lines, and the signal bars from
// AT+CSQ (unchanged when the reply has none).
void SetCurrentOperator(ManagerContext& ctx, std::string_view name);
std::string CurrentOperatorCopy(ManagerContext& ctx);
void SetDataCallOptions(ManagerContext& ctx, int method, int speed);
void RefreshSignalBars(ManagerContext& ctx);

// The worker's loop (run on its own platform Thread) until ctx.stop_worker is set.
void RunPollingWorker(ManagerContext& ctx);

// One step of the worker by its state; exposed for tests that drive the worker by hand.
void RunWorkerStep(ManagerContext& ctx);

}  // namespace qmx2::manager
