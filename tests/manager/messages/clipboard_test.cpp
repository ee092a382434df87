// Delete, move, copy and paste of messages on the emulated card: which commands reach the card,
// where records end up, and that a paste never loses the clipboard or a message.
#include <gtest/gtest.h>

#include <algorithm>

#include "manager/messages/clipboard.h"
#include "manager/messages/delete.h"
#include "manager/messages/message_slots.h"
#include "manager/store/data_pack.h"
#include "tests/manager/messages/card_rig.h"

namespace qmx2::manager {
namespace {

using hardware::card::CardScenario;
using hardware::card::DefaultScenario;
using hardware::card::StoredMessage;
using testing::CardRig;

const std::string kCap = "Orvan Pellion 2.0|";

// SIM index `index` holds a read message, on the card and in the table as the load left it.
void PutInbox(CardRig& rig, int index, const std::string& number, const std::string& text) {
    rig.port.WithPhone([&](hardware::card::Phone& p) {
        p.sim().messages[static_cast<size_t>(index - 1)] =
            StoredMessage{"REC READ", number, 145, "26/01/05,12:00:00+04", text};
        return 0;
    });
    MessageRecord& r = rig.ctx().messages.records.at(static_cast<std::size_t>(index - 1));
    SetField(r.status, "REC READ");
    SetField(r.number, number);
    SetField(r.text, text);
    r.slot_number = index;
}

MessageRecord& Put(CardRig& rig, int position, const char* status, const char* text) {
    MessageRecord& r = rig.ctx().messages.records.at(static_cast<std::size_t>(position));
    SetField(r.status, status);
    SetField(r.text, text);
    r.slot_number = position + 1;
    return r;
}

TEST(Clipboard, MoveTwoFromInboxToPdaDeletesBothOnTheSim) {
    CardRig rig;
    PutInbox(rig, 2, "+4911", "one");
    PutInbox(rig, 5, "+4922", "two");
    ClipboardState clip;
    ASSERT_TRUE(PutOnClipboard(rig.ctx(), clip, {2, 5}, true));
    EXPECT_EQ(rig.h.folder.files["clipboard.txt"].size(), 2 * sizeof(MessageRecord));
    EXPECT_TRUE(rig.recorder.Written().empty());  // nothing removed before the paste
    const PasteReport r = Paste(rig.ctx(), clip, Folder::kPda);
    EXPECT_EQ(r.pasted, 2);
    EXPECT_EQ(rig.recorder.Count("AT+CMGD="), 2u);
    EXPECT_EQ(rig.recorder.Count("AT+CMGD=2"), 1u);
    EXPECT_EQ(rig.recorder.Count("AT+CMGD=5"), 1u);
    EXPECT_FALSE(rig.SimMessage(2));
    EXPECT_FALSE(rig.SimMessage(5));
    EXPECT_TRUE(FieldEmpty(rig.ctx().messages.At(1)->status));
    EXPECT_TRUE(FieldEmpty(rig.ctx().messages.At(4)->status));
    for (int p : {30, 31}) {
        EXPECT_EQ(FieldText(rig.ctx().messages.At(p)->status), "PDA");
        EXPECT_EQ(rig.ctx().messages.At(p)->slot_number, p + 1);
    }
    EXPECT_EQ(FieldText(rig.ctx().messages.At(31)->text), "two");
    EXPECT_EQ(rig.h.ui.refreshes, 1);
    // The move emptied the buffer: a second paste does nothing.
    EXPECT_EQ(Paste(rig.ctx(), clip, Folder::kPda).pasted, 0);
    EXPECT_TRUE(FieldEmpty(rig.ctx().messages.At(32)->status));
}

// A kill at any point of a move to "PDA" leaves each message on the SIM or in "pcmsg.txt", never
// neither. What survives a kill (the card's SIM store, the data files) is taken after every
// command the manager writes and around every file it writes, and read as the next start would.
TEST(Clipboard, MoveToPdaKeepsEveryMessageOnTheSimOrOnDiskAtEveryStep) {
    CardRig rig;
    PutInbox(rig, 2, "+4911", "one");
    PutInbox(rig, 5, "+4922", "two");
    struct Left {
        std::vector<std::string> sim, disk;
    };
    std::vector<Left> kills;
    auto take = [&] {
        Left l;
        for (int i = 1; i <= rig.SimSlots(); ++i)
            if (auto m = rig.SimMessage(i)) l.sim.push_back(m->text);
        MessageTable next;
        next.Allocate(rig.SimSlots());
        auto it = rig.h.folder.files.find("pcmsg.txt");
        if (it != rig.h.folder.files.end()) UnpackMessages(it->second, next);
        for (int p = next.sim_slots; p < next.size(); ++p)
            if (!FieldEmpty(next.At(p)->status)) l.disk.emplace_back(FieldText(next.At(p)->text));
        kills.push_back(l);
    };
    rig.recorder.on_write = [&](const std::string&) { take(); };
    rig.h.folder.around_write = take;
    take();
    ClipboardState clip;
    ASSERT_TRUE(PutOnClipboard(rig.ctx(), clip, {2, 5}, true));
    EXPECT_EQ(Paste(rig.ctx(), clip, Folder::kPda).pasted, 2);
    take();
    EXPECT_GE(kills.size(), 8u);
    for (std::size_t k = 0; k < kills.size(); ++k) {
        for (const std::string text : {"one", "two"}) {
            const auto has = [&](const std::vector<std::string>& v) {
                return std::find(v.begin(), v.end(), text) != v.end();
            };
            EXPECT_TRUE(has(kills[k].sim) || has(kills[k].disk)) << text << " lost at step " << k;
        }
    }
    EXPECT_TRUE(kills.back().sim.empty());
    EXPECT_EQ(kills.back().disk, (std::vector<std::string>{"one", "two"}));
}

// Without the handheld copy on the disk the SIM copy stays, and the move stops with the notice.
TEST(Clipboard, MoveToPdaWhoseFileCannotBeWrittenKeepsTheSimCopy) {
    CardRig rig;
    PutInbox(rig, 2, "+4911", "one");
    rig.h.folder.failing.insert("pcmsg.txt");
    ClipboardState clip;
    ASSERT_TRUE(PutOnClipboard(rig.ctx(), clip, {2}, true));
    const PasteReport r = Paste(rig.ctx(), clip, Folder::kPda);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(r.pasted, 0);
    EXPECT_EQ(rig.recorder.Count("AT+CMGD="), 0u);
    ASSERT_TRUE(rig.SimMessage(2));
    EXPECT_EQ(FieldText(rig.ctx().messages.At(1)->text), "one");
    EXPECT_TRUE(FieldEmpty(rig.ctx().messages.At(rig.SimSlots())->status));
    EXPECT_EQ(rig.Shown(),
              std::vector<std::string>{kCap + "\\Program Files\\QMX2\\pcmsg.txt - save error!"});
}

TEST(Clipboard, PasteIntoDraftIsRefusedAndTheFileStays) {
    CardRig rig;
    Put(rig, 40, "PDA", "a");
    Put(rig, 41, "PDA", "b");
    ClipboardState clip;
    ASSERT_TRUE(PutOnClipboard(rig.ctx(), clip, {41, 42}, true));
    const std::string file = rig.h.folder.files["clipboard.txt"];
    const PasteReport r = Paste(rig.ctx(), clip, Folder::kDraft);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(rig.Shown(), std::vector<std::string>{kCap + "Cannot paste here!"});
    EXPECT_EQ(rig.h.folder.files["clipboard.txt"], file);
    EXPECT_EQ(FieldText(rig.ctx().messages.At(40)->text), "a");  // sources untouched
    EXPECT_EQ(FieldText(rig.ctx().messages.At(41)->text), "b");
}

TEST(Clipboard, PasteStoppingHalfWayKeepsTheRestAtItsSource) {
    CardRig rig;
    Put(rig, 40, "STO SENT", "sent");
    Put(rig, 41, "DRAFT", "draft");
    ClipboardState clip;
    ASSERT_TRUE(PutOnClipboard(rig.ctx(), clip, {41, 42}, false));
    const PasteReport r = Paste(rig.ctx(), clip, Folder::kSent);
    EXPECT_EQ(r.pasted, 1);
    EXPECT_TRUE(r.stopped);
    EXPECT_EQ(rig.Shown(), std::vector<std::string>{kCap + "Cannot paste here!"});
    EXPECT_EQ(rig.h.folder.files["clipboard.txt"].size(), 2 * sizeof(MessageRecord));
    EXPECT_EQ(FieldText(rig.ctx().messages.At(41)->text), "draft");
}

TEST(Clipboard, MoveBackIntoItsOwnFolderLeavesTheMessage) {
    CardRig rig;
    PutInbox(rig, 3, "+4933", "keep me");
    ClipboardState clip;
    ASSERT_TRUE(PutOnClipboard(rig.ctx(), clip, {3}, true));
    EXPECT_EQ(Paste(rig.ctx(), clip, Folder::kInbox).pasted, 1);
    EXPECT_EQ(rig.recorder.Count("AT+CMGD"), 0u);
    EXPECT_EQ(FieldText(rig.ctx().messages.At(2)->text), "keep me");
    EXPECT_TRUE(rig.SimMessage(3));
}

TEST(Clipboard, DeletedMessageMovedToInboxIsNotLost) {
    CardRig rig;
    Put(rig, 45, "REC READ(DEL)", "old");
    ClipboardState clip;
    ASSERT_TRUE(PutOnClipboard(rig.ctx(), clip, {46}, true));
    EXPECT_EQ(Paste(rig.ctx(), clip, Folder::kInbox).pasted, 1);
    EXPECT_EQ(FieldText(rig.ctx().messages.At(45)->text), "old");
}

TEST(Clipboard, PasteIntoOwnMessagesWritesToTheSim) {
    CardRig rig;
    MessageRecord& src = Put(rig, 40, "PDA", "line1\r\nline2");
    SetField(src.number, "+49 (170) \"1\";2");
    SetField(src.name, "Anna");
    ClipboardState clip;
    ASSERT_TRUE(PutOnClipboard(rig.ctx(), clip, {41}, false));
    EXPECT_EQ(Paste(rig.ctx(), clip, Folder::kOwn).pasted, 1);
    EXPECT_EQ(rig.recorder.Count("AT+CMGW=\"+4917012\",145,\"STO UNSENT\""), 1u);
    EXPECT_EQ(rig.recorder.Count("AT+CPMS?"), 1u);
    const auto stored = rig.SimMessage(1);
    ASSERT_TRUE(stored);
    EXPECT_EQ(stored->text, "line1\nline2");
    const MessageRecord& r = *rig.ctx().messages.At(0);
    EXPECT_EQ(FieldText(r.status), "STO UNSENT");
    EXPECT_EQ(FieldText(r.number_type), "145");
    EXPECT_EQ(FieldText(r.name), "Anna");
    EXPECT_EQ(r.slot_number, 1);
    EXPECT_FALSE(rig.ctx().memory_full);
    // A copy stays in the buffer and can be pasted again.
    EXPECT_EQ(Paste(rig.ctx(), clip, Folder::kOwn).pasted, 1);
    EXPECT_TRUE(rig.SimMessage(2));
}

TEST(Clipboard, PasteIntoOwnMessagesOnAModemNumberingFromZeroTakesIndexZero) {
    CardScenario s = DefaultScenario();
    s.sim.first_message_index = 0;
    CardRig rig(s);
    NumberFromZero(rig.ctx().messages);  // as the message load found it out
    Put(rig, 40, "PDA", "first");
    ClipboardState clip;
    ASSERT_TRUE(PutOnClipboard(rig.ctx(), clip, {41}, false));
    EXPECT_EQ(Paste(rig.ctx(), clip, Folder::kOwn).pasted, 1);
    EXPECT_TRUE(rig.Shown().empty());
    const MessageRecord& r = *rig.ctx().messages.At(0);
    EXPECT_EQ(FieldText(r.status), "STO UNSENT");
    EXPECT_EQ(FieldText(r.text), "first");
}

TEST(Clipboard, OwnMessagesPasteFillingTheSimSetsMemoryFull) {
    CardScenario s = DefaultScenario();
    s.sim.messages.assign(2, std::nullopt);
    s.sim.messages[0] = StoredMessage{"REC READ", "1", 129, "26/01/05,12:00:00+04", "x"};
    CardRig rig(s);
    Put(rig, 10, "PDA", "a");
    Put(rig, 11, "PDA", "b");
    ClipboardState clip;
    ASSERT_TRUE(PutOnClipboard(rig.ctx(), clip, {11, 12}, false));
    const PasteReport r = Paste(rig.ctx(), clip, Folder::kOwn);
    EXPECT_EQ(r.pasted, 1);
    EXPECT_TRUE(rig.ctx().memory_full);
    EXPECT_EQ(rig.Shown(), std::vector<std::string>{kCap + "SIM memory full, cannot paste message."});
    EXPECT_EQ(rig.recorder.Count("AT+CMGW"), 1u);  // the flag stopped the second before a command
}

TEST(Clipboard, OwnMessagesWhileFullSendsNothing) {
    CardRig rig;
    Put(rig, 40, "PDA", "a");
    rig.ctx().memory_full = true;
    ClipboardState clip;
    ASSERT_TRUE(PutOnClipboard(rig.ctx(), clip, {41}, false));
    Paste(rig.ctx(), clip, Folder::kOwn);
    EXPECT_EQ(rig.Shown(), std::vector<std::string>{kCap + "SIM memory full, cannot paste message."});
    EXPECT_TRUE(rig.recorder.Written().empty());
}

TEST(Clipboard, EmptyBufferOrMissingFileDoesNothing) {
    CardRig rig;
    ClipboardState clip;
    EXPECT_EQ(Paste(rig.ctx(), clip, Folder::kPda).pasted, 0);
    EXPECT_EQ(rig.h.ui.refreshes, 0);
    Put(rig, 40, "PDA", "a");
    ASSERT_TRUE(PutOnClipboard(rig.ctx(), clip, {41}, false));
    rig.h.folder.files.erase("clipboard.txt");
    EXPECT_EQ(Paste(rig.ctx(), clip, Folder::kPda).pasted, 0);
    EXPECT_TRUE(rig.recorder.Written().empty());
}

TEST(Clipboard, FailedWriteKeepsTheEarlierClipboardAndEmptiesTheBuffer) {
    CardRig rig;
    Put(rig, 40, "PDA", "a");
    ClipboardState clip;
    ASSERT_TRUE(PutOnClipboard(rig.ctx(), clip, {41}, false));
    const std::string before = rig.h.folder.files["clipboard.txt"];
    rig.h.folder.failing.insert("clipboard.txt");
    EXPECT_FALSE(PutOnClipboard(rig.ctx(), clip, {41}, true));
    EXPECT_EQ(rig.h.folder.files["clipboard.txt"], before);
    EXPECT_EQ(Paste(rig.ctx(), clip, Folder::kPda).pasted, 0);
}

TEST(Clipboard, PdaFullStopsThePaste) {
    CardRig rig;
    for (int p = 30; p < rig.ctx().messages.size(); ++p) Put(rig, p, "PDA", "x");
    ClipboardState clip;
    ASSERT_TRUE(PutOnClipboard(rig.ctx(), clip, {31}, true));
    EXPECT_TRUE(Paste(rig.ctx(), clip, Folder::kPda).stopped);
    EXPECT_EQ(rig.Shown(), std::vector<std::string>{kCap + "PDA full, cannot paste message."});
    EXPECT_EQ(FieldText(rig.ctx().messages.At(30)->status), "PDA");  // the source stays
}

TEST(Delete, ReadInboxMessageGoesToDeletedThenForGood) {
    CardRig rig;
    PutInbox(rig, 4, "+4944", "bye");
    rig.h.ui.message_window = true;
    rig.h.ui.status_line = u"New SMS arrived";
    rig.ctx().load_position = kLoadKeepNotice;
    EXPECT_EQ(DeleteMessages(rig.ctx(), Folder::kInbox, {4}), 1);
    EXPECT_EQ(rig.recorder.Lines(), std::vector<std::string>{"AT+CMGD=4"});
    EXPECT_FALSE(rig.SimMessage(4));
    EXPECT_TRUE(rig.h.ui.status_line.empty());
    // The notice is gone for good: the status timer must not bring it back.
    EXPECT_EQ(rig.ctx().load_position.load(), kLoadNothing);
    EXPECT_TRUE(FieldEmpty(rig.ctx().messages.At(3)->status));
    const MessageRecord& d = *rig.ctx().messages.At(30);
    EXPECT_EQ(FieldText(d.status), "REC READ(DEL)");
    EXPECT_EQ(d.slot_number, 31);
    EXPECT_EQ(DeleteMessages(rig.ctx(), Folder::kDeleted, {31}), 1);
    EXPECT_TRUE(FieldEmpty(rig.ctx().messages.At(30)->status));
    EXPECT_EQ(rig.recorder.Count("AT+CMGD"), 1u);
}

TEST(Delete, HandheldFoldersSendNothingAndConfirmationNoKeepsAll) {
    CardRig rig;
    Put(rig, 35, "DRAFT", "d");
    rig.ctx().options.confirm_on_delete = 1;
    rig.h.ui.answers = {Answer::kNo};
    EXPECT_EQ(DeleteMessages(rig.ctx(), Folder::kDraft, {36}), 0);
    EXPECT_EQ(FieldText(rig.ctx().messages.At(35)->status), "DRAFT");
    rig.h.ui.answers = {Answer::kYes};
    EXPECT_EQ(DeleteMessages(rig.ctx(), Folder::kDraft, {36}), 1);
    EXPECT_EQ(FieldText(rig.ctx().messages.At(30)->status), "DRAFT(DEL)");
    EXPECT_TRUE(rig.recorder.Written().empty());
    EXPECT_EQ(rig.Shown(), (std::vector<std::string>{kCap + "Do you want to delete?",
                                                     kCap + "Do you want to delete?"}));
}

}  // namespace
}  // namespace qmx2::manager
