// Modem page behaviour.
#include "manager/settings/modem_page.h"

#include <mutex>

#include "manager/core/polling.h"

namespace qmx2::manager {
namespace {
int Clamp(int v, int hi) { return v < 0 ? 0 : v > hi ? hi : v; }
}  // namespace

ModemPage OpenModemPage(ManagerContext& ctx) {
    ModemPage page;
    int speed = 0;
    {
        std::lock_guard lock(ctx.tables);  // the worker rereads the setting on every pass
        page.method = Clamp(ctx.options.bearer, common::kDataCallMethods - 1);
        speed = ctx.options.speed;
    }
    MoveSpeedSlider(page, speed);
    return page;
}

void MoveSpeedSlider(ModemPage& page, int position) {
    page.slider = Clamp(position, common::kDataCallSpeeds - 1);
    page.receiving = common::ReceivingSpeedText(page.slider);
    page.sending = common::SendingSpeedText(page.slider);
    page.note_enabled = page.slider > 0;
}

bool CloseModemPage(ManagerContext& ctx, const ModemPage& page) {
    const common::DataCallSetting s{Clamp(page.method, common::kDataCallMethods - 1),
                                    Clamp(page.slider, common::kDataCallSpeeds - 1)};
    {
        std::lock_guard lock(ctx.tables);
        if (s.method == ctx.options.bearer && s.speed == ctx.options.speed) return false;
    }
    // Stored before the options change, so that a pass in between rereads the new setting.
    common::StoreDataCallCommand(ctx.registry, common::DataCallCommand(s));
    SetDataCallOptions(ctx, s.method, s.speed);
    if (ctx.peers.CommanderPresent()) ctx.peers.PostToCommander(common::DataCallMessage(s));
    ctx.ui.SetWaitCursor(false);
    ctx.ui.ShowMessage(kCaption, kCloseBeforeDataCall, Buttons::kOk, true);
    return true;
}

}  // namespace qmx2::manager
