// Folder rules, rows, the Inbox counter, sort keys, the status line and opening a message.
#include "manager/messages/folder_view.h"

#include <gtest/gtest.h>

#include "manager/store/settings_registry.h"
#include "tests/manager/manager_harness.h"

namespace qmx2::manager {
namespace {

using testing::Harness;

void Put(ManagerContext& ctx, int p, const char* status, const char* number, const char* stamp,
         const char* text, const char* name = "") {
    MessageRecord* r = ctx.messages.At(p);
    SetField(r->status, status);
    SetField(r->number, number);
    SetField(r->time_stamp, stamp);
    SetField(r->text, text);
    SetField(r->name, name);
}

std::vector<int> Positions(const FolderView& v) {
    std::vector<int> out;
    for (const auto& r : v.rows) out.push_back(r.position);
    return out;
}

TEST(FolderView, EachFolderListsItsRecords) {
    Harness h;
    h.ctx->messages.Allocate(3);
    Put(*h.ctx, 0, "REC READ", "+1", "26/01/01,10:00:00+04", "a");
    Put(*h.ctx, 1, "STO UNSENT", "+2", "", "b");
    Put(*h.ctx, 2, "REC UNREAD", "+3", "26/01/02,10:00:00+04", "c");
    Put(*h.ctx, 3, "STO SENT", "+4", "", "d");
    Put(*h.ctx, 4, "DRAFT", "+5", "", "e");
    Put(*h.ctx, 5, "PDA", "+6", "", "f");
    Put(*h.ctx, 6, "REC READ(DEL)", "+7", "", "g");
    Put(*h.ctx, 7, "STO UNSENT(DEL)", "+8", "", "h");
    Put(*h.ctx, 8, "STO UNSENT", "+9", "", "i");
    Put(*h.ctx, 9, "XYZ OUT(DEL)", "+10", "", "j");
    auto list = [&](Folder f) { return Positions(BuildFolderView(*h.ctx, f, 4)); };
    EXPECT_EQ(list(Folder::kPersonal), std::vector<int>{});
    EXPECT_EQ(list(Folder::kInbox), (std::vector<int>{0, 2}));
    EXPECT_EQ(list(Folder::kOwn), (std::vector<int>{1}));
    EXPECT_EQ(list(Folder::kSent), (std::vector<int>{3}));
    EXPECT_EQ(list(Folder::kDraft), (std::vector<int>{4}));
    EXPECT_EQ(list(Folder::kPda), (std::vector<int>{5, 8}));
    const FolderView deleted = BuildFolderView(*h.ctx, Folder::kDeleted, 4);
    EXPECT_EQ(Positions(deleted), (std::vector<int>{6, 7, 9}));
    EXPECT_EQ(deleted.rows[0].cells[4], "PDA");
    EXPECT_EQ(deleted.rows[1].cells[4], "");  // "STO UNSENT(DEL)" holds "SENT(DEL)"
    EXPECT_EQ(deleted.rows[2].cells[4], "");
}

TEST(FolderView, InboxRowsCellsIconsAndCounter) {
    Harness h;
    h.ctx->messages.Allocate(2);
    h.registry.SetText(u"Software\\Orvan\\QMX2", u"UnreadIdx", u"[2]", 100);
    Put(*h.ctx, 0, "REC READ", "+491701", "01/05/25,14:30:15+08", "two\r\nlines", "Anna");
    Put(*h.ctx, 1, "REC UNREAD", "+491702", "01/05/24,09:00:00+08", "x");
    const FolderView v = BuildFolderView(*h.ctx, Folder::kInbox, kDefaultSortKey);
    ASSERT_EQ(v.rows.size(), 2u);
    EXPECT_EQ(v.rows[0].cells[0], "Anna");
    EXPECT_EQ(v.rows[0].cells[1], "two lines");
    EXPECT_EQ(v.rows[0].cells[2], "25/05/01,14:30");
    EXPECT_EQ(v.rows[0].cells[3], "1");
    EXPECT_EQ(v.rows[0].cells[4], "SIM");
    EXPECT_EQ(v.rows[0].icon, kIconRead);
    EXPECT_EQ(v.rows[1].cells[0], "+491702");
    EXPECT_EQ(v.rows[1].icon, kIconUnread);
    EXPECT_EQ(v.inbox_text, "Inbox (1)");
    SetField(h.ctx->messages.At(1)->status, "REC READ");
    EXPECT_EQ(BuildFolderView(*h.ctx, Folder::kInbox, 0).inbox_text, "Inbox");
    const auto cols = FolderColumns(Folder::kOwn);
    EXPECT_STREQ(cols[0].title, "To");
    EXPECT_EQ(cols[3].width, 0);
    EXPECT_STREQ(FolderColumns(Folder::kPda)[0].title, "From");
    EXPECT_EQ(FolderDropDown(),
              (std::vector<std::string>{"Personal Folder", "->Inbox", "->Own Messages", "->Sent Messages", "->Draft",
                                        "->PDA", "->Deleted Messages"}));
    EXPECT_STREQ(FolderName(Folder::kPersonal), "Personal Folder");
    std::vector<std::string> titles;
    for (const Column& c : FolderColumns(Folder::kInbox)) titles.push_back(c.title);
    EXPECT_EQ(titles, (std::vector<std::string>{"From", "Message", "Date & Time", "", "Memory"}));
    EXPECT_EQ(FolderColumns(Folder::kInbox)[0].width, 120);
    EXPECT_EQ(FolderColumns(Folder::kInbox)[1].width, 160);
    EXPECT_EQ(FolderColumns(Folder::kInbox)[2].width, 100);
    EXPECT_EQ(FolderColumns(Folder::kInbox)[4].width, 60);
}

TEST(FolderView, SortKeysAlternateAndPositionsSortAsText) {
    Harness h;
    h.ctx->messages.Allocate(12);
    for (int p : {0, 1, 9, 10}) Put(*h.ctx, p, "REC READ", "+1", "", "x");
    EXPECT_EQ(Positions(BuildFolderView(*h.ctx, Folder::kInbox, 3)), (std::vector<int>{0, 9, 10, 1}));
    EXPECT_EQ(NextSortKey(kDefaultSortKey, 2), 2);
    EXPECT_EQ(NextSortKey(2, 2), 12);
    EXPECT_EQ(NextSortKey(12, 2), 2);
    EXPECT_EQ(NextSortKey(0, 1), 1);
    SetField(h.ctx->messages.At(0)->time_stamp, "26/01/02,00:00:00+00");
    SetField(h.ctx->messages.At(9)->time_stamp, "26/01/03,00:00:00+00");
    SetField(h.ctx->messages.At(10)->time_stamp, "25/12/31,00:00:00+00");
    EXPECT_EQ(Positions(BuildFolderView(*h.ctx, Folder::kInbox, 12)).front(), 9);  // newest first
    EXPECT_EQ(Positions(BuildFolderView(*h.ctx, Folder::kInbox, 4)), (std::vector<int>{0, 1, 9, 10}));
    EXPECT_EQ(PositionFromHiddenCell(h.ctx->messages, "10"), 9);
    EXPECT_EQ(PositionFromHiddenCell(h.ctx->messages, "0"), -1);
    EXPECT_EQ(PositionFromHiddenCell(h.ctx->messages, "313"), -1);
    EXPECT_EQ(PositionFromHiddenCell(h.ctx->messages, "1x"), -1);
}

TEST(FolderView, EmptySimHasNoOwnMessages) {
    Harness h;
    h.ctx->messages.Allocate(0);
    Put(*h.ctx, 0, "STO UNSENT", "+1", "", "x");
    EXPECT_TRUE(BuildFolderView(*h.ctx, Folder::kOwn, 0).rows.empty());
    EXPECT_EQ(BuildFolderView(*h.ctx, Folder::kPda, 0).rows.size(), 1u);
}

TEST(StatusLine, FollowsTheLoadPosition) {
    Harness h;
    h.ctx->messages.Allocate(30);
    h.ctx->load_position = 0;
    EXPECT_EQ(MessageStatusTick(*h.ctx).text, "Initializing, please wait...");
    h.ctx->load_position = 7;
    const StatusTick loading = MessageStatusTick(*h.ctx);
    EXPECT_EQ(loading.text, "Loading SMS...(23%)");
    EXPECT_TRUE(loading.rebuild);
    h.ctx->load_position = 31;
    EXPECT_EQ(MessageStatusTick(*h.ctx).text, "Done");
    EXPECT_EQ(h.ctx->load_position.load(), -1);
    EXPECT_EQ(MessageStatusTick(*h.ctx).text, "");
    h.ctx->load_position = -2;
    EXPECT_FALSE(MessageStatusTick(*h.ctx).text.has_value());
}

TEST(OpenMessage, OpeningTheLastUnreadDeletesTheIndexAndClearsTheNotice) {
    Harness h;
    h.ctx->messages.Allocate(5);
    h.ui.message_window = true;
    h.ui.status_line = u"New SMS arrived";
    h.ctx->load_position = kLoadKeepNotice;
    WriteManagerValue(h.registry, u"UnreadIdx", "[3]");
    Put(*h.ctx, 2, "REC UNREAD", "+1", "", "x");
    const auto r = OpenMessage(*h.ctx, 2);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(FieldText(h.ctx->messages.At(2)->status), "REC READ");
    EXPECT_EQ(h.registry.Get(u"Software\\Orvan\\QMX2", u"UnreadIdx"), nullptr);
    EXPECT_EQ(h.ui.status_line, u"");
    EXPECT_EQ(h.ctx->load_position.load(), kLoadNothing);
    EXPECT_FALSE(OpenMessage(*h.ctx, 3).has_value());
    EXPECT_FALSE(OpenMessage(*h.ctx, 400).has_value());
}

}  // namespace
}  // namespace qmx2::manager
