// The AT command transaction against a scripted card on the virtual clock: line set-up, the
// stop rules of each operation as the card's bytes arrive, the time-out arithmetic of both clock
// rules, the failure texts, and a card that misbehaves.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>

#include "common/at_transaction.h"
#include "platform/clock.h"
#include "platform/device_file.h"
#include "platform/devices.h"
#include "tests/common/scripted_card.h"
#include "tests/common/stop_rules_reference.h"

namespace qmx2::common {
namespace {

using namespace qmx2::platform;
using testing::ScriptedCard;

class AtTransactionTest : public ::testing::Test {
protected:
    AtTransactionTest() : clock_(MakeVirtualClock()), card_(*clock_) {
        devices_.Register(u"COM3:", &card_);
        manager_.SetPortName(u"COM3:");
        commander_.SetPortName(u"COM3:");
    }

    // Moves the wall clock, which starts at 12:00:00, on to 12:mm:ss and measures from there.
    void StartAt(int minute, int second) {
        clock_->Advance(static_cast<uint32_t>((minute * 60 + second) * 1000));
        mark_ = clock_->TickMs();
    }
    uint64_t Elapsed() const { return clock_->TickMs() - mark_; }
    // A transaction with time-out n that gets no final result lasts a little over n seconds.
    void ExpectTimedOutAfter(int seconds) {
        EXPECT_GT(Elapsed(), seconds * 1000u);
        EXPECT_LE(Elapsed(), seconds * 1000u + 1500u);
    }
    void ExpectPortClosed() {
        EXPECT_FALSE(card_.held());
        EXPECT_EQ(card_.opens, card_.closes);
    }

    std::unique_ptr<VirtualClock> clock_;
    uint64_t mark_ = 0;
    Devices devices_;
    ScriptedCard card_;
    AtChannel manager_{devices_, *clock_, AtProgram::kManager};
    AtChannel commander_{devices_, *clock_, AtProgram::kCommander};
};

TEST_F(AtTransactionTest, SetsTheLineOnTopOfThePortsSettingsAndWritesCommandThenLoneCr) {
    card_.state.BaudRate = 9600;
    card_.state.ByteSize = 7;
    card_.state.Parity = EVENPARITY;
    card_.state.StopBits = TWOSTOPBITS;
    card_.state.fParity = 1;
    card_.state.fDtrControl = DTR_CONTROL_ENABLE;
    card_.state.fOutxCtsFlow = 1;
    card_.state.fRtsControl = RTS_CONTROL_HANDSHAKE;
    card_.state.XonChar = 0x11;
    card_.Answer("AT+CPMS?", "AT+CPMS?\r\r\n+CPMS: \"SM\",3,20\r\n\r\nOK\r\n");

    const char* reply = SendAtCommand(manager_, "AT+CPMS?", "+CPMS", 1);

    EXPECT_STREQ(reply, "AT+CPMS?\r\r\n+CPMS: \"SM\",3,20\r\n\r\nOK\r\n");
    EXPECT_EQ(reply, manager_.command_reply);
    EXPECT_EQ(manager_.last_rule, StopRule::kOk);
    EXPECT_EQ(card_.open_access, GENERIC_READ | GENERIC_WRITE);
    EXPECT_EQ(card_.open_share, 0u);
    EXPECT_EQ(card_.state.BaudRate, 19200u);
    EXPECT_EQ(card_.state.ByteSize, 8);
    EXPECT_EQ(card_.state.Parity, NOPARITY);
    EXPECT_EQ(card_.state.StopBits, ONESTOPBIT);
    EXPECT_EQ(card_.state.fParity, 0u);
    EXPECT_EQ(card_.state.fDtrControl, DTR_CONTROL_DISABLE);
    EXPECT_EQ(card_.state.fOutxCtsFlow, 1u);  // flow control stays as the port had it
    EXPECT_EQ(card_.state.fRtsControl, RTS_CONTROL_HANDSHAKE);
    EXPECT_EQ(card_.state.XonChar, 0x11);
    EXPECT_EQ(card_.event_mask, EV_RXCHAR);
    EXPECT_EQ(card_.timeouts.ReadIntervalTimeout, 0u);
    EXPECT_EQ(card_.timeouts.ReadTotalTimeoutMultiplier, 500u);
    EXPECT_EQ(card_.timeouts.ReadTotalTimeoutConstant, 0u);
    EXPECT_EQ(card_.timeouts.WriteTotalTimeoutMultiplier, 7u);  // write time-outs untouched
    EXPECT_EQ(card_.timeouts.WriteTotalTimeoutConstant, 700u);
    EXPECT_EQ(card_.writes, (std::vector<std::string>{"AT+CPMS?", "\r"}));
    EXPECT_EQ(Elapsed(), 0u);
    ExpectPortClosed();
}

TEST_F(AtTransactionTest, RawWritesExactlyItsBytesAndNoCr) {
    const char text[] = "Hi\0there\x1A";  // a NUL inside the data is written too
    card_.Answer(std::string(text, sizeof text - 1), "\r\n+CMGS: 12\r\n\r\nOK\r\n");
    const char* reply = SendAtRaw(manager_, text, sizeof text - 1, "\r\nOK\r\n", 50);
    EXPECT_STREQ(reply, "\r\n+CMGS: 12\r\n\r\nOK\r\n");
    EXPECT_EQ(reply, manager_.raw_reply);
    EXPECT_EQ(card_.writes, (std::vector<std::string>{std::string(text, sizeof text - 1)}));
    ExpectPortClosed();
}

TEST_F(AtTransactionTest, TextInsideACommandCannotEndItAndRunASecondOne) {
    const std::string injected = "AT+CPBW=1,\"12\",129,\"Bob\rAT+CMGD=1\n\x1A\x1B\"";
    card_.Answer("AT+CPBW=1,\"12\",129,\"BobAT+CMGD=1\"", "AT+CPBW\r\r\nOK\r\n");
    EXPECT_STREQ(SendAtCommand(manager_, injected, "+CPBW", 10), "AT+CPBW\r\r\nOK\r\n");
    EXPECT_EQ(card_.writes, (std::vector<std::string>{"AT+CPBW=1,\"12\",129,\"Bob", "AT+CMGD=1",
                                                      "\"", "\r"}));

    // In message text line breaks stay; Ctrl-Z and ESC only end it as its last byte.
    card_.writes.clear();
    const std::string text = "Hi\x1A\x1B\r\nAT+CMGD=1\x1A";
    SendAtRaw(manager_, text.data(), text.size(), "\r\nOK\r\n", 1);
    EXPECT_EQ(card_.writes, (std::vector<std::string>{"Hi", "\r\nAT+CMGD=1\x1A"}));
    card_.writes.clear();
    SendAtRaw(manager_, "\x1B", 1, "\r\nOK\r\n", 1);  // ESC alone cancels a prompt
    EXPECT_EQ(card_.writes, (std::vector<std::string>{"\x1B"}));
}

TEST_F(AtTransactionTest, OkWithoutTheExpectedTextRunsIntoTheTimeout) {
    card_.Answer("ATE1", "ATE1\r\r\nOK\r\n");
    const char* reply = SendAtCommand(manager_, "ATE1", "+CPMS", 2);
    EXPECT_STREQ(reply, "ATE1\r\r\nOK\r\nComm failure(timeout)");
    EXPECT_TRUE(IsCommFailure(reply));
    ExpectTimedOutAfter(2);
    ExpectPortClosed();
}

TEST_F(AtTransactionTest, EmptySlotEndsAsSoonAsCmsErrorArrives) {
    card_.Answer("AT+CMGR=7", "AT+CMGR=7\r\r\n+CMS ERROR: 321\r\n", 20, 10);
    const char* reply = SendAtCommand(manager_, "AT+CMGR=7", "+CMGR", 5);
    EXPECT_STREQ(reply, "AT+CMGR=7\r\r\n+CMS ERROR:");
    EXPECT_EQ(manager_.last_rule, StopRule::kCmsErrorOnRead);
    EXPECT_LT(Elapsed(), 500u);
    ExpectPortClosed();
}

TEST_F(AtTransactionTest, CmsErrorOnReadDoesNotEndTheOtherOperations) {
    card_.Answer("AT+CMGR=7", "AT+CMGR=7\r\r\n+CMS ERROR: 321\r\n");
    EXPECT_STREQ(SendAtLine(manager_, "AT+CMGR=7", "+CMGR", 3),
                 "AT+CMGR=7\r\r\n+CMS ERROR: 321\r\nComm failure(timeout)");
    ExpectTimedOutAfter(3);
    card_.Answer("AT+CMGR=8", "AT+CMGR=8\r\r\n+CMS ERROR: 321\r\n");
    EXPECT_STREQ(SendAtCommand(commander_, "AT+CMGR=8", "+CMGR", 2),
                 "AT+CMGR=8\r\r\n+CMS ERROR: 321\r\nComm failure(timeout)");
}

TEST_F(AtTransactionTest, MessageTextAnsweredByCmsErrorEndsOnlyAfterFiftySeconds) {
    card_.Answer("Hello\x1A", "Hello\x1A\r\n+CMS ERROR: 500\r\n", 300);
    const char* reply = SendAtRaw(manager_, "Hello\x1A", 6, "\r\nOK\r\n", 50);
    EXPECT_STREQ(reply, "Hello\x1A\r\n+CMS ERROR: 500\r\nComm failure(timeout)");
    ExpectTimedOutAfter(50);
}

TEST_F(AtTransactionTest, ListingEndsBeforeItsLastLineFeedWhichStartsTheNextReply) {
    const std::string listing = "AT+CMGL=\"REC UNREAD\"\r\r\n+CMGL: 1,\"REC UNREAD\",\"+4412\",,"
                                "\"01/05/25,14:30:15+08\"\r\nHello\r\n\r\nOK\r\n";
    card_.Answer("AT+CMGL=\"REC UNREAD\"", listing, 0, 5);
    const char* reply = SendAtCommand(manager_, "AT+CMGL=\"REC UNREAD\"", "+CMGL", 10);
    EXPECT_EQ(std::string(reply), listing.substr(0, listing.size() - 1));
    EXPECT_EQ(manager_.last_rule, StopRule::kListingOk);

    card_.Answer("AT", "AT\r\r\nOK\r\n", 100);
    EXPECT_STREQ(SendAtCommand(manager_, "AT", "OK", 1), "\nAT\r\r\nOK\r\n");
}

TEST_F(AtTransactionTest, PromptEndsCommandAndLineButRawOnlyWithSubmitInTheReply) {
    card_.Answer("AT+XPROMPT", "AT+XPROMPT\r\r\n> ");
    EXPECT_STREQ(SendAtCommand(manager_, "AT+XPROMPT", ">", 10), "AT+XPROMPT\r\r\n>");
    EXPECT_EQ(manager_.last_rule, StopRule::kPrompt);
    card_.Answer("AT+XPROMPT", "AT+XPROMPT\r\r\n> ");
    // The space after the last prompt was still waiting in the port.
    EXPECT_STREQ(SendAtLine(manager_, "AT+XPROMPT", ">", 10), " AT+XPROMPT\r\r\n>");

    card_.Answer("AT+XPROMPT", "AT+XPROMPT\r\r\n> ");
    EXPECT_STREQ(SendAtRaw(manager_, "AT+XPROMPT\r", 11, ">", 4),
                 " AT+XPROMPT\r\r\n> Comm failure(timeout)");
    ExpectTimedOutAfter(4);
    card_.Answer("AT+XPROMPT", "AT+XPROMPT\r\r\n> ");
    EXPECT_STREQ(SendAtCommand(commander_, "AT+XPROMPT", ">", 2),
                 "AT+XPROMPT\r\r\n> Comm failure(timeout)");
}

TEST_F(AtTransactionTest, SubmittingAMessageTakesThePromptThenTheText) {
    card_.Answer("AT+CMGS=\"+4412345\",145", "AT+CMGS=\"+4412345\",145\r\r\n> ", 50, 2);
    EXPECT_STREQ(SendAtLine(manager_, "AT+CMGS=\"+4412345\",145", "+CMGS", 10),
                 "AT+CMGS=\"+4412345\",145\r\r\n>");
    card_.Answer("Hello\x1A", "Hello\x1A\r\n+CMGS: 5\r\n\r\nOK\r\n", 2000, 2);
    const char* text = SendAtRaw(manager_, "Hello\x1A", 6, "\r\nOK\r\n", 50);
    EXPECT_STREQ(text, " Hello\x1A\r\n+CMGS: 5\r\n\r\nOK\r\n");
    // The prompt reply of the other operation stays valid.
    EXPECT_STREQ(manager_.line_reply, "AT+CMGS=\"+4412345\",145\r\r\n>");

    card_.Answer("AT+CMGW=\"+4412345\",145", "AT+CMGW=\"+4412345\",145\r\r\n> ");
    EXPECT_STREQ(SendAtCommand(commander_, "AT+CMGW=\"+4412345\",145", ">", 10),
                 "AT+CMGW=\"+4412345\",145\r\r\n>");
}

TEST_F(AtTransactionTest, DialEndsOnCarrierErrorOrOkButNoCarrierTimesOut) {
    card_.Answer("ATDT*99#", "ATDT*99#\r\r\nCARRIER\r\n");
    SendAtCommand(manager_, "ATDT*99#", "ATDT", 10);
    EXPECT_EQ(manager_.last_rule, StopRule::kCarrier);
    card_.Answer("ATDT1", "ATDT1\r\r\nERROR\r\n");
    SendAtCommand(manager_, "ATDT1", "ATDT", 10);
    EXPECT_EQ(manager_.last_rule, StopRule::kError);
    card_.Answer("ATDT2", "ATDT2\r\r\nOK\r\n");
    SendAtCommand(manager_, "ATDT2", "ATDT", 10);
    EXPECT_EQ(manager_.last_rule, StopRule::kOk);
    EXPECT_EQ(Elapsed(), 0u);

    card_.Answer("ATDT3", "ATDT3\r\r\nNO CARRIER\r\n");
    EXPECT_STREQ(SendAtCommand(manager_, "ATDT3", "ATDT", 10),
                 "ATDT3\r\r\nNO CARRIER\r\nComm failure(timeout)");
    ExpectTimedOutAfter(10);
}

// A channel that stops after a time-out: the first silent wait ends every later transaction at
// once, without touching the port; one that does not goes on waiting each time.
TEST_F(AtTransactionTest, AfterATimeOutAStoppingChannelFailsAtOnce) {
    manager_.stop_after_timeout = true;
    // A reply that came but missed its time-out is no silent card.
    card_.Answer("ATE1", "ATE1\r\r\nOK\r\n");
    EXPECT_STREQ(SendAtCommand(manager_, "ATE1", "+CPMS", 1), "ATE1\r\r\nOK\r\nComm failure(timeout)");
    EXPECT_FALSE(manager_.timed_out);
    mark_ = clock_->TickMs();
    EXPECT_STREQ(SendAtCommand(manager_, "AT+CPMS?", "+CPMS", 5), "Comm failure(timeout)");
    ExpectTimedOutAfter(5);
    mark_ = clock_->TickMs();
    const std::size_t writes = card_.writes.size();
    card_.Answer("AT", "AT\r\r\nOK\r\n");
    EXPECT_STREQ(SendAtCommand(manager_, "AT", "OK", 20), "Comm failure(timeout)");
    EXPECT_STREQ(SendAtRaw(manager_, "x\x1A", 2, "OK", 50), "Comm failure(timeout)");
    EXPECT_EQ(Elapsed(), 0u);
    EXPECT_EQ(card_.writes.size(), writes);
    EXPECT_STREQ(SendAtCommand(commander_, "AT", "OK", 1), "AT\r\r\nOK\r\n");  // its own channel
}

TEST_F(AtTransactionTest, HeldOrAbsentPortFailsAtOnceWithoutWriting) {
    DeviceFile holder;
    ASSERT_TRUE(holder.Open(devices_, u"COM3:", GENERIC_READ | GENERIC_WRITE, 0));
    EXPECT_STREQ(SendAtCommand(manager_, "AT", "OK", 10), "Comm failure(opencomm)");
    EXPECT_STREQ(SendAtLine(manager_, "AT", "OK", 10), "Comm failure(opencomm)");
    EXPECT_STREQ(SendAtRaw(manager_, "x\x1A", 2, "OK", 10), "Comm failure(opencomm)");
    EXPECT_STREQ(SendAtCommand(commander_, "AT", "OK", 10), "Comm failure(opencomm)");
    EXPECT_TRUE(card_.writes.empty());
    EXPECT_EQ(Elapsed(), 0u);
    EXPECT_TRUE(card_.held());  // the holder keeps its port
    holder.Close();

    // An open without access (power control) does not stand in the way.
    DeviceFile control;
    ASSERT_TRUE(control.Open(devices_, u"COM3:", 0, 0));
    card_.Answer("AT", "AT\r\r\nOK\r\n");
    EXPECT_STREQ(SendAtCommand(manager_, "AT", "OK", 1), "AT\r\r\nOK\r\n");

    AtChannel lost(devices_, *clock_);
    lost.SetPortName(u"COM9:");
    EXPECT_STREQ(SendAtCommand(lost, "AT", "OK", 1), "Comm failure(opencomm)");
    AtChannel unnamed(devices_, *clock_);
    EXPECT_STREQ(SendAtCommand(unnamed, "AT", "OK", 1), "Comm failure(opencomm)");
}

TEST_F(AtTransactionTest, CommStateFailuresAreTheWholeReplyAndCloseThePort) {
    card_.fail_get_state = true;
    EXPECT_STREQ(SendAtCommand(manager_, "AT", "OK", 1), "Comm failure(getcommstate)");
    ExpectPortClosed();
    card_.fail_get_state = false;
    card_.fail_set_state = true;
    EXPECT_STREQ(SendAtLine(manager_, "AT", "OK", 1), "Comm failure(setcommstate)");
    ExpectPortClosed();
    EXPECT_TRUE(card_.writes.empty());
    EXPECT_TRUE(IsCommFailure(manager_.line_reply));
}

TEST_F(AtTransactionTest, FailedReadKeepsThePartialReplyInFrontOfTheFailure) {
    card_.fail_read_after = 5;
    card_.Answer("AT+CSQ", "AT+CSQ\r\r\n+CSQ: 14,99\r\n\r\nOK\r\n");
    EXPECT_STREQ(SendAtCommand(manager_, "AT+CSQ", "+CSQ", 2), "AT+CSComm failure(timeout)");
    EXPECT_EQ(Elapsed(), 0u);
    ExpectPortClosed();
}

TEST_F(AtTransactionTest, FailedWriteIsOnlySeenAsATimeout) {
    card_.fail_writes = true;
    EXPECT_STREQ(SendAtCommand(manager_, "AT+COPS?", "+COPS", 10), "Comm failure(timeout)");
    ExpectTimedOutAfter(10);
    EXPECT_EQ(card_.writes, std::vector<std::string>{"AT+COPS?"});  // no terminator after it
    ExpectPortClosed();
}

TEST_F(AtTransactionTest, CardThatKeepsTalkingIsNotTimedOut) {
    card_.Answer("AT+COPS=?", "AT+COPS=?\r\r\n" + std::string(40, '(') + "\r\n\r\nOK\r\n", 0, 400);
    const char* reply = SendAtCommand(manager_, "AT+COPS=?", "+COPS", 2);
    EXPECT_FALSE(IsCommFailure(reply));
    EXPECT_EQ(manager_.last_rule, StopRule::kOk);
    EXPECT_GT(Elapsed(), 20'000u);
}

TEST_F(AtTransactionTest, ReplyLongerThanTheAreaIsCutDrainedAndReportedAsFailure) {
    const std::string body = "AT+COPS=?\r\r\n+COPS: " + std::string(10'000, 'x');
    card_.Answer("AT+COPS=?", body + "\r\n\r\nOK\r\n");
    const char* reply = SendAtCommand(manager_, "AT+COPS=?", "+COPS", 60);
    EXPECT_TRUE(manager_.last_overflowed);
    EXPECT_EQ(manager_.last_rule, StopRule::kOk);  // the end was still recognised
    ASSERT_EQ(std::strlen(reply), kMaxReplyText + std::strlen(kFailTimeout));
    EXPECT_EQ(std::string(reply, kMaxReplyText), body.substr(0, kMaxReplyText));
    EXPECT_TRUE(IsCommFailure(reply));
    EXPECT_EQ(Elapsed(), 0u);

    // Nothing of the long reply is left for the next command.
    card_.Answer("AT", "AT\r\r\nOK\r\n");
    EXPECT_STREQ(SendAtCommand(manager_, "AT", "OK", 1), "AT\r\r\nOK\r\n");
    EXPECT_FALSE(manager_.last_overflowed);
}

TEST_F(AtTransactionTest, CardThatNeverStopsTalkingStillEndsOnceTheAreaIsFull) {
    // A byte every millisecond for 30 s: never a silent read, so only the full area lets the
    // clock be seen.
    card_.Later(std::string(30'000, 'x'), 0, 1);
    const char* reply = SendAtCommand(manager_, "AT+CSQ", "+CSQ", 10);
    EXPECT_EQ(std::strlen(reply), kMaxReplyText + std::strlen(kFailTimeout));
    EXPECT_TRUE(IsCommFailure(reply));
    EXPECT_TRUE(manager_.last_overflowed);
    ExpectTimedOutAfter(10);
    ExpectPortClosed();
}

TEST_F(AtTransactionTest, NulBytesFromTheCardAreLeftOutOfTheReply) {
    card_.Answer("AT", std::string("\0AT\r\r\nO\0K\r\0\n", 13));
    EXPECT_STREQ(SendAtCommand(manager_, "AT", "OK", 1), "AT\r\r\nOK\r\n");
    EXPECT_EQ(manager_.last_rule, StopRule::kOk);
}

TEST_F(AtTransactionTest, GarbageFromTheCardNeverBreaksTheReply) {
    std::mt19937 rng(7);
    std::string garbage(30'000, '\0');
    for (char& c : garbage) c = static_cast<char>(rng() % 256);
    card_.Later(garbage, 0, 1);
    const char* reply = SendAtCommand(manager_, "AT", "\xFF\xFE\xFD\xFC", 2);
    const size_t n = std::strlen(reply);
    EXPECT_LT(n, kReplyAreaSize);
    EXPECT_TRUE(IsCommFailure(reply) || manager_.last_rule != StopRule::kNone);
    ExpectPortClosed();
}

// Random replies arriving at random moments, some after pauses longer than a read: every
// operation must end exactly where the whole-reply search first holds, or after the whole reply
// with the time-out failure.
TEST_F(AtTransactionTest, EndsWhereTheWholeReplySearchFirstHolds) {
    testing::RandomReplies random(42);
    const AtFlavour* flavours[] = {&kManagerCommandFlavour, &kManagerLineFlavour,
                                   &kManagerRawFlavour, &kCommanderCommandFlavour};
    const char* expecteds[] = {"OK", "+CPMS", "\r\nOK\r\n", "CM", ">"};
    int timed_out = 0;
    for (int round = 0; round < 300; ++round) {
        const AtFlavour& flavour = *flavours[random.Pick(4)];
        const std::string_view expected = expecteds[random.Pick(std::size(expecteds))];
        std::string sent, stored;
        uint32_t at = 0;
        for (size_t piece = 4 + random.Pick(28); piece-- > 0;) {
            const std::string bytes = random.Piece();
            card_.Later(bytes, at, static_cast<uint32_t>(random.Pick(30)));
            const size_t pause = random.Pick(5) == 0 ? 500 + random.Pick(700) : random.Pick(40);
            at += static_cast<uint32_t>(pause);
            sent += bytes;
        }
        std::string want;
        for (char c : sent) {
            if (c == '\0') continue;
            want.push_back(c);
            if (testing::ReferenceStopRule(flavour.rules, want, expected) != StopRule::kNone) break;
        }
        if (testing::ReferenceStopRule(flavour.rules, want, expected) == StopRule::kNone) {
            want += kFailTimeout;
            ++timed_out;
        }

        StartAt(0, 0);
        char area[kReplyAreaSize];
        const std::string got = RunAtTransaction(manager_, flavour, area, "AT", 2, expected, 45);
        ASSERT_EQ(got, want) << "round " << round;
        card_.Discard();  // what came after the end would start the next reply
    }
    EXPECT_GT(timed_out, 50);
    EXPECT_LT(timed_out, 200);
}

TEST_F(AtTransactionTest, PortNameIsBoundedTo129Characters) {
    AtChannel channel(devices_, *clock_);
    channel.SetPortName(std::u16string(300, u'C'));
    EXPECT_EQ(channel.port_name.size(), kMaxPortNameChars);
}

// Time-outs on both clock rules, starting where the minute or the hour turns over.
TEST_F(AtTransactionTest, WholeSecondsLetAMinuteLongTimeoutRunItsMinute) {
    StartAt(0, 30);
    EXPECT_STREQ(SendAtCommand(manager_, "AT+COPS=?", "+COPS", 60), "Comm failure(timeout)");
    ExpectTimedOutAfter(60);
}

TEST_F(AtTransactionTest, WholeSecondsCountAcrossTheHour) {
    StartAt(59, 45);
    SendAtCommand(manager_, "AT+COPS=0", "OK", 30);
    ExpectTimedOutAfter(30);
}

TEST_F(AtTransactionTest, SecondFieldsCountAcrossTheMinuteForEveryOtherOperation) {
    StartAt(0, 50);
    SendAtLine(manager_, "AT+CMGS=\"1\",129", "+CMGS", 20);
    ExpectTimedOutAfter(20);
    StartAt(0, 0);  // on from where the last one ended
    SendAtRaw(manager_, "x\x1A", 2, "\r\nOK\r\n", 50);
    ExpectTimedOutAfter(50);
    StartAt(0, 0);
    SendAtCommand(commander_, "AT+CPIN?", "+CPIN", 5);
    ExpectTimedOutAfter(5);
}

TEST_F(AtTransactionTest, SecondFieldTimeoutOfAMinuteIsCutSoItStillEnds) {
    // Elapsed second fields never exceed 59: a 60 s time-out would never expire.
    StartAt(0, 50);
    SendAtLine(manager_, "AT+COPS=?", "+COPS", 60);
    ExpectTimedOutAfter(58);
    EXPECT_EQ(EffectiveTimeout(ClockRule::kSecondField, 60), 58);
    EXPECT_EQ(EffectiveTimeout(ClockRule::kSecondField, 50), 50);
    EXPECT_EQ(EffectiveTimeout(ClockRule::kWholeSeconds, 60), 60);
}

// A card that talks for 65 s hides the clock; when it falls silent, whole seconds see 65 s
// gone at once, second fields see only 5 s and wait on for the time-out.
TEST_F(AtTransactionTest, EachOperationCountsByItsOwnClockRule) {
    struct Op {
        const char* name;
        std::function<void()> send;
        uint64_t min_ms, max_ms;
    };
    const Op ops[] = {
        {"command", [&] { SendAtCommand(manager_, "AT", "+CSQ", 30); }, 65'000, 67'000},
        {"line", [&] { SendAtLine(manager_, "AT", "+CSQ", 30); }, 90'000, 92'500},
        {"raw", [&] { SendAtRaw(manager_, "AT\r", 3, "+CSQ", 30); }, 90'000, 92'500},
        {"commander", [&] { SendAtCommand(commander_, "AT", "+CSQ", 30); }, 90'000, 92'500},
    };
    for (const Op& op : ops) {
        SCOPED_TRACE(op.name);
        StartAt(0, 0);
        card_.Later(std::string(163, 'x'), 0, 400);
        op.send();
        EXPECT_GT(Elapsed(), op.min_ms);
        EXPECT_LT(Elapsed(), op.max_ms);
    }
}

TEST(ElapsedSeconds, BothRulesAcrossMinuteAndHour) {
    auto t = [](int h, int m, int s) { return WallTime{2026, 1, 5, h, m, s, 0, 1}; };
    using enum ClockRule;
    EXPECT_EQ(ElapsedSeconds(kWholeSeconds, t(12, 0, 50), t(12, 1, 10)), 20);
    EXPECT_EQ(ElapsedSeconds(kWholeSeconds, t(12, 59, 50), t(13, 0, 10)), 20);
    EXPECT_EQ(ElapsedSeconds(kWholeSeconds, t(12, 0, 30), t(12, 1, 31)), 61);
    EXPECT_EQ(ElapsedSeconds(kSecondField, t(12, 0, 50), t(12, 1, 10)), 20);
    EXPECT_EQ(ElapsedSeconds(kSecondField, t(12, 0, 10), t(12, 2, 15)), 5);  // minutes ignored
    EXPECT_EQ(ElapsedSeconds(kSecondField, t(12, 0, 30), t(12, 1, 30)), 0);
}

TEST(IsCommFailure, RecognisesEachFailureTextAtTheEnd) {
    EXPECT_TRUE(IsCommFailure("Comm failure(opencomm)"));
    EXPECT_TRUE(IsCommFailure("Comm failure(getcommstate)"));
    EXPECT_TRUE(IsCommFailure("Comm failure(setcommstate)"));
    EXPECT_TRUE(IsCommFailure("AT\r\r\nComm failure(timeout)"));
    EXPECT_FALSE(IsCommFailure("AT\r\r\nOK\r\n"));
    EXPECT_FALSE(IsCommFailure("Comm failure("));
}

}  // namespace
}  // namespace qmx2::common
