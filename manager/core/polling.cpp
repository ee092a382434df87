// The polling worker: paused steps that acknowledge the window thread, polling passes, and the
// background loads of both phone books and the messages.
#include "manager/core/polling.h"

#include "common/data_call.h"
#include "manager/core/card_port.h"
#include "manager/messages/message_load.h"
#include "manager/messages/new_messages.h"
#include "manager/phonebook/book_read.h"
#include "manager/store/settings_registry.h"

namespace qmx2::manager {
namespace {

// Moves the worker on only if nobody changed its state during the step, so that a pause the
// window thread asked for is never overwritten.
void Advance(ManagerContext& ctx, int from, int to) {
    ctx.worker_state.compare_exchange_strong(from, to);
}

int NextLoadState(ManagerContext& ctx) {
    if (!ctx.sim_book_loaded) return kStateLoadSimBook;
    if (!ctx.card_book_loaded) return kStateLoadCardBook;
    if (!ctx.messages_loaded) return kStateLoadMessages;
    return kStatePolling;
}

void Echo(ManagerContext& ctx) { common::SendAtCommand(ctx.channel, "ATE1", "OK", 2); }

void RefreshSpeedLines(ManagerContext& ctx) {
    const auto cmd = ReadManagerValue(ctx.registry, kValueModemCmd);
    const common::DataCallSetting s =
        common::ReadDataCallSettingShort(cmd && !cmd->empty() ? cmd->c_str() : kDefaultModemCmd);
    SetDataCallOptions(ctx, s.method, s.speed);
}

void PollingPass(ManagerContext& ctx) {
    const int me = kStatePolling;
    ctx.worker_event.Reset();
    auto go_on = [&] { return WorkerMayContinue(ctx, me); };
    Echo(ctx);
    RefreshSpeedLines(ctx);
    if (go_on() && CheckNewMessages(ctx, go_on)) AnnounceNewMessages(ctx);
    ResolveSenderNames(ctx);
    ctx.clock.SleepMs(1000);
    if (go_on()) {
        RefreshSignalBars(ctx);
        ctx.ui.RepaintMain();
    }
    ++ctx.passes;
    Advance(ctx, me, NextLoadState(ctx));
}

// After a book load: on to the next load, or back to polling with names looked up again.
void AfterBookLoad(ManagerContext& ctx, int me) {
    int next = kStateLoadMessages;
    if (me == kStateLoadSimBook && !ctx.card_book_loaded) {
        next = kStateLoadCardBook;
    } else if (ctx.messages_loaded) {
        ResolveSenderNames(ctx);
        next = kStatePolling;
    }
    Advance(ctx, me, next);
}

void LoadStep(ManagerContext& ctx, int me) {
    ctx.worker_event.Reset();
    auto go_on = [&] { return WorkerMayContinue(ctx, me); };
    Echo(ctx);
    if (me == kStateLoadSimBook) {
        ctx.sim_book_loaded = ReadSimBook(ctx, go_on);
        AfterBookLoad(ctx, me);
    } else if (me == kStateLoadCardBook) {
        ctx.card_book_loaded = ReadCardBook(ctx, go_on);
        AfterBookLoad(ctx, me);
    } else {
        ctx.messages_loaded = LoadAllMessages(ctx, go_on);
        Advance(ctx, me, kStatePolling);
    }
}

}  // namespace

MonitorState MonitorSnapshot(ManagerContext& ctx) {
    std::lock_guard lock(ctx.tables);
    return ctx.monitor;
}

void SetCurrentOperator(ManagerContext& ctx, std::string_view name) {
    std::lock_guard lock(ctx.tables);
    ctx.monitor.operator_line = std::string(name);
    ctx.operator_name_copy = std::string(name);
}

std::string CurrentOperatorCopy(ManagerContext& ctx) {
    std::lock_guard lock(ctx.tables);
    return ctx.operator_name_copy;
}

void SetDataCallOptions(ManagerContext& ctx, int method, int speed) {
    std::lock_guard lock(ctx.tables);
    ctx.options.bearer = method;
    ctx.options.speed = speed;
    SetSpeedLines(ctx.monitor, speed);
}

void RefreshSignalBars(ManagerContext& ctx) {
    int bars = 0;
    if (!ReadSignalStrength(ctx.channel, &bars)) return;
    std::lock_guard lock(ctx.tables);
    ctx.monitor.signal_level = bars;
}

bool WorkerMayContinue(ManagerContext& ctx, int state) {
    return ctx.worker_state.load() == state && !ctx.stop_worker.load();
}

void PausePolling(ManagerContext& ctx, int state) {
    ctx.ui.SetWaitCursor(true);
    ctx.worker_state = state;
    ctx.worker_event.Wait(kPauseWaitMs);
    // Another program holds the port. A short sleep between the tests keeps this wait from
    // spinning a processor while the holder finishes its transaction.
    while (!PortIsFree(ctx) && FindCardPort(ctx)) ctx.clock.SleepMs(kPortRetestMs);
    ctx.worker_event.Reset();
}

void ResumePolling(ManagerContext& ctx) {
    ctx.ui.SetWaitCursor(false);
    ctx.worker_state = kStatePolling;
}

void SelectTextMode(ManagerContext& ctx) {
    common::SendAtCommand(ctx.channel, "AT+CSCS=\"8859-1\"", "+CSCS", 5);
    common::SendAtCommand(ctx.channel, "AT+CMGF=1", "+CMGF", 5);
}

void RunWorkerStep(ManagerContext& ctx) {
    const int state = ctx.worker_state.load();
    switch (state) {
    case kStatePaused:
    case kStateClosed:
        ctx.worker_event.Set();
        ctx.clock.SleepMs(1000);
        break;
    case kStatePolling:
        PollingPass(ctx);
        break;
    case kStateLoadSimBook:
    case kStateLoadCardBook:
    case kStateLoadMessages:
        LoadStep(ctx, state);
        break;
    default:
        break;
    }
}

void RunPollingWorker(ManagerContext& ctx) {
    while (!ctx.stop_worker.load()) {
        ctx.clock.SleepMs(500);
        if (ctx.stop_worker.load()) break;
        RunWorkerStep(ctx);
    }
}

}  // namespace qmx2::manager
