// Finding the commander and sending it the manager's messages.
#include "manager/ctl/window_peers.h"

namespace qmx2::manager::ctl {
namespace {
constexpr char16_t kCommanderClass[] = u"Qmx2Com";
constexpr char16_t kCommanderTitle[] = u"QMX2 commander";
}  // namespace

bool WindowPeers::CommanderPresent() {
    return windows_.FindWindow(kCommanderClass, platform::WideView(kCommanderTitle)) != 0;
}

bool WindowPeers::SendToCommander(uint32_t message) {
    const platform::HWND commander =
        windows_.FindWindow(kCommanderClass, platform::WideView(kCommanderTitle));
    if (commander == 0) return false;
    windows_.SendMessage(commander, message, 0, 0);
    return true;
}

bool WindowPeers::PostToCommander(uint32_t message) {
    const platform::HWND commander =
        windows_.FindWindow(kCommanderClass, platform::WideView(kCommanderTitle));
    return commander != 0 && windows_.PostMessage(commander, message, 0, 0);
}

}  // namespace qmx2::manager::ctl
