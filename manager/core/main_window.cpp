// Program start, close, re-activation, destruction and power-down of the manager.
#include "manager/core/main_window.h"

#include <cstring>
#include <system_error>

#include "manager/core/card_port.h"
#include "manager/core/polling.h"
#include "manager/core/startup_sequence.h"
#include "manager/store/data_files.h"

namespace qmx2::manager {
namespace {

void Tell(ManagerContext& ctx, platform::WideView text, bool owned) {
    ctx.ui.ShowMessage(kCaption, text, Buttons::kOk, owned);
}

void WaitWhileCardHoldsPort(ManagerContext& ctx) {
    while (!PortIsFree(ctx) && FindCardPort(ctx)) ctx.clock.SleepMs(kPortTestMs);
}

bool StartWorker(ManagerContext& ctx, platform::Thread& worker) {
    // State 1 before the thread exists, so that an early ResumePolling is never overwritten.
    ctx.worker_state = kStatePaused;
    try {
        worker.Start(ctx.clock, [&ctx] { RunPollingWorker(ctx); });
    } catch (const std::system_error&) {
        return false;
    }
    return true;
}

StartOutcome End(ManagerContext& ctx) {
    ctx.stop_worker = true;
    return StartOutcome::kEnded;
}

}  // namespace

bool WaitForFreePort(ManagerContext& ctx, int tests) {
    for (;;) {
        ctx.ui.SetWaitCursor(true);
        for (int i = 0; i < tests; ++i) {
            if (PortIsFree(ctx)) return true;
            ctx.clock.SleepMs(kPortTestMs);
        }
        ctx.ui.SetWaitCursor(false);
        if (ctx.ui.ShowMessage(kCaption, kPortInUse, Buttons::kRetryCancel, true) != Answer::kRetry)
            return false;
    }
}

StartOutcome StartManager(ManagerContext& ctx, platform::Thread& worker) {
    if (!FindCardPort(ctx)) {
        Tell(ctx, kNoCardInserted, false);
        return End(ctx);
    }
    if (!ctx.peers.CommanderPresent()) {
        Tell(ctx, kNoCommander, false);
        return End(ctx);
    }
    if (ctx.peers.BringRunningManagerForward()) return StartOutcome::kAlreadyRunning;
    ReadStartupSettings(ctx);
    if (CardPoweredUp(ctx) != 1) {
        Tell(ctx, kNotPoweredUp, true);
        return End(ctx);
    }
    ctx.monitor.operator_line.clear();
    ctx.monitor.info_line1 = "Searching network, please wait...";
    ctx.monitor.info_line2.clear();
    ctx.monitor.signal_level = 0;
    if (!ctx.ui.ShowMainWindow(true)) return End(ctx);
    ctx.ui.RepaintMain();
    if (!WaitForFreePort(ctx, kStartPortTests)) return End(ctx);
    ctx.ui.SetNotificationIcon(true);
    ctx.ui.RepaintMain();
    if (!StartWorker(ctx, worker)) {
        // Without the worker nothing would ever be loaded or polled: the program ends.
        ctx.ui.SetWaitCursor(false);
        Tell(ctx, kNoThread, true);
        return End(ctx);
    }
    ctx.ui.SetWaitCursor(true);
    if (!RunStartupSequence(ctx)) {
        ctx.ui.SetWaitCursor(false);
        Tell(ctx, kNetworkProblem, true);
        return End(ctx);
    }
    if (!ctx.worker_stays_paused) ResumePolling(ctx);
    ctx.ui.RepaintMain();
    ctx.ui.SetWaitCursor(false);
    return StartOutcome::kRunning;
}

void CloseMainWindow(ManagerContext& ctx) {
    ctx.hidden = true;
    ctx.ui.CloseChildWindows();
    PausePolling(ctx, kStateClosed);
    ReportCardSettings(ctx);
    WaitWhileCardHoldsPort(ctx);
    ctx.ui.ShowMainWindow(false);
    ctx.ui.SetNotificationIcon(false);
}

bool ActivateMainWindow(ManagerContext& ctx) {
    if (!ctx.hidden) return true;
    if (!WaitForFreePort(ctx, kActivatePortTests)) {
        ctx.ui.ShowMainWindow(false);
        return false;
    }
    ctx.ui.SetNotificationIcon(true);
    ctx.hidden = false;
    ctx.ui.ShowMainWindow(true);
    ResumePolling(ctx);
    return true;
}

int DestroyMainWindow(ManagerContext& ctx) {
    ctx.ui.CloseChildWindows();
    if (ctx.options.empty_deleted_on_exit) {
        std::lock_guard lock(ctx.tables);
        for (MessageRecord& r : ctx.messages.records)
            if (FieldText(r.status).find("(DEL)") != std::string_view::npos) std::memset(&r, 0, sizeof r);
    }
    const int not_saved = SaveDataFiles(ctx);
    PausePolling(ctx, kStateClosed);
    ReportCardSettings(ctx);
    WaitWhileCardHoldsPort(ctx);
    ctx.ui.SetNotificationIcon(false);
    ctx.stop_worker = true;
    return not_saved;
}

void PowerDown(ManagerContext& ctx) {
    ctx.ui.SetWaitCursor(false);
    ctx.ui.CloseChildWindows();
    ctx.peers.SendToCommander(kMsgPowerDown);
}

}  // namespace qmx2::manager
