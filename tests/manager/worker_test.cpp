// The polling worker on the card double: background loads, sender names, new messages, and the
// window thread's close, re-activation and destruction while the worker runs.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <thread>

#include "manager/core/main_window.h"
#include "manager/core/polling.h"
#include "manager/messages/unread_index.h"
#include "manager/store/settings_registry.h"
#include "tests/manager/manager_harness.h"

namespace qmx2::manager {
namespace {

using testing::CardEntry;
using testing::CardMessage;
using testing::Harness;

const std::string kCap = "Orvan Pellion 2.0|";
const std::u16string kKey = u"Software\\Orvan\\QMX2";

void Start(Harness& h) {
    h.RegisterCard();
    ASSERT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kRunning);
}

bool Loaded(Harness& h) {
    return h.ctx->sim_book_loaded && h.ctx->card_book_loaded && h.ctx->messages_loaded;
}

TEST(PollingWorker, LoadsBothBooksAndTheMessagesThenPolls) {
    Harness h;
    h.card.sim_book.entries[0] = CardEntry{"+491701111", 145, "Anna"};
    h.card.sim_book.entries[2] = CardEntry{"030 222", 129, "NoDigitsMatch"};
    h.card.card_book.entries[0] = CardEntry{"+491701111", 145, "Card Anna"};
    h.card.card_book.entries[5] = CardEntry{"0302222", 129, "Card Bob"};
    h.card.messages[0] = CardMessage{"REC UNREAD", "+491701111", "26/01/05,12:00:00+04", "Hi"};
    h.card.messages[1] = CardMessage{"REC READ", "0302222", "26/01/04,12:00:00+04", "Yo"};
    h.card.messages[9] = CardMessage{"REC READ", "0309999", "26/01/03,12:00:00+04", "No one"};
    Start(h);
    PhonebookEntry pda{};
    SetField(pda.number, "0309999");
    SetField(pda.name, "Pda Carl");
    h.ctx->books.pda.entries[3] = pda;
    ASSERT_TRUE(h.RunUntil([&] { return Loaded(h) && h.ctx->passes.load() >= 2; }));
    const auto cmds = h.card.Commands();
    EXPECT_EQ(std::count(cmds.begin(), cmds.end(), "AT+CPBR=1,10"), 1);
    EXPECT_EQ(std::count(cmds.begin(), cmds.end(), "AT+CPBR=241,250"), 1);
    EXPECT_EQ(std::count(cmds.begin(), cmds.end(), "AT+CPBR=1,100"), 1);  // the card's book at once
    EXPECT_EQ(h.card.CountCommands("AT+CMGR="), 30u);
    MessageRecord* first = h.ctx->messages.At(0);
    EXPECT_EQ(FieldText(first->status), "REC UNREAD");
    EXPECT_EQ(FieldText(first->name), "Anna");  // the SIM's name wins over the card's
    EXPECT_EQ(FieldText(h.ctx->messages.At(1)->name), "Card Bob");  // "030 222" is not "0302222"
    EXPECT_EQ(FieldText(h.ctx->messages.At(9)->name), "Pda Carl");
    // The first pass precedes the loads: its listing found the unread message and announced it;
    // the load then read it as read on the card, and the unread index keeps it unread, once.
    EXPECT_EQ(h.registry.Text(kKey, u"UnreadIdx"), "[1]");
    EXPECT_EQ(h.ctx->load_position.load(), 31);
    EXPECT_EQ(h.ui.Shown(), std::vector<std::string>{kCap + "New SMS arrived"});
}

TEST(PollingWorker, FullSimBookIsReadInTwentySixCommands) {
    Harness h;
    h.card.sim_book.entries.resize(255);
    for (int i = 0; i < 255; ++i)
        h.card.sim_book.entries[static_cast<size_t>(i)] = CardEntry{"+4917" + std::to_string(i), 145, "N" + std::to_string(i)};
    Start(h);
    ASSERT_TRUE(h.RunUntil([&] { return h.ctx->sim_book_loaded.load(); }));
    const auto cmds = h.card.Commands();
    std::vector<std::string> reads;
    std::copy_if(cmds.begin(), cmds.end(), std::back_inserter(reads), [](const std::string& c) {
        return c.rfind("AT+CPBR=", 0) == 0 && c != "AT+CPBR=?";
    });
    ASSERT_GE(reads.size(), 26u);
    EXPECT_EQ(reads[0], "AT+CPBR=1,10");
    EXPECT_EQ(reads[25], "AT+CPBR=251,255");
    EXPECT_EQ(FieldText(h.ctx->books.sim.entries[254].name), "N254");
}

TEST(PollingWorker, FailedMessageLoadIsRetriedOnALaterPass) {
    Harness h;
    h.card.messages[2] = CardMessage{"REC READ", "+1", "s", "three"};
    h.card.silent = {"AT+CMGR=3"};
    Start(h);
    ASSERT_TRUE(h.RunUntil([&] { return h.card.CountCommands("AT+CMGR=3") >= 1 && h.ctx->passes >= 2; }));
    EXPECT_FALSE(h.ctx->messages_loaded);
    EXPECT_EQ(h.card.CountCommands("AT+CMGR=4"), 0u);  // the load stopped at the failure
    {
        auto lock = h.card.Lock();
        h.card.silent.clear();
    }
    ASSERT_TRUE(h.RunUntil([&] { return h.ctx->messages_loaded.load(); }));
    EXPECT_EQ(FieldText(h.ctx->messages.At(2)->text), "three");
}

TEST(NewMessages, TwoArrivalsFillRecordsAndAreAnnouncedOnce) {
    Harness h;
    h.ui.message_window = true;
    Start(h);
    ASSERT_TRUE(h.RunUntil([&] { return Loaded(h); }));
    {
        auto lock = h.card.Lock();
        h.card.messages[4] = CardMessage{"REC UNREAD", "+4930", "26/01/05,12:00:00+04", "one"};
        h.card.messages[6] = CardMessage{"REC UNREAD", "+4940", "26/01/05,12:01:00+04", "two"};
    }
    const int refreshes = h.ui.refreshes;
    ASSERT_TRUE(h.RunUntil([&] { return !h.ui.Shown().empty(); }));
    h.RunUntil([] { return false; }, 10000);
    EXPECT_EQ(h.ui.Shown(), std::vector<std::string>{kCap + "New SMS arrived"});
    EXPECT_EQ(h.registry.Text(kKey, u"UnreadIdx"), "[5][7]");
    EXPECT_EQ(FieldText(h.ctx->messages.At(4)->text), "one");
    EXPECT_EQ(FieldText(h.ctx->messages.At(6)->status), "REC UNREAD");
    EXPECT_EQ(h.ui.MessageStatusLine(), u"New SMS arrived");
    EXPECT_EQ(h.ctx->load_position.load(), kLoadKeepNotice);
    EXPECT_GT(h.ui.refreshes, refreshes);
}

TEST(NewMessages, ArrivalsWithTheMessageWindowClosedStillFillAndAnnounce) {
    Harness h;
    Start(h);
    ASSERT_TRUE(h.RunUntil([&] { return Loaded(h); }));
    {
        auto lock = h.card.Lock();
        h.card.messages[0] = CardMessage{"REC UNREAD", "+4930", "s", "hello"};
    }
    ASSERT_TRUE(h.RunUntil([&] { return !h.ui.Shown().empty(); }));
    EXPECT_EQ(FieldText(h.ctx->messages.At(0)->text), "hello");
    EXPECT_EQ(h.ui.refreshes, 0);
}

TEST(NewMessages, FullMemoryIsShownAndClearedAgain) {
    Harness h;
    h.ui.message_window = true;
    for (auto& m : h.card.messages) m = CardMessage{"REC READ", "+1", "s", "x"};
    Start(h);
    ASSERT_TRUE(h.RunUntil([&] { return Loaded(h) && h.ctx->memory_full; }));
    h.RunUntil([] { return false; }, 3000);
    EXPECT_EQ(h.ui.MessageStatusLine(), u"SMS memory full");
    h.ui.SetMessageStatusLine(u"New SMS arrived");
    h.RunUntil([&] { return h.ui.MessageStatusLine() != u"New SMS arrived"; }, 10000);
    EXPECT_EQ(h.ui.MessageStatusLine(), u"New SMS arrived/SMS memory full");
    EXPECT_EQ(h.ctx->load_position.load(), kLoadKeepNotice);
    {
        auto lock = h.card.Lock();
        h.card.messages[3].reset();
    }
    h.ui.SetMessageStatusLine(u"kept");
    ASSERT_TRUE(h.RunUntil([&] { return !h.ctx->memory_full; }));
    EXPECT_EQ(h.ui.MessageStatusLine(), u"kept");
}

TEST(NewMessages, HandedOverIndicesAreReadUnreadWithoutABox) {
    Harness h;
    Start(h);
    ASSERT_TRUE(h.RunUntil([&] { return Loaded(h); }));
    {
        auto lock = h.card.Lock();
        h.card.messages[3] = CardMessage{"REC READ", "+4930", "s", "four"};
        h.card.messages[4] = CardMessage{"REC READ", "+4940", "s", "five"};
    }
    h.registry.SetText(kKey, u"NewMsgIdx", u"[4][5][x\"\r][99999]");
    ASSERT_TRUE(h.RunUntil([&] { return h.registry.Get(kKey, u"NewMsgIdx") == nullptr; }));
    h.RunUntil([] { return false; }, 5000);
    EXPECT_EQ(h.registry.Text(kKey, u"UnreadIdx").substr(0, 6), "[4][5]");
    EXPECT_EQ(FieldText(h.ctx->messages.At(3)->status), "REC UNREAD");
    EXPECT_EQ(FieldText(h.ctx->messages.At(4)->text), "five");
    EXPECT_TRUE(h.ui.Shown().empty());
    for (const auto& c : h.card.Commands()) EXPECT_EQ(c.find('"', 8) == std::string::npos || c.rfind("AT+CMGR", 0) != 0, true) << c;
}

// The commands each thread sent, checked never to interleave around the window thread's group.
void ExpectWindowCommandsAfterWorker(Harness& h, size_t window_commands) {
    auto lock = h.card.Lock();
    const auto me = std::this_thread::get_id();
    const size_t n = h.card.commands.size();
    ASSERT_GE(n, window_commands);
    for (size_t i = n - window_commands; i < n; ++i) EXPECT_EQ(h.card.command_threads[i], me) << i;
}

TEST(MainWindow, CloseDuringAPassWaitsForThePassThenReports) {
    Harness h;
    Start(h);
    ASSERT_TRUE(h.RunUntil([&] { return Loaded(h); }));
    {
        auto lock = h.card.Lock();
        h.card.reply_delay_ms = 400;  // a slow card: every pass takes seconds
    }
    ASSERT_TRUE(h.RunUntil([&] { return h.card.CountCommands("AT+CPMS?") >= 2; }));
    CloseMainWindow(*h.ctx);
    EXPECT_EQ(h.ctx->worker_state.load(), kStateClosed);
    const auto cmds = h.card.Commands();
    ASSERT_GE(cmds.size(), 3u);
    EXPECT_EQ(cmds[cmds.size() - 3], "AT+CLCK=\"PS\",2");
    EXPECT_EQ(cmds[cmds.size() - 2], "AT+COPS?");
    EXPECT_EQ(cmds[cmds.size() - 1], "AT+CLCK=\"SC\",2");
    ExpectWindowCommandsAfterWorker(h, 3);
    EXPECT_EQ(h.peers.sent, (std::vector<uint32_t>{7028, 6025, 7025}));
    EXPECT_TRUE(h.ctx->hidden);
    EXPECT_FALSE(h.ui.main_visible);
    EXPECT_FALSE(h.ui.icon);
    const size_t after_close = h.card.Commands().size();
    h.RunUntil([] { return false; }, 20000);
    EXPECT_EQ(h.card.Commands().size(), after_close);  // paused and hidden: no traffic
    EXPECT_TRUE(ActivateMainWindow(*h.ctx));
    EXPECT_FALSE(h.ctx->hidden);
    EXPECT_TRUE(h.ui.icon);
    ASSERT_TRUE(h.RunUntil([&] { return h.card.Commands().size() > after_close; }));
}

TEST(MainWindow, ActivationWithAHeldPortAsksAndStaysHiddenOnCancel) {
    Harness h;
    Start(h);
    CloseMainWindow(*h.ctx);
    h.card.HoldPort(true);
    EXPECT_FALSE(ActivateMainWindow(*h.ctx));
    EXPECT_EQ(h.ui.Shown().back(),
              kCap + "The communication port is opend by other application, can not open monitor.");
    EXPECT_TRUE(h.ctx->hidden);
    EXPECT_EQ(h.ctx->worker_state.load(), kStateClosed);
}

TEST(MainWindow, DestructionEmptiesDeletedItemsSavesAndStops) {
    Harness h;
    Start(h);
    h.ctx->options.empty_deleted_on_exit = 1;
    {
        std::lock_guard lock(h.ctx->tables);
        SetField(h.ctx->messages.At(30)->status, "PDA(DEL)");
        SetField(h.ctx->messages.At(31)->status, "DRAFT");
        SetField(h.ctx->messages.At(31)->text, "keep me");
    }
    h.folder.failing.insert("phonebk.txt");
    EXPECT_EQ(DestroyMainWindow(*h.ctx), 1);  // qmx2ctl then ends with a failure
    EXPECT_EQ(h.ui.Shown().back(), kCap + "\\Program Files\\QMX2\\phonebk.txt - save error!");
    EXPECT_TRUE(h.ctx->stop_worker);
    EXPECT_EQ(h.folder.files["pcmsg.txt"].size(), sizeof(MessageRecord));
    EXPECT_EQ(h.folder.files["misc.txt"].size(), 84u);
    EXPECT_EQ(h.registry.Text(kKey, u"ATModemCmd"), "AT+CBST=0,0,1;+CHSN=1,0,0,0");
    EXPECT_EQ(h.peers.sent.size(), 3u);
    h.worker.Join();
}

TEST(MainWindow, PowerDownAsksTheCommander) {
    Harness h;
    Start(h);
    PowerDown(*h.ctx);
    EXPECT_EQ(h.peers.sent, std::vector<uint32_t>{8025});
    EXPECT_GE(h.ui.child_closes, 1);
}

TEST(PauseProtocol, ManyPausesAgainstABusyWorkerNeverOverlapTheCard) {
    Harness h;
    for (int i = 0; i < 30; ++i) h.card.messages[static_cast<size_t>(i)] = CardMessage{"REC READ", "+1", "s", "x"};
    Start(h);
    std::mt19937 random(7);
    for (int cycle = 0; cycle < 150; ++cycle) {
        h.clock->SleepMs(random() % 4000);
        PausePolling(*h.ctx, kStatePaused);
        const std::string reply = common::SendAtCommand(h.ctx->channel, "AT+CSQ", "+CSQ", 2);
        EXPECT_EQ(reply.find("Comm failure"), std::string::npos) << cycle;
        ExpectWindowCommandsAfterWorker(h, 1);
        ResumePolling(*h.ctx);
    }
    EXPECT_TRUE(h.RunUntil([&] { return Loaded(h); }));
}

}  // namespace
}  // namespace qmx2::manager
