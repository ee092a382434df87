// The message window's command states, the message dialog, the recipient pickers and the write
// window's edits, as the windows use them.
#include <gtest/gtest.h>

#include "manager/core/command_ids.h"
#include "manager/messages/message_window.h"
#include "manager/messages/recipients.h"
#include "tests/manager/manager_harness.h"

namespace qmx2::manager {
namespace {

using testing::Harness;

MessageRecord Record(const char* status, const char* number, const char* name, const char* text,
                     const char* stamp = "") {
    MessageRecord r{};
    SetField(r.status, status);
    SetField(r.number, number);
    SetField(r.name, name);
    SetField(r.text, text);
    SetField(r.time_stamp, stamp);
    return r;
}

TEST(MessageCommands, StatesFollowTheFolderAndTheSelection) {
    struct Case {
        ListChange change;
        Folder folder;
        bool first_empty;
        bool open, send, reply, forward;
    };
    const ListChange sel = ListChange::kMessageSelected;
    const Case cases[] = {
        {ListChange::kNothingSelected, Folder::kInbox, false, false, false, false, false},
        {sel, Folder::kInbox, false, true, false, true, true},
        {sel, Folder::kPda, false, true, true, true, true},
        {sel, Folder::kPda, true, true, false, false, true},
        {sel, Folder::kOwn, false, true, true, false, true},
        {sel, Folder::kOwn, true, true, false, false, true},
        {sel, Folder::kSent, true, true, true, false, true},
        {sel, Folder::kDraft, false, true, true, false, true},
        {sel, Folder::kDraft, true, true, false, false, true},
        {sel, Folder::kDeleted, false, true, true, false, false},  // "Send..." kept from before
        {sel, Folder::kPersonal, false, true, true, false, false},
    };
    ClipboardState clip;
    for (const Case& c : cases) {
        MessageCommands before;
        before.send = before.reply = before.forward = true;
        const MessageCommands s = UpdateMessageCommands(before, c.change, c.folder, c.first_empty, clip);
        SCOPED_TRACE(FolderName(c.folder));
        EXPECT_EQ(s.open, c.open);
        EXPECT_EQ(s.move && s.copy && s.del, c.open);
        EXPECT_EQ(s.send, c.send);
        EXPECT_EQ(s.reply, c.reply);
        EXPECT_EQ(s.forward, c.forward);
        EXPECT_FALSE(s.paste);
    }
    // Selecting a folder leaves "Open" and the rest as they were and turns the three off.
    MessageCommands on{true, true, true, true, true, true, true, false};
    SetField(clip.buffer.status, "REC READ");
    const MessageCommands f = UpdateMessageCommands(on, ListChange::kFolderSelected, Folder::kSent, false, clip);
    EXPECT_TRUE(f.open && f.move && f.copy && f.del);
    EXPECT_FALSE(f.send || f.reply || f.forward);
    EXPECT_TRUE(f.paste);  // the clipboard holds a message
}

TEST(MessageDialog, LabelsLineBreaksStampAndPlace) {
    const MessageRecord r = Record("STO SENT", "+4930", "", "a\nb\rc\r\nd", "26/01/05,12:00:00+04");
    const MessageDialogView v = MessageDialogFor(Folder::kSent, r);
    EXPECT_EQ(v.who_label, "To:");
    EXPECT_EQ(v.message_label, "Message:");
    EXPECT_EQ(v.date_label, "Date & Time:");
    EXPECT_EQ(v.who, "+4930");
    EXPECT_EQ(v.text, "a\nb\nc\nd");
    EXPECT_EQ(v.stamp, "05/01/26,12:00");
    const MessageRecord named = Record("REC READ", "+4930", "Anna", "x");
    EXPECT_EQ(MessageDialogFor(Folder::kInbox, named).who_label, "From:");
    EXPECT_EQ(MessageDialogFor(Folder::kInbox, named).who, "Anna");
    EXPECT_EQ(MessageDialogPlace(240, 200).x, 20);
    EXPECT_EQ(MessageDialogPlace(240, 200).y, 26);
    EXPECT_EQ(MessageDialogPlace(240, 300).x, 0);
}

TEST(RecentRecipients, OnlySentCopiesWithANumber) {
    Harness h;
    h.ctx->messages.Allocate(4);
    const MessageRecord recs[] = {Record("STO SENT", "+4930", "Anna", "a"),
                                  Record("STO SENT", "+4931", "", "b"),
                                  Record("STO SENT(DEL)", "+4932", "Del", "c"),
                                  Record("STO SENT", "", "NoNumber", "d"),
                                  Record("REC READ", "+4933", "In", "e")};
    for (std::size_t i = 0; i < std::size(recs); ++i) h.ctx->messages.records.at(i) = recs[i];
    EXPECT_EQ(RecentRecipients(*h.ctx), (std::vector<std::string>{"Anna (+4930)", "+4931"}));
}

TEST(SelectRecipients, ToRemoveRefreshAndSorting) {
    Harness h;
    auto entry = [](const char* name, const char* number) {
        PhonebookEntry e{};
        SetField(e.name, name);
        SetField(e.number, number);
        return e;
    };
    h.ctx->books.sim.entries = {entry("Zed", "+3"), entry("", "+9"), entry("Amy", "+2")};
    h.ctx->books.card.entries = {entry("Bob", "+1")};
    h.ctx->books.pda.entries = {entry("Cy", "")};
    RecipientPicker p;
    RefreshPicker(*h.ctx, p);
    ASSERT_EQ(p.candidates.size(), 3u);
    EXPECT_EQ(p.candidates[0].name, "Amy");
    EXPECT_EQ(p.selected, 0);
    SortPickerByClick(p, PickColumn::kNumber);
    EXPECT_EQ(p.candidates[0].name, "Bob");
    SortPickerByClick(p, PickColumn::kNumber);  // same header: reversed
    EXPECT_EQ(p.candidates[0].name, "Zed");
    ASSERT_TRUE(PickSelected(p));
    ASSERT_EQ(p.chosen.size(), 1u);
    EXPECT_EQ(ChosenText(p.chosen[0]), "Zed (+3)");
    EXPECT_EQ(p.chosen[0].book, BookId::kSim);
    EXPECT_EQ(p.chosen[0].entry, 0);
    EXPECT_EQ(p.candidates[0].name, "Amy");  // sorted again, first selected
    ASSERT_TRUE(PickSelected(p));
    EXPECT_FALSE(UnpickSelected(p));  // no chosen row selected
    p.chosen_selected = 0;
    ASSERT_TRUE(UnpickSelected(p));
    EXPECT_EQ(p.candidates.size(), 2u);
    WriteWindowState w;
    AcceptPicker(p, w);
    EXPECT_EQ(w.recipients, std::vector<std::u16string>{u"Amy (+2)"});
    RefreshPicker(*h.ctx, p);
    EXPECT_TRUE(p.chosen.empty());
    EXPECT_EQ(p.candidates.size(), 3u);

    const auto rows = SelectNumberRows(*h.ctx);
    ASSERT_EQ(rows.size(), 2u);  // the SIM book only
    EXPECT_EQ(SelectedNumber(rows, 1), "+2");
    EXPECT_EQ(SelectedNumber(rows, -1), "");
}

TEST(WriteWindowEdits, CounterLimitAndNumberEntry) {
    std::u16string text(160, u'x');
    EXPECT_EQ(CounterText(CountedCharacters(text)), u"160 / 160");
    EXPECT_FALSE(CounterRed(CountedCharacters(text)));
    text += u"\r\n";  // a line break counts as one
    EXPECT_EQ(CountedCharacters(text), 161);
    EXPECT_TRUE(CounterRed(161));
    EXPECT_EQ(CountedCharacters(u"a\r\nb\rc\nd"), 7);  // only the pair is folded
    EXPECT_EQ(LimitWriteText(std::u16string(10000, u'y')).size(), 320u);
    EXPECT_EQ(LimitWriteText(std::u16string(319, u'y') + u"\r\nz"), std::u16string(319, u'y'));

    WriteWindowState w;
    EXPECT_FALSE(AddTypedRecipient(w));  // Enter on an empty entry adds nothing
    EXPECT_TRUE(w.recipients.empty());
    w.to_box = u"+491701234567";
    w.selected = 0;
    w.recipients = {u"old"};
    EXPECT_TRUE(AddTypedRecipient(w));
    EXPECT_EQ(w.recipients.back(), u"+491701234567");
    EXPECT_TRUE(w.to_box.empty());
    EXPECT_EQ(w.selected, -1);
    EXPECT_FALSE(RemoveSelectedRecipient(w));
    w.selected = 0;
    EXPECT_TRUE(RemoveSelectedRecipient(w));
    EXPECT_EQ(w.recipients, std::vector<std::u16string>{u"+491701234567"});
    EXPECT_EQ(AcceleratorTableFor(kFocusWrite), 171);
    EXPECT_EQ(AcceleratorTableFor(kFocusMessages), 197);
    EXPECT_EQ(AcceleratorTableFor(42), 169);
}

}  // namespace
}  // namespace qmx2::manager
