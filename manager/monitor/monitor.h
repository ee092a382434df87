// The monitor: what the manager's main window shows (signal bars, operator, two data-call
// lines), how the signal strength is read from the card, and the picture as a list of drawing
// steps that a window shell paints and a test reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qmx2::common {
struct AtChannel;
}

namespace qmx2::manager {

inline constexpr int kMonitorWidth = 240;
inline constexpr int kMonitorHeight = 138;
inline constexpr int kMonitorImageHeight = 93;

struct MonitorState {
    int signal_level = 0;  // 0 to 4 bars
    std::string operator_line;
    std::string info_line1 = "Searching network, please wait...";
    std::string info_line2;
};

// Bars for the value after "+CSQ:". 99 is how the card says "not measurable": no bars, rather
// than the four that the plain bands would give.
int SignalBarsFromCsq(int rssi);

// Parses an "AT+CSQ" reply; false (level untouched) without "+CSQ:" or a number after it.
bool ParseSignalReply(const char* reply, int* bars);

// Sends "AT+CSQ" (expected "+CSQ", 2 s) and reads the bars; false (bars untouched) on a failed reading.
bool ReadSignalStrength(common::AtChannel& channel, int* bars);

// Sets the two information lines from a data-call speed index.
void SetSpeedLines(MonitorState& state, int speed);

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb&) const = default;
};
inline constexpr Rgb kNavyBlue{0, 0, 128};

// One drawing step, in window coordinates; right and bottom edges are excluded.
struct PaintStep {
    enum Kind { kBackgroundImage, kFillRect, kSingleLineText } kind;
    int left, top, right, bottom;
    Rgb color;
    std::string text;
    bool operator==(const PaintStep&) const = default;
};

std::vector<PaintStep> PaintMonitor(const MonitorState& state);

}  // namespace qmx2::manager
