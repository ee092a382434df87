// Program start, the start-up sequence and its failures, on the card double and virtual clock.
#include "manager/core/main_window.h"

#include <gtest/gtest.h>

#include "manager/core/polling.h"
#include "manager/core/startup_sequence.h"
#include "tests/manager/manager_harness.h"

namespace qmx2::manager {
namespace {

using testing::Harness;

const std::string kCap = "Orvan Pellion 2.0|";

TEST(StartManager, FullStartUpRunsTheSequenceAndResumesPolling) {
    Harness h;
    h.RegisterCard();
    ASSERT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kRunning);
    const auto cmds = h.card.Commands();
    const std::vector<std::string> expected = {
        "ATE1",          "AT+CPMS=\"SM\",\"SM\",\"SM\"", "AT+CPBS=\"SM\"", "AT+CPBR=?",
        "AT+CPBS=\"ME\"", "AT+CPBR=?",                   "AT+COPS?",       "AT+CSQ",
        "AT+CSCA=\"\""};
    EXPECT_EQ(cmds, expected);
    EXPECT_EQ(h.ctx->sim_message_slots, 30);
    EXPECT_EQ(h.ctx->messages.size(), 330);
    EXPECT_EQ(h.ctx->books.sim.size(), 250);
    EXPECT_EQ(h.ctx->books.sim.number_width, 30);  // the card's 40 capped to the entry
    EXPECT_EQ(h.ctx->books.sim.name_width, 14);
    EXPECT_EQ(h.ctx->books.card.size(), 100);
    EXPECT_EQ(h.ctx->books.pda.size(), 100);
    EXPECT_EQ(h.ctx->monitor.info_line1, "Receiving up to 9.6 kbit/s");
    EXPECT_EQ(h.ctx->monitor.info_line2, "Sending up to 9.6 kbit/s");
    EXPECT_EQ(h.ctx->monitor.signal_level, 2);
    EXPECT_FALSE(h.ctx->monitor.operator_line.empty());
    EXPECT_EQ(h.ctx->worker_state.load(), kStatePolling);
    EXPECT_TRUE(h.ui.icon);
    EXPECT_TRUE(h.ui.main_visible);
    EXPECT_FALSE(h.ui.wait_cursor);
    EXPECT_EQ(h.ui.notes, 1);  // key missing: the note is shown
    EXPECT_EQ(h.registry.Text(u"Software\\Orvan\\QMX2", u"StartUpFlag"), "On");
    EXPECT_TRUE(h.ui.Shown().empty());
}

TEST(StartManager, MissingCardCommanderOrPowerEndWithTheirMessages) {
    {
        Harness h;
        EXPECT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kEnded);
        EXPECT_EQ(h.ui.Shown(), std::vector<std::string>{kCap + "No Pellion inserted!"});
    }
    {
        Harness h;
        h.RegisterCard(u"Other_Maker-Modem");
        EXPECT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kEnded);
        EXPECT_EQ(h.ui.Shown(), std::vector<std::string>{kCap + "No Pellion inserted!"});
    }
    {
        Harness h;
        h.RegisterCard();
        h.peers.commander = false;
        EXPECT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kEnded);
        EXPECT_EQ(h.ui.Shown(),
                  std::vector<std::string>{
                      kCap +
                      "Orvan Pellion 2.0 Commander not found, either Pellion 2.0 is not available or "
                      "try to re-insert the device and start the program again!!"});
    }
    for (bool query_fails : {false, true}) {
        Harness h;
        h.RegisterCard();
        h.card.powered = false;
        h.card.power_query_fails = query_fails;
        EXPECT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kEnded);
        EXPECT_EQ(h.ui.Shown(),
                  std::vector<std::string>{kCap +
                                           "Orvan Pellion 2.0 not powered up,  please select Power "
                                           "Up in tray icon menu and start the monitor again."});
        EXPECT_TRUE(h.card.Commands().empty());
    }
}

TEST(StartManager, SecondStartBringsTheRunningManagerForward) {
    Harness h;
    h.RegisterCard();
    h.peers.running_manager = true;
    EXPECT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kAlreadyRunning);
    EXPECT_TRUE(h.ui.Shown().empty());
    EXPECT_TRUE(h.card.Commands().empty());
}

TEST(StartManager, MainWindowThatCannotBeCreatedEndsTheStartAtOnce) {
    Harness h;
    h.RegisterCard();
    h.ui.main_window_fails = true;
    const uint64_t start = h.clock->TickMs();
    EXPECT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kEnded);
    EXPECT_EQ(h.clock->TickMs(), start);  // no port tests, no worker, no card traffic
    EXPECT_FALSE(h.worker.Running());
    EXPECT_FALSE(h.ui.icon);
    EXPECT_TRUE(h.card.Commands().empty());
}

TEST(StartManager, HeldPortIsTestedElevenTimesThenRetryOrCancel) {
    Harness h;
    h.RegisterCard();
    h.card.HoldPort(true);
    h.ui.answers = {Answer::kRetry, Answer::kCancel};
    const uint64_t start = h.clock->TickMs();
    EXPECT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kEnded);
    const std::string busy =
        kCap + "The communication port is opend by other application, can not open monitor.";
    EXPECT_EQ(h.ui.Shown(), (std::vector<std::string>{busy, busy}));
    EXPECT_EQ(h.clock->TickMs() - start, 22000u);  // 2 x 11 tests, a second apart
    EXPECT_TRUE(h.card.Commands().empty());
}

TEST(StartupSequence, FortyOperatorQueriesEndInNoCurrentOperator) {
    Harness h;
    h.RegisterCard();
    h.card.operator_code = "";
    const uint64_t start = h.clock->TickMs();
    EXPECT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kEnded);
    EXPECT_EQ(h.card.CountCommands("AT+COPS?"), 40u);
    EXPECT_EQ(h.ui.Shown(), (std::vector<std::string>{kCap + "No current operator.",
                                                      kCap + "Network or Pellion problem."}));
    EXPECT_GE(h.clock->TickMs() - start, 40u * 3000u);
    EXPECT_LT(h.clock->TickMs() - start, 40u * 3000u + 10000u);
    EXPECT_EQ(h.ctx->monitor.info_line1, "Searching network, please wait...");
    EXPECT_EQ(h.ctx->monitor.signal_level, 0);
}

TEST(StartupSequence, SizeQueriesThatNeverSucceedAreBounded) {
    {
        Harness h;
        h.RegisterCard();
        h.card.error_commands = {"AT+CPMS="};
        EXPECT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kEnded);
        EXPECT_EQ(h.card.CountCommands("AT+CPMS="), 40u);
        EXPECT_EQ(h.ui.Shown(), (std::vector<std::string>{kCap + "Fail to get SIM message memory size.",
                                                          kCap + "Network or Pellion problem."}));
    }
    {
        Harness h;
        h.RegisterCard();
        h.card.error_commands = {"AT+CPBR=?"};
        EXPECT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kEnded);
        EXPECT_EQ(h.card.CountCommands("AT+CPBS=\"SM\""), 40u);
        EXPECT_EQ(h.ui.Shown(), (std::vector<std::string>{kCap + "Fail to get SIM phone book size.",
                                                          kCap + "Network or Pellion problem."}));
    }
}

TEST(StartupMessages, TextsThatNoTestCanProvoke) {
    // Thread creation only fails when the system is out of threads.
    EXPECT_EQ(platform::ToUtf8(kNoThread), "Unable to create thread!");
}

TEST(StartupSequence, OperatorZeroesCountAsNoOperatorUntilARealOneComes) {
    Harness h;
    h.RegisterCard();
    h.card.operator_code = "00000";
    EXPECT_EQ(ParseOperatorCode("AT+COPS?\r\r\n+COPS: 0,2,00000\r\n\r\nOK\r\n"), "");
    EXPECT_EQ(ParseOperatorCode("AT+COPS?\r\r\n+COPS: 0,2,\"24405\"\r\n\r\nOK\r\n"), "24405");
    EXPECT_EQ(ParseOperatorCode("AT+COPS?\r\r\n+COPS: 0\r\n\r\nOK\r\n"), "");
    EXPECT_EQ(ParseOperatorCode("AT+COPS?\r\r\n+COPS: 0,2,\"310260\",7\r\n\r\nOK\r\n"), "310260");
    EXPECT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kEnded);
    EXPECT_EQ(h.card.CountCommands("AT+COPS?"), 40u);
}

TEST(StartupSequence, LateOperatorIsWaitedFor) {
    Harness h;
    h.RegisterCard();
    h.card.operator_after_tries = 5;
    const uint64_t start = h.clock->TickMs();
    EXPECT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kRunning);
    EXPECT_EQ(h.card.CountCommands("AT+COPS?"), 6u);
    EXPECT_GE(h.clock->TickMs() - start, 5u * 3000u);
}

TEST(StartupSequence, CardBookSizeFailureEndsTheStart) {
    Harness h;
    h.RegisterCard();
    h.card.card_book_size_fails = true;
    EXPECT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kEnded);
    EXPECT_EQ(h.ui.Shown(), (std::vector<std::string>{kCap + "Fail to get card phone book size.",
                                                      kCap + "Network or Pellion problem."}));
    EXPECT_EQ(h.card.CountCommands("AT+COPS?"), 0u);
}

TEST(StartupSequence, NoMessageMemoryGivesOnlyHandheldSlots) {
    Harness h;
    h.RegisterCard();
    h.card.messages.clear();
    EXPECT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kRunning);
    EXPECT_EQ(h.ctx->sim_message_slots, 0);
    EXPECT_EQ(h.ctx->messages.size(), 300);
    EXPECT_EQ(ParseMessageSlots("+CPMS: 3,10,3,10,3,10\r\n\r\nOK"), 10);
    EXPECT_EQ(ParseMessageSlots("+CPMS: 3"), -1);
    EXPECT_EQ(ParseMessageSlots("+CPMS: 0,,0"), 0);
}

TEST(StartupSequence, CentreNumberFollowsTheDefaultCentreSetting) {
    {
        Harness h;
        h.RegisterCard();
        h.registry.SetText(u"Software\\Orvan\\QMX2", u"useDefSMSCenter", u"On", 100);
        ASSERT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kRunning);
        EXPECT_EQ(h.card.Commands().back(), "AT+CSCA=\"\"");
    }
    {
        Harness h;
        h.RegisterCard();
        h.registry.SetText(u"Software\\Orvan\\QMX2", u"useDefSMSCenter", u"Off", 100);
        MessageCentreProfile p{};
        SetField(p.name, "Home");
        SetField(p.centre_number, "+49\"\r\nAT+CMGD=1 72");  // a file that tries to inject
        h.folder.files["msggrp.txt"] = std::string(reinterpret_cast<char*>(&p), sizeof p);
        ASSERT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kRunning);
        EXPECT_EQ(h.card.Commands().back(), "AT+CSCA=\"+49172\"");
        EXPECT_EQ(h.card.CountCommands("AT+CMGD"), 0u);
    }
}

TEST(StartupSettings, StartUpFlagOffSuppressesTheNote) {
    Harness h;
    h.registry.SetText(u"Software\\Orvan\\QMX2", u"StartUpFlag", u"Off", 100);
    ReadStartupSettings(*h.ctx);
    EXPECT_EQ(h.ui.notes, 0);
    EXPECT_TRUE(h.ctx->default_centre);
    Harness again;
    again.ui.note_checked = true;
    ReadStartupSettings(*again.ctx);
    EXPECT_EQ(again.ui.notes, 1);
    EXPECT_EQ(again.registry.Text(u"Software\\Orvan\\QMX2", u"StartUpFlag"), "Off");
    EXPECT_EQ(again.registry.Get(u"Software\\Orvan\\QMX2", u"StartUpFlag")->data.size(), 100u);
    ReadStartupSettings(*again.ctx);
    EXPECT_EQ(again.ui.notes, 1);
}

}  // namespace
}  // namespace qmx2::manager
