// Local data files, registry values and the unread index, with damaged files and values.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "manager/messages/unread_index.h"
#include "manager/store/data_files.h"
#include "manager/store/data_pack.h"
#include "manager/store/settings_registry.h"
#include "tests/manager/manager_harness.h"

namespace qmx2::manager {
namespace {

using testing::FakeRegistry;
using testing::Harness;

const std::u16string kKey = u"Software\\Orvan\\QMX2";

void Allocate(ManagerContext& ctx, int sim) {
    ctx.messages.Allocate(sim);
    ctx.books.pda.entries.assign(kHandheldBookSize, PhonebookEntry{});
}

TEST(DataFiles, SavedFilesArePackedAndReloadIntoTheFirstSlots) {
    Harness h;
    Allocate(*h.ctx, 10);
    SetField(h.ctx->messages.At(15)->status, "PDA");
    SetField(h.ctx->messages.At(15)->text, "first");
    SetField(h.ctx->messages.At(19)->status, "DRAFT");
    SetField(h.ctx->messages.At(19)->text, "second");
    SetField(h.ctx->books.pda.entries[40].number, "+4930");
    SetField(h.ctx->books.pda.entries[40].name, "Anna");
    SetField(h.ctx->profiles[0].centre_number, "");
    SetField(h.ctx->profiles[1].centre_number, "+358405202000");
    SetField(h.ctx->profiles[1].name, "Second");
    h.ctx->options.confirm_on_delete = 1;
    h.ctx->options.speed = 3;
    EXPECT_EQ(SaveDataFiles(*h.ctx), 0);
    EXPECT_EQ(h.folder.files["pcmsg.txt"].size(), 2 * sizeof(MessageRecord));
    EXPECT_EQ(h.folder.files["phonebk.txt"].size(), 52u);
    EXPECT_EQ(h.folder.files["msggrp.txt"].size(), 84u);
    EXPECT_EQ(h.registry.Text(kKey, u"ATModemCmd"), "AT+CBST=0,0,1;+CHSN=4,0,0,0");

    Harness next;
    next.folder.files = h.folder.files;
    next.registry.SetText(kKey, u"ATModemCmd", u"AT+CBST=71,0,1;+CHSN=1,0,0,0", 100);
    Allocate(*next.ctx, 10);
    LoadDataFiles(*next.ctx);
    EXPECT_EQ(FieldText(next.ctx->messages.At(10)->text), "first");
    EXPECT_EQ(next.ctx->messages.At(10)->slot_number, 11);
    EXPECT_EQ(FieldText(next.ctx->messages.At(11)->text), "second");
    EXPECT_EQ(next.ctx->messages.At(11)->slot_number, 12);
    EXPECT_TRUE(FieldEmpty(next.ctx->messages.At(12)->status));
    EXPECT_EQ(FieldText(next.ctx->books.pda.entries[0].name), "Anna");
    EXPECT_EQ(FieldText(next.ctx->profiles[0].name), "Second");  // moved up past the empty one
    EXPECT_EQ(next.ctx->options.confirm_on_delete, 1);
    EXPECT_EQ(next.ctx->options.bearer, 1);  // "ATModemCmd" overrides the file
    EXPECT_EQ(next.ctx->options.speed, 0);
    EXPECT_EQ(next.folder.files["pcmsg.sav"], h.folder.files["pcmsg.txt"]);
    EXPECT_EQ(next.folder.files.count("misc.sav"), 0u);
}

TEST(DataFiles, TwoStartsWithoutExitLeaveSavEqualToTxt) {
    Harness h;
    h.folder.files["pcmsg.txt"] = std::string(sizeof(MessageRecord), 'A');
    h.folder.files["pcmsg.sav"] = "older";
    Allocate(*h.ctx, 0);
    LoadDataFiles(*h.ctx);
    LoadDataFiles(*h.ctx);
    EXPECT_EQ(h.folder.files["pcmsg.sav"], h.folder.files["pcmsg.txt"]);
}

TEST(DataFiles, AFailedWriteKeepsTheOldFileAndSaysSo) {
    Harness h;
    Allocate(*h.ctx, 0);
    h.folder.files["phonebk.txt"] = "start of run";
    h.folder.failing = {"phonebk.txt"};
    SetField(h.ctx->books.pda.entries[0].number, "1");
    EXPECT_EQ(SaveDataFiles(*h.ctx), 1);
    EXPECT_EQ(h.folder.files["phonebk.txt"], "start of run");
    EXPECT_EQ(h.ui.Shown(), std::vector<std::string>{
                                "Orvan Pellion 2.0|\\Program Files\\QMX2\\phonebk.txt - save error!"});
    EXPECT_EQ(h.folder.files["misc.txt"].size(), 84u);  // the other files are still written
}

TEST(DataFiles, DamagedFilesNeverLeaveAFieldOpen) {
    MessageTable table;
    table.Allocate(2);
    std::string bytes(sizeof(MessageRecord) * 2 + 100, 'Z');  // no zero anywhere, a partial tail
    EXPECT_EQ(UnpackMessages(bytes, table), 2);
    for (int p = 2; p < 4; ++p) {
        MessageRecord* r = table.At(p);
        EXPECT_EQ(FieldText(r->number).size(), 30u);
        EXPECT_EQ(FieldText(r->status).size(), 16u);
        EXPECT_EQ(FieldText(r->text).size(), 1023u);
        EXPECT_EQ(r->slot_number, p + 1);
    }
    EXPECT_TRUE(FieldEmpty(table.At(4)->status));
    EXPECT_EQ(UnpackMessages(std::string(sizeof(MessageRecord) * 400, 'Q'), table), 300);

    PhoneBook book;
    book.entries.assign(100, PhonebookEntry{});
    EXPECT_EQ(UnpackBook(std::string(52 * 150 + 7, '\xff'), book), 100);
    EXPECT_EQ(FieldText(book.entries[99].name).size(), 16u);

    OptionBlock options{};
    options.speed = 4;
    UnpackOptions("\x01\x01", options);
    EXPECT_EQ(options.reply_path, 1);
    EXPECT_EQ(options.speed, 4);  // a short file sets the leading part only
    UnpackOptions(std::string(200, 'L'), options);
    EXPECT_EQ(FieldText(options.language).size(), 20u);
    EXPECT_EQ(FieldText(options.second_list_text).size(), 21u);

    MessageCentreProfile profiles[kProfiles];
    EXPECT_EQ(UnpackProfiles(std::string(84 * 3, 'P'), profiles), 3);
    EXPECT_EQ(FieldText(profiles[2].centre_number).size(), 20u);
    EXPECT_TRUE(FieldEmpty(profiles[3].centre_number));
}

TEST(DataFiles, RandomBytesLoadWithoutHarm) {
    std::mt19937 random(11);
    for (int round = 0; round < 50; ++round) {
        Harness h;
        Allocate(*h.ctx, static_cast<int>(random() % 40));
        for (const char* name : {"pcmsg.txt", "phonebk.txt", "msggrp.txt", "misc.txt"}) {
            std::string bytes(random() % 4000, '\0');
            for (char& c : bytes) c = static_cast<char>(random());
            h.folder.files[name] = bytes;
        }
        LoadDataFiles(*h.ctx);
        for (int p = h.ctx->messages.sim_slots; p < h.ctx->messages.size(); ++p)
            EXPECT_EQ(h.ctx->messages.At(p)->text[1023], 0);
        EXPECT_EQ(SaveDataFiles(*h.ctx), 0);
    }
}

TEST(RegistryValues, WrittenWithAHundredBytesAndReadBack) {
    FakeRegistry reg;
    EXPECT_EQ(ReadManagerValue(reg, u"UnreadIdx"), std::nullopt);
    EXPECT_TRUE(WriteManagerValue(reg, u"UnreadIdx", "[3]"));
    EXPECT_EQ(reg.Get(kKey, u"UnreadIdx")->data.size(), 100u);
    EXPECT_EQ(reg.Get(kKey, u"UnreadIdx")->type, platform::REG_SZ);
    EXPECT_EQ(ReadManagerValue(reg, u"UnreadIdx"), "[3]");
    EXPECT_EQ(ReadManagerValue(reg, u"unreadidx"), std::nullopt);  // names compare exactly
    EXPECT_TRUE(WriteManagerValue(reg, u"StartUpFlag", std::string(80, 'x')));
    EXPECT_EQ(ReadManagerValue(reg, u"StartUpFlag")->size(), 49u);
    EXPECT_EQ(reg.open_handles(), 0);
}

TEST(RegistryValues, AValueTooLongEndsTheEnumeration) {
    FakeRegistry reg;
    reg.SetText(kKey, u"StartUpFlag", u"Off");
    reg.SetText(kKey, u"Junk", std::u16string(60, u'j'));  // 122 bytes: does not fit
    reg.SetText(kKey, u"useDefSMSCenter", u"Off");
    EXPECT_EQ(ReadManagerValue(reg, u"StartUpFlag"), "Off");
    EXPECT_EQ(ReadManagerValue(reg, u"useDefSMSCenter"), std::nullopt);
    reg.SetText(kKey, std::u16string(60, u'n'), u"x");
    EXPECT_EQ(ReadManagerValue(reg, std::u16string(60, u'n')), std::nullopt);
}

TEST(RegistryValues, UnopenableKeyReadsAsAbsentAndWritesAreLost) {
    FakeRegistry reg;
    reg.fail_open = true;
    EXPECT_FALSE(WriteManagerValue(reg, u"UnreadIdx", "[1]"));
    EXPECT_EQ(ReadManagerValue(reg, u"UnreadIdx"), std::nullopt);
    AddUnreadIndex(reg, 4);
    EXPECT_FALSE(RemoveUnreadIndex(reg, 4));
}

TEST(UnreadIndex, NoListIsReplacedNotAppendedTo) {
    FakeRegistry reg;
    EXPECT_EQ(ReadUnreadList(reg), "XXX");
    AddUnreadIndex(reg, 3);
    EXPECT_EQ(ReadUnreadList(reg), "[3]");
    WriteManagerValue(reg, u"UnreadIdx", "XXX");
    AddUnreadIndex(reg, 12);
    EXPECT_EQ(ReadUnreadList(reg), "[12]");
    WriteManagerValue(reg, u"UnreadIdx", "garbage");
    AddUnreadIndex(reg, 7);
    AddUnreadIndex(reg, 13);
    AddUnreadIndex(reg, 7);  // already listed
    EXPECT_EQ(ReadUnreadList(reg), "[7][13]");
}

TEST(UnreadIndex, RemovalMatchesWholeEntriesAndDeletesAnEmptyList) {
    FakeRegistry reg;
    WriteManagerValue(reg, u"UnreadIdx", "[13][3][31]");
    EXPECT_TRUE(RemoveUnreadIndex(reg, 3));
    EXPECT_EQ(ReadUnreadList(reg), "[13][31]");
    EXPECT_FALSE(RemoveUnreadIndex(reg, 1));
    EXPECT_TRUE(RemoveUnreadIndex(reg, 13));
    EXPECT_TRUE(RemoveUnreadIndex(reg, 31));
    EXPECT_EQ(reg.Get(kKey, u"UnreadIdx"), nullptr);  // the last one opened deletes the value
    EXPECT_EQ(ReadUnreadList(reg), "XXX");
}

TEST(UnreadIndex, ALongListDropsItsOldestWholeEntries) {
    FakeRegistry reg;
    for (int i = 100; i < 120; ++i) AddUnreadIndex(reg, i);
    const std::string list = ReadUnreadList(reg);
    EXPECT_LE(list.size(), 49u);
    EXPECT_EQ(list.front(), '[');
    EXPECT_EQ(list.back(), ']');
    EXPECT_NE(list.find("[119]"), std::string::npos);
    EXPECT_EQ(list.find("[100]"), std::string::npos);
    EXPECT_EQ(FitUnreadList(std::string(60, '7')).size(), 49u);
}

}  // namespace
}  // namespace qmx2::manager
