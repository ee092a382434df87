// The monitor's values, the signal reading and the drawing steps.
#include "manager/monitor/monitor.h"

#include <cstring>

#include "common/at_transaction.h"
#include "common/data_call.h"

namespace qmx2::manager {

int SignalBarsFromCsq(int rssi) {
    if (rssi == 99) return 0;
    if (rssi < 8) return 0;
    if (rssi <= 15) return 1;
    if (rssi <= 23) return 2;
    if (rssi <= 30) return 3;
    return 4;
}

bool ParseSignalReply(const char* reply, int* bars) {
    const char* p = reply ? std::strstr(reply, "+CSQ:") : nullptr;
    if (!p) return false;
    p += 5;
    while (*p == ' ') ++p;
    if (*p < '0' || *p > '9') return false;
    int value = 0;
    for (; *p >= '0' && *p <= '9' && value < 1000; ++p) value = value * 10 + (*p - '0');
    *bars = SignalBarsFromCsq(value);
    return true;
}

bool ReadSignalStrength(common::AtChannel& channel, int* bars) {
    return ParseSignalReply(common::SendAtCommand(channel, "AT+CSQ", "+CSQ", 2), bars);
}

void SetSpeedLines(MonitorState& state, int speed) {
    state.info_line1 = common::ReceivingSpeedText(speed);
    state.info_line2 = common::SendingSpeedText(speed);
}

std::vector<PaintStep> PaintMonitor(const MonitorState& state) {
    static constexpr int kBarLeft[4] = {13, 28, 43, 58};
    std::vector<PaintStep> steps;
    steps.push_back({PaintStep::kBackgroundImage, 0, 0, kMonitorWidth, kMonitorImageHeight, {}, {}});
    const int bars = state.signal_level < 0 ? 0 : (state.signal_level > 4 ? 4 : state.signal_level);
    for (int i = 0; i < bars; ++i)
        steps.push_back({PaintStep::kFillRect, kBarLeft[i], 6, kBarLeft[i] + 13, 9, kNavyBlue, {}});
    steps.push_back({PaintStep::kSingleLineText, 10, 17, 200, 33, kNavyBlue, state.operator_line});
    steps.push_back({PaintStep::kSingleLineText, 10, 37, 200, 53, kNavyBlue, state.info_line1});
    steps.push_back({PaintStep::kSingleLineText, 10, 57, 200, 73, kNavyBlue, state.info_line2});
    return steps;
}

}  // namespace qmx2::manager
