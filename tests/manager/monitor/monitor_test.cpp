// The monitor's signal bars, its start values and its picture.
#include <gtest/gtest.h>

#include "manager/monitor/monitor.h"

using namespace qmx2::manager;

TEST(Monitor, SignalBandsFromTheCsqValue) {
    struct Row {
        const char* reply;
        int bars;
    } rows[] = {
        {"AT+CSQ\r\r\n+CSQ: 7,99\r\n\r\nOK\r\n", 0},
        {"AT+CSQ\r\r\n+CSQ: 8,99\r\n\r\nOK\r\n", 1},
        {"AT+CSQ\r\r\n+CSQ: 15,0\r\n\r\nOK\r\n", 1},
        {"AT+CSQ\r\r\n+CSQ: 16,0\r\n\r\nOK\r\n", 2},
        {"AT+CSQ\r\r\n+CSQ: 23,99\r\n\r\nOK\r\n", 2},
        {"AT+CSQ\r\r\n+CSQ: 24,99\r\n\r\nOK\r\n", 3},
        {"AT+CSQ\r\r\n+CSQ: 30,99\r\n\r\nOK\r\n", 3},
        {"AT+CSQ\r\r\n+CSQ: 31,99\r\n\r\nOK\r\n", 4},
        {"+CSQ:31", 4},              // no space, no comma: the number runs to the end
        {"+CSQ: 99,99\r\nOK", 0},    // not measurable
    };
    for (const Row& r : rows) {
        int bars = -1;
        ASSERT_TRUE(ParseSignalReply(r.reply, &bars)) << r.reply;
        EXPECT_EQ(bars, r.bars) << r.reply;
    }
}

TEST(Monitor, FailedReadingsKeepTheLevel) {
    int bars = 3;
    EXPECT_FALSE(ParseSignalReply("Comm failure(opencomm)", &bars));
    EXPECT_FALSE(ParseSignalReply("AT+CSQ\r\r\nComm failure(timeout)", &bars));
    EXPECT_FALSE(ParseSignalReply("AT+CSQ\r\r\n+CSQ: \r\nERROR", &bars));
    EXPECT_FALSE(ParseSignalReply(nullptr, &bars));
    EXPECT_EQ(bars, 3);
}

TEST(Monitor, StartValuesDrawNoBarAndTheSearchingNotice) {
    const MonitorState fresh;
    const auto steps = PaintMonitor(fresh);
    ASSERT_EQ(steps.size(), 4u);
    EXPECT_EQ(steps[0].kind, PaintStep::kBackgroundImage);
    EXPECT_EQ(steps[0].right, 240);
    EXPECT_EQ(steps[0].bottom, 93);
    EXPECT_EQ(steps[1].text, "");
    EXPECT_EQ(steps[2].text, "Searching network, please wait...");
    EXPECT_EQ(steps[3].text, "");
}

TEST(Monitor, PictureWithFourBarsAndSpeedLines) {
    MonitorState s;
    s.signal_level = 4;
    s.operator_line = "RADIOLINJA";
    SetSpeedLines(s, 4);
    const auto steps = PaintMonitor(s);
    ASSERT_EQ(steps.size(), 8u);
    const int lefts[4] = {13, 28, 43, 58};
    for (int i = 0; i < 4; ++i) {
        const PaintStep& bar = steps[1 + i];
        EXPECT_EQ(bar.kind, PaintStep::kFillRect);
        EXPECT_EQ(bar.left, lefts[i]);
        EXPECT_EQ(bar.right, lefts[i] + 13);
        EXPECT_EQ(bar.top, 6);
        EXPECT_EQ(bar.bottom, 9);
        EXPECT_EQ(bar.color, kNavyBlue);
    }
    EXPECT_EQ(steps[5].text, "RADIOLINJA");
    EXPECT_EQ(steps[5].top, 17);
    EXPECT_EQ(steps[5].bottom, 33);
    EXPECT_EQ(steps[6].text, "Receiving up to 43.2 kbit/s");
    EXPECT_EQ(steps[6].top, 37);
    EXPECT_EQ(steps[7].text, "Sending up to 14.4 kbit/s");
    EXPECT_EQ(steps[7].top, 57);
    EXPECT_EQ(steps[7].left, 10);
    EXPECT_EQ(steps[7].right, 200);
}
