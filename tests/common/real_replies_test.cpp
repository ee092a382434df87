// Replies captured from real modems, played by the scripted card through the transaction: which
// of them end by a stop rule and which run into the time-out. Every capture is also fed to the
// stop-rule engine byte by byte and held against the whole-reply search.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

#include "common/at_transaction.h"
#include "platform/clock.h"
#include "platform/devices.h"
#include "tests/common/scripted_card.h"
#include "tests/common/stop_rules_reference.h"
#include "tests/support/real_replies.h"

namespace qmx2::common {
namespace {

using namespace qmx2::platform;

std::filesystem::path RepliesDir() { return qmx2::testing::RealRepliesDir(); }
std::string ReadReply(const std::string& name) { return qmx2::testing::RealReply(name); }

using qmx2::testing::WithCrLf;

enum class Outcome { kWhole, kUpToLastCr, kTimeout };

struct Row {
    const char* file;
    const char* command;
    const char* expected;
    int timeout_s;
    bool crlf;  // rebuild CR LF line ends
    StopRule rule;
    Outcome outcome;
};

const Row kRows[] = {
    {"cmgl-text-huawei-e220.txt", "AT+CMGL=\"ALL\"", "+CMGL", 10, false, StopRule::kListingOk,
     Outcome::kUpToLastCr},
    {"cmgl-text-rec-unread-za.txt", "AT+CMGL=\"REC UNREAD\"", "+CMGL", 10, false,
     StopRule::kListingOk, Outcome::kUpToLastCr},
    {"cmgl-text-simcom-sim800l.txt", "AT+CMGL=\"ALL\"", "+CMGL", 10, false, StopRule::kListingOk,
     Outcome::kUpToLastCr},
    {"cmgr-text-huawei-e220.txt", "AT+CMGR=0", "+CMGR", 5, false, StopRule::kOk, Outcome::kWhole},
    {"cmgr-text-timezone-plus08.txt", "AT+CMGR=3", "+CMGR", 5, true, StopRule::kOk,
     Outcome::kWhole},
    {"cmgr-text-timezone-plus08.txt", "AT+CMGR=3", "+CMGR", 5, false, StopRule::kNone,
     Outcome::kTimeout},  // bare LF never frames a final result code
    {"cmgr-text-status-report.txt", "AT+CMGR=2", "+CMGR", 5, false, StopRule::kNone,
     Outcome::kTimeout},
    {"cpbr-test-option-gtm382.txt", "AT+CPBR=?", "+CPBR", 5, false, StopRule::kOk,
     Outcome::kWhole},
    {"cpbr-empty-entry-option-gtm382.txt", "AT+CPBR=1", "+CPBR", 20, false, StopRule::kOk,
     Outcome::kWhole},
    {"cpbr-samsung-binary-number.txt", "AT+CPBR=241", "+CPBR", 20, false, StopRule::kOk,
     Outcome::kWhole},
    {"cpbr-nokia-2730.txt", "AT+CPBR=16", "+CPBR", 20, true, StopRule::kOk, Outcome::kWhole},
    {"cpms-set-duplicated-reply.txt", "AT+CPMS=\"ME\"", "+CPMS", 5, false, StopRule::kOk,
     Outcome::kWhole},
    {"cpin-sim-pin-huawei-dongle.txt", "AT+CPIN?", "+CPIN", 10, false, StopRule::kOk,
     Outcome::kWhole},
    {"cpin-ready-no-ok-wavecom.txt", "AT+CPIN?", "+CPIN", 10, false, StopRule::kNone,
     Outcome::kTimeout},
    {"csq-duplicated-echo-cme515.txt", "AT+CSQ", "+CSQ", 2, false, StopRule::kNone,
     Outcome::kTimeout},
    {"clck-sc-disable-error-huawei-dongle.txt", "AT+CLCK=\"SC\",0,\"11111\"", "+CLCK", 10, false,
     StopRule::kNone, Outcome::kTimeout},
};

TEST(RealReplies, EndByTheirFinalResultOrRunIntoTheTimeout) {
    QMX2_NEED_REAL_REPLIES();
    for (const Row& row : kRows) {
        SCOPED_TRACE(std::string(row.file) + (row.crlf ? " with CR LF" : ""));
        std::string capture = ReadReply(row.file);
        ASSERT_FALSE(capture.empty()) << "missing " << (RepliesDir() / row.file);
        if (row.crlf) capture = WithCrLf(capture);

        auto clock = MakeVirtualClock();
        Devices devices;
        testing::ScriptedCard card(*clock);
        devices.Register(u"COM3:", &card);
        auto channel = std::make_unique<AtChannel>(devices, *clock);
        channel->SetPortName(u"COM3:");
        card.Answer(row.command, capture, 30, 1);

        const std::string reply = SendAtCommand(*channel, row.command, row.expected, row.timeout_s);
        EXPECT_EQ(channel->last_rule, row.rule);
        switch (row.outcome) {
        case Outcome::kWhole:
            EXPECT_EQ(reply, capture);
            break;
        case Outcome::kUpToLastCr:
            EXPECT_EQ(reply + "\n", capture);
            break;
        case Outcome::kTimeout:
            EXPECT_EQ(reply, capture + kFailTimeout);
            EXPECT_GT(clock->TickMs(), row.timeout_s * 1000u);
            break;
        }
    }
}

TEST(RealReplies, EngineAgreesWithWholeReplySearchOnEveryCapture) {
    QMX2_NEED_REAL_REPLIES();
    const StopRuleSet sets[] = {kManagerCommandFlavour.rules, kManagerRawFlavour.rules};
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(RepliesDir())) {
        if (entry.path().extension() != ".txt") continue;
        ++files;
        const std::string name = entry.path().filename().string();
        for (const bool crlf : {false, true}) {
            std::string capture = ReadReply(name);
            if (crlf) capture = WithCrLf(capture);
            // The command's name, as callers pass it: "+CPBR" for "cpbr-...".
            std::string expected = "+" + name.substr(0, name.find('-'));
            for (char& c : expected)
                c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            for (const StopRuleSet& rules : sets) {
                StopRuleEngine engine(rules, expected);
                for (size_t i = 0; i < capture.size(); ++i) {
                    engine.Feed(static_cast<unsigned char>(capture[i]));
                    ASSERT_EQ(engine.Check(), testing::ReferenceStopRule(
                                                  rules, std::string_view(capture).substr(0, i + 1),
                                                  expected))
                        << name << " byte " << i;
                }
            }
        }
    }
    EXPECT_GT(files, 100);
}

}  // namespace
}  // namespace qmx2::common
