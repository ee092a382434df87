// Modem page behaviour.
#include "manager/settings/modem_page.h"

namespace qmx2::manager {
namespace {
int Clamp(int v, int hi) { return v < 0 ? 0 : v > hi ? hi : v; }
}  // namespace

ModemPage OpenModemPage(const ManagerContext& ctx) {
    ModemPage page;
    page.method = Clamp(ctx.options.bearer, common::kDataCallMethods - 1);
    MoveSpeedSlider(page, ctx.options.speed);
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
    if (s.method == ctx.options.bearer && s.speed == ctx.options.speed) return false;
    ctx.options.bearer = s.method;
    ctx.options.speed = s.speed;
    common::StoreDataCallCommand(ctx.registry, common::DataCallCommand(s));
    if (ctx.peers.CommanderPresent()) ctx.peers.SendToCommander(common::DataCallMessage(s));
    SetSpeedLines(ctx.monitor, s.speed);
    ctx.ui.SetWaitCursor(false);
    ctx.ui.ShowMessage(kCaption, kCloseBeforeDataCall, Buttons::kOk, true);
    return true;
}

}  // namespace qmx2::manager
