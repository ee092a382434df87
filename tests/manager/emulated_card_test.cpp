// The manager against the emulated GSM card (the phone model behind its in-process port, paced
// at the line's speed on the virtual clock): a full start-up with both books and the messages
// loaded, a new message arriving, and a close.
#include <gtest/gtest.h>

#include "hardware/card/card_port.h"
#include "manager/core/main_window.h"
#include "manager/phonebook/contact_ops.h"
#include "tests/manager/manager_harness.h"

namespace qmx2::manager {
namespace {

using namespace qmx2::hardware::card;
using testing::Harness;

struct OnEmulatedCard : ::testing::Test {
    void SetUp() override {
        CardScenario s = DefaultScenario();
        s.sim.messages[0] = StoredMessage{"REC READ", "+358401111111", 145, "26/01/05,12:00:00+08",
                                          "Moi,, mita kuuluu?"};
        s.sim.messages[4] = StoredMessage{"STO UNSENT", "+358402222222", 145, "", "draft on SIM"};
        s.sim.sim_book.entries[0] = PhoneBookEntry{"+358401111111", 145, "Matti"};
        s.sim.card_book.entries[0] = PhoneBookEntry{"+358401111111", 145, "Matti Card"};
        card = std::make_unique<CardPort>(*h.clock, s);
        h.devices.Unregister(u"COM3:");
        h.devices.Register(u"COM3:", card.get());
        h.RegisterCard();
    }
    void TearDown() override { h.StopWorker(); }
    Harness h;
    std::unique_ptr<CardPort> card;
};

TEST_F(OnEmulatedCard, FullStartUpLoadsBooksAndMessages) {
    ASSERT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kRunning);
    EXPECT_EQ(h.ctx->sim_message_slots, 30);
    EXPECT_EQ(h.ctx->books.sim.size(), 250);
    EXPECT_EQ(h.ctx->books.card.size(), 100);
    EXPECT_EQ(h.ctx->monitor.info_line1, "Receiving up to 9.6 kbit/s");
    ASSERT_TRUE(h.RunUntil([&] {
        return h.ctx->sim_book_loaded && h.ctx->card_book_loaded && h.ctx->messages_loaded;
    }));
    const MessageRecord& first = *h.ctx->messages.At(0);
    EXPECT_EQ(FieldText(first.status), "REC READ");
    EXPECT_EQ(FieldText(first.number), "+358401111111");
    EXPECT_EQ(FieldText(first.time_stamp), "26/01/05,12:00:00+08");
    EXPECT_EQ(FieldText(first.text), "Moi,, mita kuuluu?");
    EXPECT_EQ(FieldText(first.name), "Matti");
    EXPECT_EQ(FieldText(h.ctx->messages.At(4)->status), "STO UNSENT");
    EXPECT_EQ(FieldText(h.ctx->books.card.entries[0].name), "Matti Card");
    EXPECT_TRUE(h.ui.Shown().empty());
}

TEST_F(OnEmulatedCard, ArrivingMessageIsAnnouncedAndKeptUnread) {
    ASSERT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kRunning);
    ASSERT_TRUE(h.RunUntil([&] { return h.ctx->messages_loaded.load(); }));
    card->WithPhone([](Phone& p) { return p.DeliverMessage("+358409999999", "Tervetuloa"); });
    ASSERT_TRUE(h.RunUntil([&] { return !h.ui.Shown().empty(); }));
    EXPECT_EQ(h.ui.Shown(), std::vector<std::string>{"Orvan Pellion 2.0|New SMS arrived"});
    EXPECT_NE(h.registry.Text(u"Software\\Orvan\\QMX2", u"UnreadIdx"), "<absent>");
}

TEST_F(OnEmulatedCard, NewContactIsWrittenToTheSim) {
    ASSERT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kRunning);
    ASSERT_TRUE(h.RunUntil([&] { return h.ctx->sim_book_loaded && h.ctx->card_book_loaded; }));
    ContactList list;
    RefreshContacts(*h.ctx, list);
    h.ui.edits = {ContactFields{"Liisa", "+358403333333"}};
    ASSERT_TRUE(NewContact(*h.ctx, list));
    const auto stored = card->WithPhone([](Phone& p) { return p.sim().sim_book.entries[1]; });
    ASSERT_TRUE(stored.has_value());
    EXPECT_EQ(stored->name, "Liisa");
    EXPECT_EQ(stored->number, "+358403333333");
}

TEST_F(OnEmulatedCard, CloseReportsTheCardSettings) {
    ASSERT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kRunning);
    h.RunUntil([] { return false; }, 5000);
    CloseMainWindow(*h.ctx);
    EXPECT_EQ(h.peers.sent, (std::vector<uint32_t>{7028, 6025, 7026}));
}

}  // namespace
}  // namespace qmx2::manager
