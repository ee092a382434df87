// What the pages of the "Settings" sheet work with. Only references: a page may keep a copy for
// as long as it lives, and the sheet outlives its pages.
#pragma once

namespace qmx2::platform {
class HelpViewer;
}

namespace qmx2::manager {
struct ManagerContext;
}

namespace qmx2::manager::ui {

struct SettingsParts {
    // The manager's state; card traffic from a page goes through RunCardCommand
    // (manager/ui/card_command.h) with ctx.clock.
    ManagerContext& ctx;
    platform::HelpViewer& help;
};

}  // namespace qmx2::manager::ui
