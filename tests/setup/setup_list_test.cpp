#include "setup/setup_list.h"

#include <gtest/gtest.h>

#include <string>

namespace qmx2::setup {
namespace {

TEST(SetupList, CommentsBetweenEntriesDoNotCountAndReadingStopsAfterN) {
    SetupList list;
    ASSERT_TRUE(ParseSetupList("QMX2 Suite\r\n2\r\n# the Pocket PC\r\n\"a.CAB\" 0, \"b.CAB\"\r\n"
                               "#\r\n\"c.CAB\",1,\"d.CAB\"\r\n\"not read\" junk\n",
                               &list));
    EXPECT_EQ(list.title, "QMX2 Suite");
    ASSERT_EQ(list.entries.size(), 2u);
    EXPECT_STREQ(list.entries[0].source, "a.CAB");
    EXPECT_STREQ(list.entries[0].destination, "b.CAB");
    EXPECT_EQ(list.entries[1].number, 1);
    EXPECT_STREQ(list.entries[1].destination, "d.CAB");
}

TEST(SetupList, TitleKeeps126Characters) {
    SetupList list;
    ASSERT_TRUE(ParseSetupList(std::string(200, 'T') + "\n1\n\"a\" 0, \"b\"", &list));
    EXPECT_EQ(list.title, std::string(126, 'T'));
}

TEST(SetupList, BadListsAreRefused) {
    const std::string name63(63, 'n'), name64(64, 'n');
    const struct {
        const char* what;
        std::string text;
        bool ok;
    } cases[] = {
        {"63-character names", "T\n1\n\"" + name63 + "\" 0, \"" + name63 + "\"\n", true},
        {"64-character source", "T\n1\n\"" + name64 + "\" 0, \"b\"\n", false},
        {"64-character destination", "T\n1\n\"a\" 0, \"" + name64 + "\"\n", false},
        {"empty file", "", false},
        {"no count", "T\n", false},
        {"fewer entries than announced", "T\n3\n\"a\" 0, \"b\"\n# c\n\"c\" 0, \"d\"\n", false},
        {"negative count", "T\n-1\n\"a\" 0, \"b\"\n", false},
        {"zero count", "T\n0\n", false},
        {"huge count", "T\n99999999999999999999\n\"a\" 0, \"b\"\n", false},
        {"count with junk", "T\n1x\n\"a\" 0, \"b\"\n", false},
        {"line without quotes", "T\n1\na 0, b\n", false},
        {"one quote only", "T\n1\n\"a 0, b\n", false},
        {"no comma after the number", "T\n1\n\"a\" 0 \"b\"\n", false},
        {"no number", "T\n1\n\"a\" , \"b\"\n", false},
        {"destination leaves the folder", "T\n1\n\"a\" 0, \"..\"\n", false},
        {"source with a folder", "T\n1\n\"..\\..\\x\" 0, \"b\"\n", false},
        {"binary junk", std::string("T\n1\n\x01\x80\xff\"\x00\x02\" 0, \"b\"\n", 20), false},
    };
    for (const auto& c : cases) {
        SetupList list;
        EXPECT_EQ(ParseSetupList(c.text, &list), c.ok) << c.what;
    }
}

}  // namespace
}  // namespace qmx2::setup
