// The stop rules: each rule with its near misses, the differences between the operations, and the
// incremental engine against a whole-reply search on random replies made of the patterns' pieces.
#include <gtest/gtest.h>

#include <string>

#include "common/at_transaction.h"
#include "common/stop_rules.h"
#include "tests/common/stop_rules_reference.h"

namespace qmx2::common {
namespace {

using testing::ReferenceStopRule;

StopRule RuleFor(StopRuleSet rules, std::string_view reply, std::string_view expected) {
    StopRuleEngine engine(rules, expected);
    for (char c : reply) engine.Feed(static_cast<unsigned char>(c));
    return engine.Check();
}

const StopRuleSet kCommand = kManagerCommandFlavour.rules;
const StopRuleSet kLine = kManagerLineFlavour.rules;
const StopRuleSet kRaw = kManagerRawFlavour.rules;
const StopRuleSet kCommander = kCommanderCommandFlavour.rules;

struct Case {
    const char* name;
    std::string reply;
    const char* expected;
    StopRule command, line, raw_and_commander;
};

TEST(StopRules, EachRuleWithItsNearMisses) {
    using enum StopRule;
    const Case cases[] = {
        {"ok with echo", "AT+CPMS?\r\r\n+CPMS: 1,2\r\n\r\nOK\r\n", "+CPMS", kOk, kOk, kOk},
        {"ok without expected", "ATE1\r\r\nOK\r\n", "+CPMS", kNone, kNone, kNone},
        {"ok without final lf", "AT+CPMS?\r\r\nOK\r", "+CPMS", kNone, kNone, kNone},
        {"ok split by other text", "AT+X\r\r\nO K\r\n", "AT", kNone, kNone, kNone},
        {"listing ends at cr", "AT+CMGL=\"ALL\"\r\r\n+CMGL: 1\r\nhi\r\n\r\nOK\r", "+CMGL",
         kListingOk, kListingOk, kListingOk},
        {"bare ok cr without listing", "AT+CMGR=1\r\r\nOK\r", "+CMGR", kNone, kNone, kNone},
        {"empty slot", "AT+CMGR=4\r\r\n+CMS ERROR:", "+CMGR", kCmsErrorOnRead, kNone, kNone},
        {"cms error needs no expected", "AT+CMGR=4\r\r\n+CMS ERROR:", "nothing", kCmsErrorOnRead,
         kNone, kNone},
        {"cms error without read", "AT+CMGS=\"1\"\r\r\n+CMS ERROR: 500\r\n", "+CMGS", kNone, kNone,
         kNone},
        {"cms error without colon", "AT+CMGR=4\r\r\n+CMS ERROR 321", "+CMGR", kNone, kNone, kNone},
        {"prompt for submit", "AT+CMGS=\"+4412\",145\r\r\n> ", "+CMGS", kPrompt, kPrompt, kPrompt},
        {"prompt for store", "AT+CMGW=\"12\"\r\r\n> ", ">", kPrompt, kPrompt, kPrompt},
        {"prompt without submit", "AT+CPBW=1\r\r\n> ", ">", kPrompt, kPrompt, kNone},
        {"prompt without line start", "AT+CMGS=1\r\n\r>", "+CMGS", kNone, kNone, kNone},
        {"carrier on dial", "ATDT*99#\r\r\nCARRIER\r\n", "ATDT", kCarrier, kCarrier, kCarrier},
        {"carrier without dial", "ATD*99#\r\r\nCARRIER\r\n", "ATD", kNone, kNone, kNone},
        {"no carrier", "ATDT123\r\r\nNO CARRIER\r\n", "ATDT", kNone, kNone, kNone},
        {"error", "AT+COPS=1,2,999\r\r\nERROR\r\n", "+COPS", kError, kError, kError},
        {"cme error", "AT+CLCK=\"SC\",2\r\r\n+CME ERROR: 10\r\n", "+CLCK", kNone, kNone, kNone},
        {"cms error on read wins over ok", "AT+CMGR=1\r\r\n+CMS ERROR: 321\r\n\r\nOK\r\n", "+CMGR",
         kCmsErrorOnRead, kOk, kOk},
        {"ok before listing rule", "AT+CMGL\r\r\nOK\r\n", "+CMGL", kOk, kOk, kOk},
        {"ok as expected text", "AT\r\r\nOK\r\n", "\r\nOK\r\n", kOk, kOk, kOk},
        {"empty reply", "", "", kNone, kNone, kNone},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(RuleFor(kCommand, c.reply, c.expected), c.command);
        EXPECT_EQ(RuleFor(kLine, c.reply, c.expected), c.line);
        EXPECT_EQ(RuleFor(kRaw, c.reply, c.expected), c.raw_and_commander);
        EXPECT_EQ(RuleFor(kCommander, c.reply, c.expected), c.raw_and_commander);
    }
}

TEST(StopRules, ExpectedTextEdgeCases) {
    // An empty expected text is in every reply, as the empty string is in every C string.
    EXPECT_EQ(RuleFor(kCommand, "\r\nOK\r\n", ""), StopRule::kOk);
    // Expected text that overlaps itself and the final result code.
    EXPECT_EQ(RuleFor(kCommand, "\r\n\r\nOK\r\n", "\r\n\r\nOK"), StopRule::kOk);
    EXPECT_EQ(RuleFor(kCommand, "aaab\r\nOK\r\n", "aab"), StopRule::kOk);
    EXPECT_EQ(RuleFor(kCommand, "abab\r\nOK\r\n", "abac"), StopRule::kNone);
    const std::string longest(kMaxExpectedLength, 'x');
    EXPECT_EQ(RuleFor(kCommand, longest + "\r\nOK\r\n", longest), StopRule::kOk);
    const std::string too_long(kMaxExpectedLength + 1, 'x');
    EXPECT_EQ(RuleFor(kCommand, too_long + "\r\nOK\r\n", too_long), StopRule::kNone);
}

TEST(PatternMatcher, RemembersAMatchAndHandlesOverlaps) {
    PatternMatcher m;
    ASSERT_TRUE(m.Reset("CMCMGR"));
    for (char c : std::string_view("CMCMCMG")) m.Feed(static_cast<unsigned char>(c));
    EXPECT_FALSE(m.Seen());
    m.Feed('R');
    EXPECT_TRUE(m.Seen());
    m.Feed('x');
    EXPECT_TRUE(m.Seen());
    EXPECT_FALSE(m.Reset(std::string(kMaxExpectedLength + 1, 'a')));
    for (int i = 0; i < 600; ++i) m.Feed('a');
    EXPECT_FALSE(m.Seen());
}

// The engine must agree with the whole-reply search after every single byte.
TEST(StopRules, AgreeWithWholeReplySearchAfterEveryByte) {
    const StopRuleSet sets[] = {kCommand, kLine, kRaw, kCommander};
    const char* expecteds[] = {"", "OK", "+CPMS", "\r\nOK\r\n", "CMCM", "\r\n\r\nOK", ">", "ATDT"};
    testing::RandomReplies random(20261207);
    int outcomes[7] = {};
    for (int round = 0; round < 4000; ++round) {
        const std::string reply = random.Reply(1 + random.Pick(24));
        const StopRuleSet rules = sets[random.Pick(4)];
        const std::string_view expected = expecteds[random.Pick(std::size(expecteds))];
        StopRuleEngine engine(rules, expected);
        for (size_t i = 0; i < reply.size(); ++i) {
            engine.Feed(static_cast<unsigned char>(reply[i]));
            const StopRule want = ReferenceStopRule(rules, std::string_view(reply).substr(0, i + 1),
                                                    expected);
            ASSERT_EQ(engine.Check(), want) << "round " << round << " byte " << i;
        }
        ++outcomes[static_cast<int>(engine.Check())];
    }
    // The generator must reach every rule, and no rule, to mean anything.
    for (int rule = 0; rule < 7; ++rule) EXPECT_GE(outcomes[rule], 20) << "rule " << rule;
}

}  // namespace
}  // namespace qmx2::common
