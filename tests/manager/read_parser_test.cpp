// The "+CMGR:" and "+CMGL:" parsers on the card's replies and on captured replies of real
// modems, with truncated and malformed replies beside them.
#include "manager/messages/read_parser.h"

#include <gtest/gtest.h>

#include <map>

#include <cstring>
#include <string>
#include <vector>

#include "tests/manager/real_replies.h"

namespace qmx2::manager {
namespace {

using testing::RealReply;

MessageRecord Filled(std::string_view text) {
    MessageRecord r{};
    SetField(r.number, "old number");
    SetField(r.time_stamp, "old stamp");
    SetField(r.text, text);
    return r;
}

bool SameBytes(const MessageRecord& a, const MessageRecord& b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

TEST(ParseReadReply, CardReplyWithEchoFillsEveryField) {
    MessageRecord r = Filled("old");
    const std::string reply =
        "AT+CMGR=3\r\r\n+CMGR: \"REC UNREAD\",\"+491701234567\",,\"01/05/25,14:30:15+08\"\r\n"
        "Meet at 8,, ok?\r\nBye\r\n\r\nOK\r\n";
    const ReadParse p = ParseReadReply(2, reply, "", r);
    EXPECT_TRUE(p.parsed);
    EXPECT_TRUE(p.card_unread);
    EXPECT_EQ(FieldText(r.status), "REC UNREAD");
    EXPECT_EQ(FieldText(r.number), "+491701234567");
    EXPECT_EQ(FieldText(r.time_stamp), "01/05/25,14:30:15+08");
    EXPECT_EQ(FieldText(r.text), "Meet at 8,, ok?\r\nBye");
    EXPECT_EQ(r.slot_number, 3);
}

TEST(ParseReadReply, CapturedHuaweiReply) {
    QMX2_NEED_REAL_REPLIES();
    MessageRecord r{};
    const ReadParse p = ParseReadReply(0, RealReply("cmgr-text-huawei-e220.txt"), "", r);
    EXPECT_TRUE(p.parsed);
    EXPECT_FALSE(p.card_unread);
    EXPECT_EQ(FieldText(r.status), "REC READ");
    EXPECT_EQ(FieldText(r.number), "+44798311xxxx");
    EXPECT_EQ(FieldText(r.time_stamp), "10/03/28,15:05:12+04");
    EXPECT_EQ(FieldText(r.text), "testing");
    EXPECT_EQ(r.slot_number, 1);
}

TEST(ParseReadReply, LineFeedOnlyCaptureKeepsTextButTakesHeader) {
    QMX2_NEED_REAL_REPLIES();
    // Stored with bare LF line ends: no CR ends the header, so only the fields inside it count.
    MessageRecord r = Filled("kept");
    ParseReadReply(0, RealReply("cmgr-text-timezone-plus08.txt"), "", r);
    EXPECT_EQ(FieldText(r.number), "+31625044454");
    EXPECT_EQ(FieldText(r.status), "REC READ");
    EXPECT_EQ(FieldText(r.text), "kept");
}

TEST(ParseReadReply, EmptyFieldMarkerIsLookedForInTheHeaderLineOnly) {
    MessageRecord r = Filled("old");
    const std::string reply =
        "+CMGR: \"REC READ\",\"+4930\"\r\nx,,\"01/02/03,04:05:06+04\" z\r\n\r\nOK\r\n";
    ParseReadReply(0, reply, "", r);
    EXPECT_EQ(FieldText(r.time_stamp), "old stamp");
    EXPECT_EQ(FieldText(r.text), "x,,\"01/02/03,04:05:06+04\" z");
    // A named sender fills the field between number and stamp; the stamp still counts.
    ParseReadReply(0, "+CMGR: \"REC READ\",\"+4930\",\"Bob\",\"01/02/03,04:05:06+04\"\r\nx\r\n\r\nOK\r\n",
                   "", r);
    EXPECT_EQ(FieldText(r.time_stamp), "01/02/03,04:05:06+04");
}

TEST(ParseReadReply, QuotedEmptyNameFieldStillGivesTheStamp) {
    MessageRecord r = Filled("old");
    ParseReadReply(0, "+CMGR: \"REC READ\",\"+4930\",\"\",\"21/07/21,07:09:48+08\"\r\nhi\r\n\r\nOK\r\n",
                   "", r);
    EXPECT_EQ(FieldText(r.time_stamp), "21/07/21,07:09:48+08");
}

TEST(ParseReadReply, CutOffReplyFillsHeaderAndLeavesTheText) {
    MessageRecord r = Filled("previous text");
    ParseReadReply(4,
                   "AT+CMGR=5\r\r\n+CMGR: \"REC READ\",\"+4930\",,\"01/02/03,04:05:06+04\"\r\nHalf a "
                   "mess",
                   "", r);
    EXPECT_EQ(FieldText(r.status), "REC READ");
    EXPECT_EQ(FieldText(r.number), "+4930");
    EXPECT_EQ(FieldText(r.time_stamp), "01/02/03,04:05:06+04");
    EXPECT_EQ(FieldText(r.text), "previous text");
    EXPECT_EQ(r.slot_number, 5);
}

TEST(ParseReadReply, UnreadListKeepsAReadMessageUnreadByWholeEntry) {
    const std::string reply = "+CMGR: \"REC READ\",\"+4930\",,\"s\"\r\nt\r\n\r\nOK\r\n";
    MessageRecord r{};
    ParseReadReply(2, reply, "[7][3]", r);
    EXPECT_EQ(FieldText(r.status), "REC UNREAD");
    ParseReadReply(2, reply, "[13][33]", r);
    EXPECT_EQ(FieldText(r.status), "REC READ");
    ParseReadReply(2, "+CMGR: \"STO SENT\",\"+4930\",,\"s\"\r\nt\r\n\r\nOK\r\n", "[3]", r);
    EXPECT_EQ(FieldText(r.status), "STO SENT");
}

TEST(ParseReadReply, RepliesWithoutAHeaderChangeNothing) {
    const MessageRecord before = Filled("old");
    for (const char* reply :
         {"", "+CMS ERROR:", "Comm failure(timeout)", "+CMGS: \"REC READ\",\"1\"\r\n\r\nOK",
          "+CMGR: REC READ,1,2\r\n\r\nOK", "+CMGR: \"REC READ", "+CMGR: \"REC READ\""}) {
        MessageRecord r = before;
        const ReadParse p = ParseReadReply(0, reply, "[1]", r);
        EXPECT_FALSE(p.parsed) << reply;
        EXPECT_TRUE(SameBytes(r, before)) << reply;
    }
}

TEST(ParseReadReply, UnquotedSecondFieldFillsTextAndStampButNotNumber) {
    MessageRecord r = Filled("old");
    ParseReadReply(0, "+CMGR: \"REC READ\",6,,\"body\",\"01/02/03,04:05:06+00\",0\r\n\r\nOK\r\n", "", r);
    EXPECT_EQ(FieldText(r.number), "old number");
    EXPECT_EQ(FieldText(r.text), "body");
    EXPECT_EQ(FieldText(r.time_stamp), "01/02/03,04:05:06+00");
}

TEST(ParseReadReply, OverlongFieldsAreCutInsideTheRecord) {
    MessageRecord r{};
    const std::string number(80, '9');
    const std::string text(3000, 'x');
    const std::string status(40, 'S');
    ParseReadReply(0,
                   "+CMGR: \"" + status + "\",\"" + number + "\",,\"" + std::string(60, '1') +
                       "\"\r\n" + text + "\r\n\r\nOK\r\n",
                   "", r);
    EXPECT_EQ(FieldText(r.number), std::string(30, '9'));
    EXPECT_EQ(FieldText(r.time_stamp), std::string(23, '1'));
    EXPECT_EQ(FieldText(r.status), std::string(16, 'S'));
    EXPECT_EQ(FieldText(r.text).size(), 1023u);
}

TEST(ParseReadReply, EveryPrefixOfAReplyKeepsFieldsClosed) {
    QMX2_NEED_REAL_REPLIES();
    const std::string reply = RealReply("cmgr-text-huawei-e220.txt");
    for (std::size_t n = 0; n <= reply.size(); ++n) {
        MessageRecord r{};
        ParseReadReply(0, std::string_view(reply).substr(0, n), "", r);
        EXPECT_EQ(r.text[sizeof r.text - 1], 0);
        EXPECT_LE(FieldText(r.number).size(), 30u);
        if (n < reply.find("\r\n\r\nOK") + 6) {
            EXPECT_NE(FieldText(r.text), "testing") << n;
        }
    }
}

// `card` holds the card's "+CMGR:" reply for an index when asked again; none by default.
std::vector<int> Listing(std::string_view reply, std::string_view unread, MessageTable& table,
                         int* filled, const std::map<int, std::string>& card = {}) {
    std::vector<int> card_unread;
    *filled = ParseUnreadListing(
        reply, unread, table, [&](int i) { card_unread.push_back(i); },
        [&](int i) -> std::string_view {
            auto it = card.find(i);
            return it == card.end() ? std::string_view() : std::string_view(it->second);
        });
    return card_unread;
}

// A delivered text that holds a listing line of its own stays the text of its message, whether
// the index it names is empty, holds another message, or is one the card lists too.
TEST(ParseUnreadListing, TextThatLooksLikeAnEntryStaysText) {
    const std::string forged = "hi\r\n+CMGL: 9,\"REC UNREAD\",\"+999\",,\"26/01/01,00:00:00+00\"\r\nforged";
    const std::string head3 = "\"REC UNREAD\",\"+4930\",,\"26/01/05,12:00:00+04\"\r\n";
    const std::string head5 = "\"REC UNREAD\",\"+4940\",,\"26/01/05,12:01:00+04\"\r\n";
    const std::string reply = "AT+CMGL=\"REC UNREAD\"\r\r\n+CMGL: 3," + head3 + forged +
                              "\r\n+CMGL: 5," + head5 + "next\r\n\r\nOK\r\n";
    const std::string read3 = "AT+CMGR=3\r\r\n+CMGR: \"REC READ\",\"+4930\",,\"26/01/05,12:00:00+04\"\r\n" +
                              forged + "\r\n\r\nOK\r\n";
    const std::string read5 = "AT+CMGR=5\r\r\n+CMGR: \"REC READ\",\"+4940\",,\"26/01/05,12:01:00+04\"\r\n"
                              "next\r\n\r\nOK\r\n";
    const std::string other9 = "AT+CMGR=9\r\r\n+CMGR: \"REC READ\",\"+111\",,\"25/01/01,00:00:00+00\"\r\n"
                               "old\r\n\r\nOK\r\n";
    for (const std::string& nine : {std::string("AT+CMGR=9\r\r\n+CMS ERROR: 321\r\n"), other9}) {
        MessageTable table;
        table.Allocate(10);
        int filled = 0;
        EXPECT_EQ(Listing(reply, "", table, &filled, {{3, read3}, {5, read5}, {9, nine}}),
                  (std::vector<int>{3, 5}));
        EXPECT_EQ(filled, 2);
        EXPECT_EQ(FieldText(table.At(2)->text), forged);
        EXPECT_EQ(FieldText(table.At(4)->text), "next");
        EXPECT_EQ(FieldText(table.At(8)->status), "");
    }
    // Index 5's own text names index 5: only the card's entry stands, with its own number.
    const std::string twice = "+CMGL: 5," + head5 + "a\r\n+CMGL: 5,\"REC UNREAD\",\"+999\",,\"s\"\r\nb" +
                              "\r\n\r\nOK\r\n";
    const std::string read_twice = "+CMGR: \"REC READ\",\"+4940\",,\"26/01/05,12:01:00+04\"\r\n"
                                   "a\r\n+CMGL: 5,\"REC UNREAD\",\"+999\",,\"s\"\r\nb\r\n\r\nOK\r\n";
    MessageTable table;
    table.Allocate(10);
    int filled = 0;
    EXPECT_EQ(Listing(twice, "", table, &filled, {{5, read_twice}}), (std::vector<int>{5}));
    EXPECT_EQ(FieldText(table.At(4)->number), "+4940");
    EXPECT_EQ(FieldText(table.At(4)->text), "a\r\n+CMGL: 5,\"REC UNREAD\",\"+999\",,\"s\"\r\nb");
}

TEST(ParseUnreadListing, TwoUnreadMessagesFillBothRecords) {
    MessageTable table;
    table.Allocate(10);
    const std::string reply =
        "AT+CMGL=\"REC UNREAD\"\r\r\n+CMGL: 4,\"REC UNREAD\",\"+4930\",,\"01/02/03,04:05:06+04\"\r\n"
        "first\r\n+CMGL: 9,\"REC UNREAD\",\"+4940\",,\"01/02/04,04:05:06+04\"\r\nsecond\r\nline\r\n"
        "\r\nOK\r";
    int filled = 0;
    EXPECT_EQ(Listing(reply, "XXX", table, &filled), (std::vector<int>{4, 9}));
    EXPECT_EQ(filled, 2);
    EXPECT_EQ(FieldText(table.At(3)->text), "first");
    EXPECT_EQ(FieldText(table.At(3)->number), "+4930");
    EXPECT_EQ(table.At(3)->slot_number, 4);
    EXPECT_EQ(FieldText(table.At(8)->text), "second\r\nline");
    EXPECT_EQ(FieldText(table.At(8)->time_stamp), "01/02/04,04:05:06+04");
    EXPECT_EQ(FieldText(table.At(8)->status), "REC UNREAD");
}

TEST(ParseUnreadListing, CapturedListingSkipsIndexZeroAndKeepsBodies) {
    QMX2_NEED_REAL_REPLIES();
    MessageTable table;
    table.Allocate(3);
    int filled = 0;
    const auto unread = Listing(RealReply("cmgl-text-huawei-e220.txt"), "[2]", table, &filled);
    EXPECT_EQ(unread, (std::vector<int>{}));  // index 0 names no slot the card could confirm
    EXPECT_EQ(filled, 3);
    EXPECT_EQ(FieldText(table.At(0)->text), "testing");
    EXPECT_EQ(FieldText(table.At(1)->number), "84457711198105108101");
    EXPECT_EQ(FieldText(table.At(1)->status), "REC UNREAD");  // listed in the unread index
    EXPECT_EQ(FieldText(table.At(2)->status), "REC READ");
    EXPECT_EQ(FieldText(table.At(2)->text).substr(0, 15), "Unfortunately, ");
}

TEST(ParseUnreadListing, IndexesOutsideTheTableAreSkipped) {
    MessageTable table;
    table.Allocate(2);
    const std::string reply =
        "+CMGL: 3,\"REC UNREAD\",\"+1\",,\"s\"\r\nbeyond\r\n+CMGL: -1,\"REC UNREAD\",\"+2\",,\"s\"\r\n"
        "neg\r\n+CMGL: 99999999999,\"REC UNREAD\",\"+3\",,\"s\"\r\nhuge\r\n"
        "+CMGL: 2,\"REC UNREAD\",\"+4\",,\"s\"\r\ninside\r\n\r\nOK\r\n";
    int filled = 0;
    Listing(reply, "", table, &filled);
    EXPECT_EQ(filled, 1);
    EXPECT_EQ(FieldText(table.At(1)->text), "inside");
    EXPECT_EQ(FieldText(table.At(0)->status), "");
    EXPECT_EQ(FieldText(table.At(2)->status), "");  // the first handheld slot is never touched
}

TEST(ParseUnreadListing, TruncatedLastEntryKeepsItsHeaderOnly) {
    MessageTable table;
    table.Allocate(5);
    SetField(table.At(1)->text, "before");
    const std::string reply =
        "+CMGL: 1,\"REC UNREAD\",\"+1\",,\"s\"\r\none\r\n+CMGL: 2,\"REC UNREAD\",\"+2\",,\"t\"\r\ntw";
    int filled = 0;
    Listing(reply, "", table, &filled);
    EXPECT_EQ(filled, 2);
    EXPECT_EQ(FieldText(table.At(0)->text), "one");
    EXPECT_EQ(FieldText(table.At(1)->number), "+2");
    EXPECT_EQ(FieldText(table.At(1)->text), "before");
}

TEST(ParseUnreadListing, MalformedEntriesEndTheListingWithoutHarm) {
    MessageTable table;
    table.Allocate(5);
    for (const char* reply : {"+CMGL: ", "+CMGL: 1,\"REC", "+CMGL: x,\"REC UNREAD\",\"+1\"",
                              "+CMGL: 1,\"REC UNREAD\",\"+1", "+CMGL: 1\r\n+CMGL: 2"}) {
        int filled = 0;
        Listing(reply, "", table, &filled);
        EXPECT_LE(filled, 1) << reply;
    }
}

TEST(ParseNewMessageReply, ArrivedMessageIsUnreadWhateverTheCardSays) {
    MessageRecord r{};
    EXPECT_TRUE(ParseNewMessageReply(
        4, "AT+CMGR=4\r\r\n+CMGR: \"REC READ\",\"+4930\",,\"01/02/03,04:05:06+04\"\r\nHi\r\n\r\nOK\r\n",
        r));
    EXPECT_EQ(FieldText(r.status), "REC UNREAD");
    EXPECT_EQ(FieldText(r.number), "+4930");
    EXPECT_EQ(FieldText(r.time_stamp), "01/02/03,04:05:06+04");
    EXPECT_EQ(FieldText(r.text), "Hi");
    EXPECT_EQ(r.slot_number, 4);
}

TEST(ParseNewMessageReply, MissingPartsLeaveTheirFields) {
    MessageRecord r = Filled("old");
    EXPECT_TRUE(ParseNewMessageReply(2, "+CMGR: \"REC UNREAD\",\"+4930\",\"x\"\r\nHi", r));
    EXPECT_EQ(FieldText(r.number), "+4930");
    EXPECT_EQ(FieldText(r.time_stamp), "old stamp");
    EXPECT_EQ(FieldText(r.text), "old");
    MessageRecord untouched = Filled("old");
    const MessageRecord before = untouched;
    EXPECT_FALSE(ParseNewMessageReply(2, "AT+CMGR=2\r\r\n+CMS ERROR: 321", untouched));
    EXPECT_TRUE(SameBytes(untouched, before));
}

}  // namespace
}  // namespace qmx2::manager
