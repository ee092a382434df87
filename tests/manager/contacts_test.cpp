// The contact list and its operations with their exchanges on the card double.
#include <gtest/gtest.h>

#include <mutex>

#include "manager/core/main_window.h"
#include "manager/phonebook/contact_ops.h"
#include "tests/manager/manager_harness.h"

namespace qmx2::manager {
namespace {

using testing::CardEntry;
using testing::Harness;

const std::string kCap = "Orvan Pellion 2.0|";

struct Contacts : ::testing::Test {
    void SetUp() override {
        h.RegisterCard();
        h.card.sim_book.entries.resize(5);
        h.card.sim_book.name_width = 14;
        h.card.sim_book.number_width = 20;
        h.card.sim_book.entries[0] = CardEntry{"+491", 145, "Zed"};
        h.card.sim_book.entries[2] = CardEntry{"+493", 145, "Amy"};
        h.card.sim_book.entries[3] = CardEntry{"+494", 145, ""};
        h.card.card_book.entries[0] = CardEntry{"0301", 129, "Card One"};
        ASSERT_EQ(StartManager(*h.ctx, h.worker), StartOutcome::kRunning);
        ASSERT_TRUE(h.RunUntil([&] { return h.ctx->sim_book_loaded && h.ctx->card_book_loaded; }));
        RefreshContacts(*h.ctx, list);
    }
    std::vector<std::string> CommandsSince(size_t n) {
        auto all = h.card.Commands();
        std::vector<std::string> out;
        for (size_t i = n; i < all.size(); ++i)
            if (all[i] == "AT+CPBS=\"SM\"" || all[i] == "AT+CPBS=\"ME\"" || all[i].rfind("AT+CPBW", 0) == 0)
                out.push_back(all[i]);
        return out;
    }
    Harness h;
    ContactList list;
};

TEST_F(Contacts, ListHoldsNamedEntriesSortedByName) {
    ASSERT_EQ(list.rows.size(), 2u);
    EXPECT_EQ(list.rows[0].name, "Amy");
    EXPECT_EQ(list.rows[1].name, "Zed");
    SortContactsByClick(list, ContactColumn::kName);
    EXPECT_EQ(list.rows[0].name, "Zed");  // second click on "Name": descending
    SortContactsByClick(list, ContactColumn::kName);
    EXPECT_EQ(list.rows[0].name, "Amy");
    SortContactsByClick(list, ContactColumn::kName);
    list.book = BookId::kCard;
    RefreshContacts(*h.ctx, list);
    list.book = BookId::kSim;
    RefreshContacts(*h.ctx, list);
    EXPECT_EQ(list.rows[0].name, "Amy");  // switching books sorts by name ascending again
}

TEST_F(Contacts, LoadingNoticeUntilBothBooksAreRead) {
    ContactList fresh;
    h.ctx->card_book_loaded = false;
    ContactLoadingTick(*h.ctx, fresh);
    EXPECT_EQ(fresh.status_line, "Loading phone book, please wait...");
    EXPECT_FALSE(EnabledContactCommands(fresh, false).new_entry);
    h.ctx->card_book_loaded = true;
    ContactLoadingTick(*h.ctx, fresh);
    EXPECT_EQ(fresh.status_line, "");
    EXPECT_TRUE(EnabledContactCommands(fresh, false).new_entry);
    EXPECT_FALSE(EnabledContactCommands(fresh, false).edit);
}

TEST_F(Contacts, NewSimEntryTakesTheFirstFreeIndex) {
    const size_t before = h.card.Commands().size();
    h.ui.edits = {ContactFields{"Bob", "+4930\"\r\n\x1a" "5"}};
    ASSERT_TRUE(NewContact(*h.ctx, list));
    EXPECT_EQ(CommandsSince(before), (std::vector<std::string>{
                                         "AT+CPBS=\"SM\"", "AT+CPBS=\"SM\"",
                                         "AT+CPBW=2,\"+49305\",145,\"Bob\""}));
    EXPECT_EQ(FieldText(h.ctx->books.sim.entries[1].name), "Bob");
    EXPECT_EQ(h.card.sim_book.entries[1]->number, "+49305");
    EXPECT_EQ(list.rows.size(), 3u);
}

TEST_F(Contacts, SenderNamesFollowAContactChangeAtOnce) {
    {
        std::lock_guard lock(h.ctx->tables);
        MessageRecord& r = *h.ctx->messages.At(h.ctx->messages.sim_slots);
        SetField(r.status, "PDA");
        SetField(r.number, "+49305");
    }
    h.ui.message_window = true;
    const int refreshes = h.ui.refreshes;
    h.ui.edits = {ContactFields{"Bob", "+49305"}};
    ASSERT_TRUE(NewContact(*h.ctx, list));
    std::lock_guard lock(h.ctx->tables);
    EXPECT_EQ(FieldText(h.ctx->messages.At(h.ctx->messages.sim_slots)->name), "Bob");
    EXPECT_GT(h.ui.refreshes, refreshes);
}

TEST_F(Contacts, NewEntryLimitsAndCardRefusal) {
    h.ui.edits = {ContactFields{"Bob", std::string(25, '1')}};
    EXPECT_FALSE(NewContact(*h.ctx, list));
    h.ui.edits = {ContactFields{"A name too long", "123"}};
    EXPECT_FALSE(NewContact(*h.ctx, list));
    h.ui.edits = {ContactFields{"Bob", "12a"}};
    EXPECT_FALSE(NewContact(*h.ctx, list));
    h.ui.edits = {std::nullopt};
    EXPECT_FALSE(NewContact(*h.ctx, list));
    EXPECT_EQ(h.ui.Shown(), (std::vector<std::string>{kCap + "The phone number is too long.",
                                                      kCap + "The name is too long.",
                                                      kCap + "Invalid phone number."}));
    EXPECT_TRUE(FieldEmpty(h.ctx->books.sim.entries[1].number));
}

TEST_F(Contacts, FullBooksSayWhichBook) {
    for (int k = 0; k < 5; ++k) SetField(h.ctx->books.sim.entries[static_cast<size_t>(k)].number, "1");
    EXPECT_FALSE(NewContact(*h.ctx, list));
    list.book = BookId::kPda;
    for (auto& e : h.ctx->books.pda.entries) SetField(e.number, "1");
    EXPECT_FALSE(NewContact(*h.ctx, list));
    EXPECT_EQ(h.ui.Shown(), (std::vector<std::string>{kCap + "SIM phone book memory full.",
                                                      kCap + "PDA phone book full."}));
}

TEST_F(Contacts, EditRefusedByTheCardKeepsTheOldEntry) {
    h.ui.edits = {ContactFields{"Amy", "+49x"}};
    EXPECT_FALSE(EditContact(*h.ctx, list, 0));
    EXPECT_EQ(FieldText(h.ctx->books.sim.entries[2].number), "+493");
    h.ui.edits = {ContactFields{"Amy B", "0301"}};
    const size_t before = h.card.Commands().size();
    EXPECT_TRUE(EditContact(*h.ctx, list, 0));
    EXPECT_EQ(CommandsSince(before).back(), "AT+CPBW=3,\"0301\",129,\"Amy B\"");
    EXPECT_EQ(FieldText(h.ctx->books.sim.entries[2].number_type), "129");
}

TEST_F(Contacts, DeleteAsksWhenConfirmingAndClearsOnTheCard) {
    h.ctx->options.confirm_on_delete = 1;
    h.ui.answers = {Answer::kNo};
    EXPECT_EQ(DeleteContacts(*h.ctx, list, {0, 1}), 0);
    EXPECT_EQ(h.ui.Shown(), std::vector<std::string>{kCap + "Do you want to delete?"});
    h.ctx->options.confirm_on_delete = 0;
    const size_t before = h.card.Commands().size();
    EXPECT_EQ(DeleteContacts(*h.ctx, list, {0, 1}), 2);
    EXPECT_EQ(CommandsSince(before), (std::vector<std::string>{"AT+CPBS=\"SM\"", "AT+CPBW=3",
                                                               "AT+CPBS=\"SM\"", "AT+CPBW=1"}));
    EXPECT_TRUE(list.rows.empty());
    EXPECT_FALSE(h.card.sim_book.entries[0].has_value());
}

TEST_F(Contacts, CopyIntoANarrowerBookOffersPasteAndCancelChangesNothing) {
    list.book = BookId::kPda;
    SetField(h.ctx->books.pda.entries[0].number, "+4917012345");
    SetField(h.ctx->books.pda.entries[0].name, "Sixteen letters!");
    RefreshContacts(*h.ctx, list);
    h.ui.book_choices = {BookId::kSim};
    h.ui.pastes = {std::nullopt};
    EXPECT_EQ(CopyContacts(*h.ctx, list, {0}, true), 0);
    ASSERT_EQ(h.ui.paste_offers.size(), 1u);
    EXPECT_EQ(h.ui.paste_offers[0].name, "Sixteen letter");  // cut to the SIM's 14
    EXPECT_EQ(FieldText(h.ctx->books.pda.entries[0].name), "Sixteen letters!");
    EXPECT_TRUE(FieldEmpty(h.ctx->books.sim.entries[1].number));
    list.book = BookId::kPda;
    RefreshContacts(*h.ctx, list);
    h.ui.book_choices = {BookId::kSim};
    h.ui.pastes = {ContactFields{"Sixteen", "+4917012345"}};
    EXPECT_EQ(CopyContacts(*h.ctx, list, {0}, true), 1);
    EXPECT_EQ(h.card.sim_book.entries[1]->name, "Sixteen");
    EXPECT_TRUE(FieldEmpty(h.ctx->books.pda.entries[0].number));  // moved
    EXPECT_EQ(list.book, BookId::kSim);
}

TEST_F(Contacts, MovingACardEntryToThePdaClearsItOnTheCard) {
    list.book = BookId::kCard;
    RefreshContacts(*h.ctx, list);
    h.ui.book_choices = {BookId::kPda};
    const size_t before = h.card.Commands().size();
    EXPECT_EQ(CopyContacts(*h.ctx, list, {0}, true), 1);
    EXPECT_EQ(CommandsSince(before), (std::vector<std::string>{"AT+CPBS=\"ME\"", "AT+CPBW=1"}));
    EXPECT_EQ(FieldText(h.ctx->books.pda.entries[0].name), "Card One");
    EXPECT_FALSE(h.card.card_book.entries[0].has_value());
}

TEST_F(Contacts, CopyIntoAFullBookReturnsToTheSource) {
    for (auto& e : h.ctx->books.card.entries) SetField(e.number, "1");
    h.ui.book_choices = {BookId::kCard};
    EXPECT_EQ(CopyContacts(*h.ctx, list, {0}, false), 0);
    EXPECT_EQ(h.ui.Shown(), std::vector<std::string>{kCap + "Card phone book memory full."});
    EXPECT_EQ(list.book, BookId::kSim);
}

TEST_F(Contacts, SendShortMessageCollectsNumbers) {
    SendShortMessageTo(*h.ctx, list, {0, 1});
    ASSERT_EQ(h.ui.written_to.size(), 1u);
    EXPECT_EQ(h.ui.written_to[0], (std::vector<std::string>{"+493", "+491"}));
    SendShortMessageTo(*h.ctx, list, {0});
    EXPECT_EQ(h.ui.written_to.size(), 1u);  // already open: only brought forward
}

}  // namespace
}  // namespace qmx2::manager
