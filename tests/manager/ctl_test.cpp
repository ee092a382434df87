// qmx2ctl's options, its text user interface and its commands on a started manager.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "manager/core/main_window.h"
#include "manager/ctl/ctl_commands.h"
#include "manager/ctl/ctl_loads.h"
#include "manager/ctl/ctl_options.h"
#include "manager/ctl/terminal_text.h"
#include "manager/ctl/text_ui.h"
#include "tests/manager/manager_harness.h"

namespace qmx2::manager::ctl {
namespace {

using testing::CardEntry;
using testing::CardMessage;
using testing::Harness;

TEST(CtlOptions, CommandWordsAndOptions) {
    const char* argv[] = {"qmx2ctl", "--json", "--yes", "pb", "copy", "SIM", "3", "--to", "PDA",
                          "--name", "Anna", "--wait", "5"};
    CtlOptions o;
    std::string error;
    ASSERT_TRUE(ParseCtlOptions(13, argv, &o, &error)) << error;
    EXPECT_TRUE(o.json);
    EXPECT_EQ(o.ui.reply, Reply::kYes);
    EXPECT_EQ(o.command, (std::vector<std::string>{"pb", "copy", "SIM", "3"}));
    EXPECT_EQ(o.ui.target, BookId::kPda);
    EXPECT_EQ(o.ui.contact->name, "Anna");
    EXPECT_EQ(o.wait_s, 5);
    const char* bad[] = {"qmx2ctl", "--to", "Phone", "status"};
    EXPECT_FALSE(ParseCtlOptions(4, bad, &o, &error));
    EXPECT_EQ(error, "--to needs SIM, Card or PDA");
    const char* none[] = {"qmx2ctl", "--json"};
    CtlOptions empty;
    EXPECT_FALSE(ParseCtlOptions(2, none, &empty, &error));
}

TEST(TerminalText, ControlsAreShownEscapedAndTypedTextTakesTheCardsSet) {
    struct Case {
        std::string latin1;
        bool lines;
        std::string shown;
    };
    for (const Case& c : std::vector<Case>{
             {"M\xfcller", false, "M\xc3\xbcller"},
             {"a\r\nb\nc\rd", true, "a\nb\nc\\x0dd"},
             {"a\r\nb\tc", false, "a\\x0d\\x0ab\\x09c"},
             {"\x1b]0;t\x07\x7f\x9b", false, "\\x1b]0;t\\x07\\x7f\\x9b"},
         })
        EXPECT_EQ(TerminalLatin1(c.latin1, c.lines), c.shown) << c.shown;
    EXPECT_EQ(Utf8ToLatin1("Hyv\xc3\xa4\xc3\xa4 \xe2\x82\xac \xf0\x9f\x98\x80"), "Hyv\xe4\xe4 ? ?");
    EXPECT_EQ(Latin1ToUtf8("\xff"), "\xc3\xbf");
    std::string why;
    EXPECT_TRUE(NumberTyped("+358 40 123-45", &why));
    EXPECT_TRUE(NumberTyped("*#06#", &why));
}

TEST(TextUi, MessagesCarryTheirCaptionAndAnswersComeFromOptions) {
    std::FILE* sink = std::tmpfile();
    TextUi yes({Reply::kYes, std::nullopt, std::nullopt, sink});
    EXPECT_EQ(yes.ShowMessage(kCaption, u"Do you want to delete?", Buttons::kYesNo, true), Answer::kYes);
    EXPECT_EQ(yes.Messages(), std::vector<std::string>{"Orvan Pellion 2.0: Do you want to delete?"});
    TextUi plain({Reply::kDefault, std::nullopt, std::nullopt, sink});
    EXPECT_EQ(plain.ShowMessage(kCaption, u"x", Buttons::kRetryCancel, true), Answer::kCancel);
    ContactFields f;
    EXPECT_FALSE(plain.EditContact(false, f, 16, 30));  // nothing given: the dialog is cancelled
    EXPECT_TRUE(plain.ShowStartupNote());  // shown once: "StartUpFlag" becomes "Off"
    ContactFields cut{"Sixteen letter", "+49"};
    EXPECT_TRUE(plain.PasteContact({"Sixteen letters!", "+49"}, cut, 14, 20));
    std::rewind(sink);
    char buffer[1024] = {};
    const size_t n = std::fread(buffer, 1, sizeof buffer - 1, sink);
    const std::string printed(buffer, n);
    EXPECT_NE(printed.find("Orvan Pellion 2.0: x\n"), std::string::npos);
    EXPECT_NE(printed.find("Important Note: Remember to close the Pellion monitor program before "
                           "making any data call connection.\n"),
              std::string::npos);
    EXPECT_NE(printed.find("Paste contact: Due to SIM/Card memory limitation, contact name and "
                           "number will be truncated.\n"),
              std::string::npos);
    std::fclose(sink);
}

// qmx2ctl reads only what its command needs, on its own thread, with the worker left paused.
TEST(CtlLoads, EachCommandReadsOnlyWhatItShows) {
    struct Row {
        std::vector<std::string> command;
        bool sim_book, card_book, messages;
        size_t cpbr, cmgr;  // "AT+CPBR=<a>,<b>" and "AT+CMGR=" lines after start-up
    };
    const Row rows[] = {
        {{"status"}, false, false, false, 0, 0},
        {{"pb", "list", "SIM"}, true, false, false, 25, 0},
        {{"sms", "list", "Inbox"}, false, false, true, 0, 30},
    };
    for (const Row& row : rows) {
        Harness h;
        h.RegisterCard();
        h.ctx->worker_stays_paused = true;
        ASSERT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kRunning);
        const size_t cpbr_at_start = h.card.CountCommands("AT+CPBR=1");
        ASSERT_TRUE(RunLoads(*h.ctx, LoadsFor(row.command), [] { return true; }));
        EXPECT_EQ(h.ctx->sim_book_loaded, row.sim_book);
        EXPECT_EQ(h.ctx->card_book_loaded, row.card_book);
        EXPECT_EQ(h.ctx->messages_loaded, row.messages);
        size_t cpbr = 0;
        for (const std::string& c : h.card.commands) cpbr += c.rfind("AT+CPBR=", 0) == 0 && c != "AT+CPBR=?";
        EXPECT_EQ(cpbr, row.cpbr) << cpbr_at_start;
        EXPECT_EQ(h.card.CountCommands("AT+CMGR="), row.cmgr);
        EXPECT_EQ(h.card.CountCommands("AT+CMGL"), 0u);  // no polling pass
        h.StopWorker();
    }
}

struct Ctl : ::testing::Test {
    void SetUp() override {
        h.RegisterCard();
        h.card.messages[0] = CardMessage{"REC READ", "+4930", "26/01/05,12:00:00+04", "Hallo\r\nWelt"};
        h.card.sim_book.entries[0] = CardEntry{"+4930", 145, "Anna"};
        ASSERT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kRunning);
        ASSERT_TRUE(h.RunUntil([&] {
            return h.ctx->sim_book_loaded && h.ctx->card_book_loaded && h.ctx->messages_loaded;
        }));
    }
    Harness h;
};

TEST_F(Ctl, StatusAndMessagesAsTextAndJson) {
    const auto status = RunCtlCommand(*h.ctx, {"status"}, true);
    ASSERT_EQ(status.exit_code, 0);
    const auto j = nlohmann::json::parse(status.text);
    EXPECT_EQ(j["sim_message_slots"], 30);
    EXPECT_EQ(j["signal_bars"], 2);
    EXPECT_EQ(j["inbox"], "Inbox");
    const auto list = RunCtlCommand(*h.ctx, {"sms", "list"}, false);
    EXPECT_EQ(list.text, "Inbox: 1 messages\n1\t \tAnna\t05/01/26,12:00\tSIM\tHallo Welt\n");
    const auto read = nlohmann::json::parse(RunCtlCommand(*h.ctx, {"sms", "read", "1"}, true).text);
    EXPECT_EQ(read["text"], "Hallo\r\nWelt");
    EXPECT_EQ(read["name"], "Anna");
    EXPECT_EQ(RunCtlCommand(*h.ctx, {"sms", "read", "2"}, false).exit_code, 1);
    EXPECT_EQ(RunCtlCommand(*h.ctx, {"sms", "list", "Outbox"}, false).exit_code, 2);
}

TEST_F(Ctl, PhoneBookCommandsUseTheContactOperations) {
    EXPECT_EQ(RunCtlCommand(*h.ctx, {"pb", "list", "SIM"}, false).text, "1\tAnna\t+4930\n");
    h.ui.edits = {ContactFields{"Bob", "0301"}};
    EXPECT_EQ(RunCtlCommand(*h.ctx, {"pb", "new", "SIM"}, false).exit_code, 0);
    EXPECT_EQ(h.card.sim_book.entries[1]->name, "Bob");
    h.ui.book_choices = {BookId::kPda};
    EXPECT_EQ(RunCtlCommand(*h.ctx, {"pb", "move", "SIM", "2"}, false).exit_code, 0);
    EXPECT_FALSE(h.card.sim_book.entries[1].has_value());
    EXPECT_EQ(RunCtlCommand(*h.ctx, {"pb", "list", "PDA"}, false).text, "1\tBob\t0301\n");
    EXPECT_EQ(RunCtlCommand(*h.ctx, {"pb", "delete", "PDA", "7"}, false).exit_code, 2);
    EXPECT_EQ(RunCtlCommand(*h.ctx, {"pb", "delete", "PDA", "1"}, false).exit_code, 0);
    EXPECT_EQ(RunCtlCommand(*h.ctx, {"pb", "list", "PDA"}, false).text, "");
}

// What the command line would otherwise change or drop without a word is refused with the reason.
TEST_F(Ctl, CommandLineRefusesWhatItWouldChangeSilently) {
    struct Options {
        std::vector<const char*> argv;
        std::string error;
    };
    for (const Options& c : std::vector<Options>{
             {{"qmx2ctl", "--wait", "5abc", "status"}, "--wait needs a number of seconds"},
             {{"qmx2ctl", "--number", "+358;+CPBW=1", "pb", "new", "PDA"},
              "\"+358;+CPBW=1\" is not a telephone number"},
             {{"qmx2ctl", "--number", "040+1", "pb", "new", "PDA"}, "\"040+1\" is not a telephone number"},
         }) {
        CtlOptions o;
        std::string error;
        EXPECT_FALSE(ParseCtlOptions(static_cast<int>(c.argv.size()), c.argv.data(), &o, &error));
        EXPECT_EQ(error, c.error);
    }
    struct Command {
        std::vector<std::string> words;
        std::string text;
    };
    for (const Command& c : std::vector<Command>{
             {{"sms", "send", "--to", "+358;+CPBW=1", "hi"}, "\"+358;+CPBW=1\" is not a telephone number\n"},
             {{"sms", "send", "--to", "1000", "1001", "hi"},
              "\"1001\" could be a number or the text: give every recipient its own --to, and quote a "
              "text that begins with a number\n"},
         }) {
        const auto r = RunCtlCommand(*h.ctx, c.words, false);
        EXPECT_EQ(r.exit_code, 2);
        EXPECT_EQ(r.text, c.text);
    }
    EXPECT_EQ(h.card.CountCommands("AT+CMGS"), 0u);
    // A typed number the dialog could not hold whole is not stored cut.
    std::FILE* sink = std::tmpfile();
    TextUi ui({Reply::kDefault, ContactFields{"Long", std::string(31, '1')}, std::nullopt, sink});
    ContactFields f;
    EXPECT_FALSE(ui.EditContact(false, f, 16, 30));
    EXPECT_TRUE(f.number.empty());
    std::fclose(sink);
}

}  // namespace
}  // namespace qmx2::manager::ctl
