// The manager against the emulated GSM card (the phone model behind its in-process port, paced
// at the line's speed on the virtual clock): a full start-up with both books and the messages
// loaded, a new message arriving, and a close.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include <nlohmann/json.hpp>

#include "hardware/card/card_port.h"
#include "manager/core/main_window.h"
#include "manager/ctl/ctl_commands.h"
#include "manager/ctl/ctl_options.h"
#include "manager/messages/new_messages.h"
#include "manager/phonebook/contact_ops.h"
#include "manager/settings/network.h"
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
        h.UseCardPort(*card);
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

// What a person types is what the card stores and what the listing shows, and what arrives from
// the network is shown as the text it is: Latin-1 letters both ways, a text holding a listing line
// of its own, terminal escapes; through qmx2ctl's commands, in text and JSON.
TEST_F(OnEmulatedCard, TypedAndReceivedTextsListAsThemselves) {
    ASSERT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kRunning);
    ASSERT_TRUE(h.RunUntil([&] {
        return h.ctx->sim_book_loaded && h.ctx->card_book_loaded && h.ctx->messages_loaded;
    }));
    const char* argv[] = {"qmx2ctl", "--name", "M\xc3\xbcller", "--number", "+358405555555",
                          "pb", "new", "SIM"};
    ctl::CtlOptions o;
    std::string error;
    ASSERT_TRUE(ctl::ParseCtlOptions(8, argv, &o, &error)) << error;
    h.ui.edits = {*o.ui.contact};
    ASSERT_EQ(ctl::RunCtlCommand(*h.ctx, o.command, false).exit_code, 0);
    EXPECT_EQ(card->WithPhone([](Phone& p) { return p.sim().sim_book.entries[1]->name; }),
              "M\xfcller");
    EXPECT_EQ(ctl::RunCtlCommand(*h.ctx, {"pb", "list", "SIM"}, false).text,
              "1\tMatti\t+358401111111\n2\tM\xc3\xbcller\t+358405555555\n");
    ASSERT_EQ(ctl::RunCtlCommand(*h.ctx, {"sms", "send", "--to", "+358405555555", "Hyv\xc3\xa4\xc3\xa4"},
                                 false).exit_code, 0);
    EXPECT_EQ(card->WithPhone([](Phone& p) { return p.sent_messages().back().text; }), "Hyv\xe4\xe4");

    const std::string forged =
        "hi\r\n+CMGL: 9,\"REC UNREAD\",\"+999\",,\"26/01/01,00:00:00+00\"\r\nforged";
    card->WithPhone([&](Phone& p) {
        return p.DeliverMessage("+358405555555", "Hyv\xe4\xe4 y\xf6t\xe4") &&
               p.DeliverMessage("+358406666666", forged) &&
               p.DeliverMessage("+358407777777", "\x1b]0;owned\x07\x1b[2Jgone");
    });
    ASSERT_TRUE(h.RunUntil([&] { return !h.ui.Shown().empty(); }));
    ASSERT_TRUE(h.RunUntil([&] { return FieldText(h.ctx->messages.At(3)->text) != ""; }));
    const std::string text = ctl::RunCtlCommand(*h.ctx, {"sms", "list"}, false).text;
    EXPECT_EQ(text.find('\x1b'), std::string::npos) << text;
    EXPECT_NE(text.find("M\xc3\xbcller\t"), std::string::npos) << text;
    EXPECT_NE(text.find("\tHyv\xc3\xa4\xc3\xa4 y\xc3\xb6t\xc3\xa4\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\\x1b]0;owned\\x07\\x1b[2Jgone"), std::string::npos) << text;
    EXPECT_EQ(text.find("\t+999\t"), std::string::npos) << text;  // no message "from +999"
    const auto j = nlohmann::json::parse(ctl::RunCtlCommand(*h.ctx, {"sms", "list"}, true).text);
    std::vector<std::string> messages;
    for (const auto& row : j["rows"]) messages.push_back(row["message"]);
    std::sort(messages.begin(), messages.end());
    EXPECT_EQ(messages, (std::vector<std::string>{
                            "\x1b]0;owned\x07\x1b[2Jgone", "Hyv\xc3\xa4\xc3\xa4 y\xc3\xb6t\xc3\xa4",
                            "Moi,, mita kuuluu?",
                            "hi +CMGL: 9,\"REC UNREAD\",\"+999\",,\"26/01/01,00:00:00+00\" forged"}));
    EXPECT_EQ(h.registry.Text(u"Software\\Orvan\\QMX2", u"UnreadIdx").find("[9]"), std::string::npos);
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

// The modem zoo: each scenario gives one way a real modem differs from the card.
TEST(ModemZoo, ManagerStartsLoadsAndSearchesOnEveryModem) {
    struct Row {
        const char* file;
        const char* operator_name;
        const char* first_text;  // the message at table position 0
        int first_index;
    };
    const Row rows[] = {
        {"zoo-standard.json", "Elisa", "From a standard modem", 1},
        {"zoo-cpin-no-ok.json", "RADIOLINJA", "", 1},
        {"zoo-no-latin1.json", "RADIOLINJA", "", 1},
        {"zoo-index-zero.json", "RADIOLINJA", "Message at index 0", 0},
    };
    const char* source = std::getenv("QMX2_SOURCE_DIR");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.file);
        const ScenarioResult loaded =
            LoadScenario(std::string(source) + "/hardware/scenarios/" + row.file);
        ASSERT_TRUE(loaded.scenario) << loaded.error;
        Harness h;
        CardPort card(*h.clock, *loaded.scenario);
        h.UseCardPort(card);
        ASSERT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kRunning);
        EXPECT_EQ(h.ctx->monitor.operator_line, row.operator_name);
        ASSERT_TRUE(h.RunUntil([&] { return h.ctx->messages_loaded.load(); }));
        h.StopWorker();
        EXPECT_EQ(h.ctx->messages.first_index, row.first_index);
        EXPECT_EQ(FieldText(h.ctx->messages.At(0)->text), row.first_text);
        FoundOperatorList found{};
        ASSERT_EQ(SearchOperators(*h.ctx, found), 1);
        EXPECT_EQ(found[0].status, kOperatorCurrent);
        EXPECT_STREQ(found[0].name, row.operator_name);
        for (const std::string& shown : h.ui.Shown())
            EXPECT_EQ(shown, "Orvan Pellion 2.0|New SMS arrived");  // the unread one at index 1
    }
}

TEST(ModemZoo, MessagesNumberedFromZeroKeepTheirIndicesEverywhere) {
    const ScenarioResult loaded = LoadScenario(std::string(std::getenv("QMX2_SOURCE_DIR")) +
                                               "/hardware/scenarios/zoo-index-zero.json");
    ASSERT_TRUE(loaded.scenario);
    Harness h;
    CardPort card(*h.clock, *loaded.scenario);
    h.UseCardPort(card);
    ASSERT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kRunning);
    ASSERT_TRUE(h.RunUntil([&] { return h.ctx->messages_loaded.load(); }));
    h.StopWorker();
    EXPECT_EQ(FieldText(h.ctx->messages.At(1)->text), "Message at index 1");
    EXPECT_EQ(FieldText(h.ctx->messages.At(9)->text), "Message at the last index");
    EXPECT_EQ(h.ctx->messages.At(9)->slot_number, 10);
    // Index 1 was unread on the modem: its unread entry names the modem's own index.
    EXPECT_EQ(h.registry.Text(u"Software\\Orvan\\QMX2", u"UnreadIdx"), "[1]");
    // A message arriving at index 2 is listed and lands in position 2.
    card.WithPhone([](Phone& p) { return p.DeliverMessage("+358405555555", "Third"); });
    ASSERT_TRUE(CheckNewMessages(*h.ctx, [] { return true; }));
    EXPECT_EQ(FieldText(h.ctx->messages.At(2)->text), "Third");
}

}  // namespace
}  // namespace qmx2::manager
