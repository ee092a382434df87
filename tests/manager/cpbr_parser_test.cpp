// "+CPBR:" size and entry replies of the card and of real phones.
#include "manager/phonebook/cpbr_parser.h"

#include <gtest/gtest.h>

#include "tests/manager/real_replies.h"

namespace qmx2::manager {
namespace {

using testing::RealReply;

TEST(ParseBookSize, CardAndCapturedReplies) {
    QMX2_NEED_REAL_REPLIES();
    const BookSize card = ParseBookSize("AT+CPBR=?\r\r\n+CPBR: (1-250),40,14\r\n\r\nOK\r\n");
    EXPECT_EQ(card.entries, 250);
    EXPECT_EQ(card.number_width, 40);
    EXPECT_EQ(card.name_width, 14);
    const BookSize option = ParseBookSize(RealReply("cpbr-test-option-gtm382.txt"));
    EXPECT_EQ(option.entries, 1);
    EXPECT_EQ(option.number_width, 40);
    EXPECT_EQ(option.name_width, 20);
    const BookSize moto = ParseBookSize(RealReply("cpbr-test-motorola.txt"));
    EXPECT_EQ(moto.entries, 250);
    EXPECT_EQ(moto.number_width, 50);
    EXPECT_EQ(moto.name_width, 14);
}

TEST(ParseBookSize, MissingPartsReadAsZero) {
    EXPECT_EQ(ParseBookSize("AT+CPBR=?\r\r\nERROR\r\n").entries, 0);
    EXPECT_EQ(ParseBookSize("+CPBR").entries, 0);
    const BookSize half = ParseBookSize("AT+CPBR=?\r\r\n+CPBR: (1-99)");
    EXPECT_EQ(half.entries, 99);
    EXPECT_EQ(half.number_width, 0);
    EXPECT_EQ(ParseBookSize("AT+CPBR=?\r\r\n+CPBR: (1-99999999999999),1,2\r\n").entries, 1000000);
}

PhoneBook Book(int n) {
    PhoneBook b;
    b.entries.assign(static_cast<std::size_t>(n), PhonebookEntry{});
    return b;
}

TEST(ParseBookEntries, QuotedFieldsLoseTheirQuotesUnquotedNameStays) {
    PhoneBook b = Book(10);
    const int n = ParseBookEntries(
        "AT+CPBR=1,10\r\r\n+CPBR: 1,\"+491701234567\",145,\"Anna\"\r\n"
        "+CPBR: 3,\"0301234\",129,Bob Smith\r\n\r\nOK\r\n",
        b);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(FieldText(b.entries[0].number), "+491701234567");
    EXPECT_EQ(FieldText(b.entries[0].number_type), "145");
    EXPECT_EQ(FieldText(b.entries[0].name), "Anna");
    EXPECT_EQ(FieldText(b.entries[2].name), "Bob Smith");
    EXPECT_TRUE(FieldEmpty(b.entries[1].number));
}

TEST(ParseBookEntries, CapturedRepliesWithTrailingFields) {
    QMX2_NEED_REAL_REPLIES();
    PhoneBook b = Book(100);
    EXPECT_EQ(ParseBookEntries(RealReply("cpbr-samsung-p900-index-mismatch.txt"), b), 1);
    EXPECT_EQ(FieldText(b.entries[80].number), "#121#");
    EXPECT_EQ(FieldText(b.entries[80].name), "My Tempo");
    EXPECT_EQ(ParseBookEntries(RealReply("cpbr-nokia-2730.txt"), b), 1);
    EXPECT_TRUE(FieldEmpty(b.entries[15].number));
    EXPECT_EQ(FieldText(b.entries[15].name), "0053007400650076");  // cut to 16
}

TEST(ParseBookEntries, BadLinesAreSkipped) {
    PhoneBook b = Book(5);
    const int n = ParseBookEntries(
        "+CPBR: 0,\"1\",129,\"zero\"\r\n+CPBR: 6,\"1\",129,\"six\"\r\n+CPBR: 2,\"1\"\r\n"
        "+CPBR: x,\"1\",129,\"x\"\r\n+CPBR: -1,\"1\",129,\"n\"\r\n+CPBR: 5,\"12345678901234567890123"
        "4567890123\",129,\"a name that is far too long\"\r\n+CPBR: 4,",
        b);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(FieldText(b.entries[4].number), std::string("123456789012345678901234567890"));
    EXPECT_EQ(FieldText(b.entries[4].name), "a name that is f");
}

TEST(ParseBookEntries, EveryPrefixIsSafe) {
    const std::string reply = "AT+CPBR=1,10\r\r\n+CPBR: 1,\"+49\",145,\"Anna\"\r\n\r\nOK\r\n";
    for (std::size_t k = 0; k <= reply.size(); ++k) {
        PhoneBook b = Book(1);
        ParseBookEntries(std::string_view(reply).substr(0, k), b);
        EXPECT_LE(FieldText(b.entries[0].name).size(), 4u);
    }
}

}  // namespace
}  // namespace qmx2::manager
