// The data-call command table, reading a stored command back, and the commander's messages.
#include <gtest/gtest.h>

#include <string>

#include "common/data_call.h"

using namespace qmx2::common;

TEST(DataCall, CommandsOfTheTable) {
    EXPECT_STREQ(DataCallCommand({kMethodModem, 0}), "AT+CBST=0,0,1;+CHSN=1,0,0,0");
    EXPECT_STREQ(DataCallCommand({kMethodIsdnV110, 0}), "AT+CBST=71,0,1;+CHSN=1,0,0,0");
    EXPECT_STREQ(DataCallCommand({kMethodIsdnV110, 1}), "AT+CBST=81,0,1;+CHSN=2,0,0,0");
    EXPECT_STREQ(DataCallCommand({kMethodIsdnV120, 0}), "AT+CBST=39,0,1;+CHSN=1,0,0,0");
    EXPECT_STREQ(DataCallCommand({kMethodIsdnV120, 3}), "AT+CBST=51,0,1;+CHSN=4,0,0,0");
    EXPECT_STREQ(DataCallCommand({kMethodModem, 4}), "AT+CBST=0,0,1;+CHSN=6,0,0,0");
    EXPECT_STREQ(DataCallCommand({kMethodIsdnV110, 2}), "AT+CBST=81,0,1;+CHSN=3,0,0,0");
}

TEST(DataCall, EveryCommandReadsBackAsItsOwnPairInBothForms) {
    for (int m = 0; m < kDataCallMethods; ++m) {
        for (int v = 0; v < kDataCallSpeeds; ++v) {
            const char* cmd = DataCallCommand({m, v});
            const DataCallSetting l = ReadDataCallSetting(cmd);
            const DataCallSetting s = ReadDataCallSettingShort(cmd);
            EXPECT_EQ(l.method, m) << cmd;
            EXPECT_EQ(l.speed, v) << cmd;
            EXPECT_EQ(s.method, m) << cmd;
            EXPECT_EQ(s.speed, v) << cmd;
        }
    }
}

TEST(DataCall, UnknownTextsReadAsDefaults) {
    EXPECT_EQ(ReadDataCallSetting("AT+CBST=7,0,1;+CHSN=4,0,0,0").method, 0);
    EXPECT_EQ(ReadDataCallSetting("AT+CBST=7,0,1;+CHSN=4,0,0,0").speed, 3);
    EXPECT_EQ(ReadDataCallSetting("AT+CBST=71,0,1;+CHSN=5,0,0,0").method, 1);
    EXPECT_EQ(ReadDataCallSetting("AT+CBST=71,0,1;+CHSN=5,0,0,0").speed, 0);
    EXPECT_EQ(ReadDataCallSetting("").method, 0);
    EXPECT_EQ(ReadDataCallSetting(nullptr).speed, 0);
    // The long reading wants the whole bearer text; the short one finds it without "AT+CBST=".
    EXPECT_EQ(ReadDataCallSetting("51,0,1;+CHSN=2,0,0,0").method, 0);
    EXPECT_EQ(ReadDataCallSettingShort("51,0,1;+CHSN=2,0,0,0").method, 2);
}

TEST(DataCall, DisplayLines) {
    EXPECT_STREQ(ReceivingSpeedText(4), "Receiving up to 43.2 kbit/s");
    EXPECT_STREQ(SendingSpeedText(4), "Sending up to 14.4 kbit/s");
    EXPECT_STREQ(SendingSpeedText(3), "Sending up to 28.8 / 9.6 kbit/s");
    EXPECT_STREQ(ReceivingSpeedText(0), "Receiving up to 9.6 kbit/s");
    EXPECT_STREQ(SendingSpeedText(1), "Sending up to 14.4 kbit/s");
    EXPECT_STREQ(ReceivingSpeedText(2), "Receiving up to 19.2 kbit/s");
    EXPECT_STREQ(DataCallMethodName(1), "ISDN v.110");
    EXPECT_STREQ(DataCallMethodName(2), "ISDN v.120");
    EXPECT_STREQ(DataCallMethodName(0), "Modem");
}

TEST(DataCall, CommanderMessages) {
    EXPECT_EQ(DataCallMessage({kMethodIsdnV110, 0}), 5030u);
    EXPECT_EQ(DataCallMessage({kMethodIsdnV110, 1}), 5031u);
    EXPECT_EQ(DataCallMessage({kMethodModem, 4}), 5029u);
    EXPECT_EQ(DataCallMessage({kMethodIsdnV120, 4}), 5039u);
    DataCallSetting s;
    ASSERT_TRUE(DataCallSettingFromMessage(5037, &s));
    EXPECT_EQ(s.method, kMethodIsdnV120);
    EXPECT_EQ(s.speed, 2);
    EXPECT_FALSE(DataCallSettingFromMessage(5024, &s));
    EXPECT_FALSE(DataCallSettingFromMessage(5040, &s));
}
