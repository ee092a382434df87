// The commander's window reached through the handheld's window messages.
#pragma once

#include "manager/core/manager_ui.h"
#include "platform/windows.h"

namespace qmx2::manager::ctl {

class WindowPeers : public PeerWindows {
public:
    explicit WindowPeers(platform::WindowSystem& windows) : windows_(windows) {}
    bool CommanderPresent() override;
    bool SendToCommander(uint32_t message) override;
    bool PostToCommander(uint32_t message) override;
    // qmx2ctl has no window of its own to bring forward; it runs beside a manager.
    bool BringRunningManagerForward() override { return false; }

private:
    platform::WindowSystem& windows_;
};

}  // namespace qmx2::manager::ctl
