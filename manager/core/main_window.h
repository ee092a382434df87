// The manager's life: program start up to the running worker, closing (hiding) the main
// window, re-activating it, destroying it, and "Power Down".
#pragma once

#include "manager/core/manager_context.h"

namespace qmx2::manager {

inline constexpr char16_t kNoCardInserted[] = u"No Pellion inserted!";
inline constexpr char16_t kNoCommander[] =
    u"Orvan Pellion 2.0 Commander not found, either Pellion 2.0 is not available or try to "
    u"re-insert the device and start the program again!!";
inline constexpr char16_t kNotPoweredUp[] =
    u"Orvan Pellion 2.0 not powered up,  please select Power Up in tray icon menu and start the "
    u"monitor again.";
inline constexpr char16_t kPortInUse[] =
    u"The communication port is opend by other application, can not open monitor.";
inline constexpr char16_t kNoThread[] = u"Unable to create thread!";
inline constexpr char16_t kNetworkProblem[] = u"Network or Pellion problem.";
inline constexpr char16_t kSearchingNetwork[] = u"Searching network, please wait...";

inline constexpr int kStartPortTests = 11;
inline constexpr int kActivatePortTests = 3;
inline constexpr uint32_t kPortTestMs = 1000;

enum class StartOutcome {
    kRunning,         // start-up done, the worker polls
    kAlreadyRunning,  // another manager was brought forward
    kEnded,           // a message told the user why; the program ends
};

// Program start up to and including the start-up sequence; `worker` is started on the worker
// loop. On kEnded the worker (if started) has been told to stop.
StartOutcome StartManager(ManagerContext& ctx, platform::Thread& worker);

// Tests the port up to `tests` times, 1000 ms apart; then asks Retry/Cancel. False on Cancel.
bool WaitForFreePort(ManagerContext& ctx, int tests);

// The close message: hides the window and hands the card back (the worker stays in 17).
void CloseMainWindow(ManagerContext& ctx);
// Activation while hidden: takes the port back and resumes polling; false when the user
// cancelled and the window stays hidden.
bool ActivateMainWindow(ManagerContext& ctx);
// Destruction: deleted items emptied if so set, data saved, settings reported, the worker told
// to stop. The caller then ends the message loop. Returns the number of data files that could
// not be written (the user has seen " - save error!" for each).
int DestroyMainWindow(ManagerContext& ctx);
// "Power Down": asks the commander (8025), which answers by destroying the main window.
void PowerDown(ManagerContext& ctx);

}  // namespace qmx2::manager
