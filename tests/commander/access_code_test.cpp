// The card-state parser, the code texts, the free-port wait and the change-code dialog.
#include <gtest/gtest.h>

#include "commander/access_code.h"
#include "commander/card_init.h"
#include "commander/card_state.h"
#include "platform/clock.h"
#include "tests/commander/scripted_card.h"
#include "tests/commander/scripted_ui.h"

namespace qmx2::commander {
namespace {

using testing::CardReply;
using testing::ScriptedCard;
using testing::ScriptedUi;
using testing::W;

TEST(CardStateTest, WholeWordsAfterTheInformationResponse) {
    struct Row {
        std::string info;
        CardState state;
    } rows[] = {
        {"+CPIN: READY", CardState::kReady},
        {"+CPIN: SIM PIN", CardState::kSimPin},
        {"+CPIN: SIM PIN2", CardState::kSimPin2},
        {"+CPIN: SIM PUK", CardState::kSimPuk},
        {"+CPIN: SIM PUK2", CardState::kSimPuk2},
        {"+CPIN: PH-SIM PIN", CardState::kPhSimPin},
        {"+CPIN: PH-FSIM PIN", CardState::kPhFsimPin},
        {"+CPIN: PH-FSIM PUK", CardState::kPhFsimPuk},
        {"+CPIN: PH-NET PIN", CardState::kPhNetPin},
        {"+CPIN: PH-NET PUK", CardState::kPhNetPuk},
        {"+CPIN:READY", CardState::kReady},
        {"+CPIN: SIM PIN3", CardState::kUnexpected},
        {"+CPIN: XSIM PIN", CardState::kUnexpected},
        {"+CPIN: PH-CORP PIN", CardState::kUnexpected},
        {"+CPIN: READYX", CardState::kUnexpected},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(ParseCardState(CardReply("AT+CPIN?", row.info)), row.state) << row.info;
    }
}

TEST(CardStateTest, ErrorsAndFailures) {
    EXPECT_EQ(ParseCardState(CardReply("AT+CPIN?", "", "ERROR")), CardState::kError);
    EXPECT_EQ(ParseCardState("AT+CPIN?\r\r\n+CME ERROR: SIM PIN required\r\n"), CardState::kError);
    EXPECT_EQ(ParseCardState("AT+CPIN?\r\r\n+CME ERROR: 10\r\n"), CardState::kError);
    EXPECT_EQ(ParseCardState("Comm failure(opencomm)"), CardState::kUnexpected);
    // Wavecom: the state line without a final OK; a state line cut off counts for nothing.
    EXPECT_EQ(ParseCardState("AT+CPIN?\r\r\n+CPIN: READY\r\nComm failure(timeout)"),
              CardState::kReady);
    EXPECT_EQ(ParseCardState("AT+CPIN?\r\r\n+CPIN: SIM PIN\r\nComm failure(timeout)"),
              CardState::kSimPin);
    EXPECT_EQ(ParseCardState("AT+CPIN?\r\r\n+CPIN: READYComm failure(timeout)"),
              CardState::kUnexpected);
    EXPECT_EQ(ParseCardState(""), CardState::kUnexpected);
    EXPECT_EQ(ParseCardState("AT+CPIN?\r\r\nOK\r\n"), CardState::kUnexpected);
}

TEST(AccessCodeTest, DialogTextsOfEveryKind) {
    EXPECT_EQ(kCodeDialogDefaultCaption, "Enter Access Code");
    struct Row {
        CodeKind kind;
        int number;
        const char* caption;
        const char* prompt;
        int limit;
    } rows[] = {
        {CodeKind::kSimPin, 1, "Enter SIM PIN", "Please enter SIM PIN:", 8},
        {CodeKind::kSecurityCode, 3, "Enter security code", "Please enter security code:", 6},
        {CodeKind::kPhFsimPin, 11, "Enter PH-FSIM PIN", "Please enter PH-FSIM PIN:", 0},
        {CodeKind::kPhFsimPuk, 13, "Enter PH-FSIM PUK", "Please enter PH-FSIM PUK:", 0},
        {CodeKind::kSimPin2, 21, "Enter SIM PIN2", "Please enter SIM PIN2:", 0},
        {CodeKind::kPhNetPin, 31, "Enter PH-NET PIN", "Please enter PH-NET PIN:", 0},
        {CodeKind::kPhNetPuk, 33, "Enter PH-NET PUK", "Please enter PH-NET PUK:", 0},
    };
    for (const Row& row : rows) {
        const CodeDialogText& t = CodeDialogTextFor(row.kind);
        EXPECT_EQ(static_cast<int>(row.kind), row.number);
        EXPECT_EQ(t.caption, row.caption);
        EXPECT_EQ(t.prompt, row.prompt);
        EXPECT_EQ(t.edit_limit, row.limit);
    }
}

TEST(AccessCodeTest, TakeCodeKeepsLowBytesAndAtMostNine) {
    EXPECT_EQ(TakeCode(W("1234567890123")), "123456789");
    EXPECT_EQ(TakeCode(W("12345678"), 6), "123456");
    EXPECT_EQ(TakeCode(platform::WideString{u'\u0131', u'2'}), std::string("\x31" "2"));
    EXPECT_EQ(TakeCode(W("")), "");
}

TEST(AccessCodeTest, OnlyPlainPrintableCodesAreSendable) {
    EXPECT_TRUE(IsSendableCode("1234"));
    EXPECT_TRUE(IsSendableCode(""));
    EXPECT_TRUE(IsSendableCode("ab cd#*+"));
    for (const char* bad : {"1\"", "1\r", "1\n", "1\x1A", "1\x1B", "1;", "1\\", "1\x7F", "1\xE9"})
        EXPECT_FALSE(IsSendableCode(bad)) << static_cast<int>(bad[1]);
}

class FakePort : public PortProbe {
public:
    explicit FakePort(int busy_tries) : busy_(busy_tries) {}
    bool TryOpen() override {
        ++tries;
        return --busy_ < 0;
    }
    int tries = 0;

private:
    int busy_;
};

struct SessionFixture : ::testing::Test {
    std::unique_ptr<platform::VirtualClock> clock = platform::MakeVirtualClock();
    ScriptedCard card;
    ScriptedUi ui;
    CardSession session{*clock, ui, card};
};

using FreePortTest = SessionFixture;

TEST_F(FreePortTest, FreePortIsTakenAtOnce) {
    FakePort port(0);
    EXPECT_TRUE(WaitForFreePort(session, port));
    EXPECT_EQ(port.tries, 1);
    EXPECT_EQ(clock->TickMs(), 0u);
}

TEST_F(FreePortTest, AsksAfterElevenWaitsAndRetryStartsAgain) {
    FakePort port(20);
    ui.message_answers = {MessageAnswer::kRetry};
    const uint64_t start = clock->TickMs();
    EXPECT_TRUE(WaitForFreePort(session, port));
    EXPECT_EQ(clock->TickMs() - start, 20000u);
    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text,
              "The communication port is opend by other application, cannot initialize pellion.");
    EXPECT_EQ(ui.shown[0].caption, "QMX2 commander");
    EXPECT_EQ(ui.shown[0].buttons, MessageButtons::kRetryCancel);
    EXPECT_TRUE(ui.shown[0].foreground);
    EXPECT_TRUE(ui.wait_cursor);
}

TEST_F(FreePortTest, CancelTriesOnceMore) {
    FakePort still_busy(100);
    EXPECT_FALSE(WaitForFreePort(session, still_busy));
    EXPECT_EQ(still_busy.tries, 13);
    EXPECT_EQ(clock->TickMs(), 11000u);

    FakePort freed(12);
    EXPECT_TRUE(WaitForFreePort(session, freed));
    EXPECT_EQ(freed.tries, 13);
}

using ChangeCodeTest = SessionFixture;

const char* kClckSc = "AT+CLCK=\"SC\",2";

TEST_F(ChangeCodeTest, ChangesThePinWhenTheRequestIsOn) {
    card.On(kClckSc, {CardReply(kClckSc, "+CLCK: 1")});
    ui.changes.push_back(ChangeCodeFields{ChangeCodeChoice::kPin, W("1234"), W("5678"), W("5678")});
    ChangeAccessCode(session);
    EXPECT_EQ(card.sent, (std::vector<std::string>{kClckSc, "AT+CPWD=\"SC\",\"1234\",\"5678\""}));
    EXPECT_EQ(card.expectations, (std::vector<std::string>{"+CLCK/10", "+CPWD/10"}));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.log, std::vector<std::string>{"change"});
}

TEST_F(ChangeCodeTest, Pin2IsRefusedWhileThePinRequestIsOff) {
    card.On(kClckSc, {CardReply(kClckSc, "+CLCK: 0")});
    ui.changes.push_back(ChangeCodeFields{ChangeCodeChoice::kPin2, W("1234"), W("5678"), W("5678")});
    ChangeAccessCode(session);
    EXPECT_EQ(ui.messages, std::vector<std::string>{
                               "You must set the PIN code request to on before changing the PIN code!"});
    EXPECT_EQ(card.Count("AT+CPWD=\"P2\",\"1234\",\"5678\""), 0);
    EXPECT_EQ(ui.log.size(), 2u);  // the dialog closed
}

TEST_F(ChangeCodeTest, SecurityCodeNeedsNoPinRequest) {
    ui.changes.push_back(ChangeCodeFields{ChangeCodeChoice::kSecurityCode, W("0000"), W("9999"), W("9999")});
    ChangeAccessCode(session);
    EXPECT_EQ(card.sent, std::vector<std::string>{"AT+CPWD=\"PS\",\"0000\",\"9999\""});
}

TEST_F(ChangeCodeTest, MismatchAndWrongOldCodeKeepTheDialogOpen) {
    card.On(kClckSc, {CardReply(kClckSc, "+CLCK: 1")});
    card.On("AT+CPWD=\"SC\",\"1111\",\"5678\"", {CardReply("AT+CPWD", "", "+CME ERROR: 16")});
    ui.changes.push_back(ChangeCodeFields{ChangeCodeChoice::kPin, W("1111"), W("5678"), W("5679")});
    ui.changes.push_back(ChangeCodeFields{ChangeCodeChoice::kPin, W("1111"), W("5678"), W("5678")});
    ui.changes.push_back(ChangeCodeFields{ChangeCodeChoice::kPin, W("1\"2"), W("5678"), W("5678")});
    ui.changes.push_back(std::nullopt);
    ChangeAccessCode(session);
    EXPECT_EQ(ui.messages, (std::vector<std::string>{
                               "PIN not matched.", "Cannot change code! Please check your old code.",
                               "Cannot change code! Please check your old code."}));
    EXPECT_EQ(ui.shown[0].owner, MessageOwner::kNone);
    EXPECT_EQ(ui.shown[1].owner, MessageOwner::kDialog);
    EXPECT_EQ(card.Count("AT+CPWD=\"SC\",\"1111\",\"5678\""), 1);
    EXPECT_EQ(card.sent.size(), 3u);  // the quoted old code never went out
}

// The echo of a refused command holds "OK" when the old code is "OK": only the final result
// line counts.
TEST_F(ChangeCodeTest, AnOldCodeHoldingOkThatTheCardRefusesKeepsTheDialogOpen) {
    const char* command = "AT+CPWD=\"PS\",\"OK\",\"5678\"";
    card.On(command, {CardReply(command, "", "+CME ERROR: 16")});
    ui.changes.push_back(ChangeCodeFields{ChangeCodeChoice::kSecurityCode, W("OK"), W("5678"), W("5678")});
    ui.changes.push_back(std::nullopt);
    ChangeAccessCode(session);
    EXPECT_EQ(ui.messages, std::vector<std::string>{"Cannot change code! Please check your old code."});
}

TEST_F(ChangeCodeTest, CancelChangesNothing) {
    ChangeAccessCode(session);
    EXPECT_TRUE(card.sent.empty());
    EXPECT_TRUE(ui.messages.empty());
}

}  // namespace
}  // namespace qmx2::commander
