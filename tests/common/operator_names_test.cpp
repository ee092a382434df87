// The two operator tables and the lookup they share.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "commander/operator_table.h"
#include "common/operator_names.h"
#include "manager/settings/operator_table.h"

using qmx2::common::LookUpOperatorName;
using qmx2::common::OperatorCodeFromText;
using qmx2::common::OperatorEntry;
using qmx2::common::OperatorLookup;

namespace {

int Count(const OperatorEntry* t) {
    int n = 0;
    while (t[n].code != 0) ++n;
    return n;
}

std::string Look(const OperatorEntry* table, const char* code) {
    OperatorLookup l{table, {}};
    return LookUpOperatorName(l, code);
}

}  // namespace

TEST(OperatorTable, ManagerTableIsSortedUniqueAndShort) {
    const OperatorEntry* t = qmx2::manager::kOperatorTable;
    ASSERT_EQ(Count(t), qmx2::manager::kOperatorTableEntries);
    EXPECT_EQ(t[0].code, 20201u);
    EXPECT_EQ(t[286].code, 74601u);
    EXPECT_EQ(t[287].name, nullptr);
    for (int i = 0; i < 287; ++i) {
        if (i > 0) {
            EXPECT_LT(t[i - 1].code, t[i].code) << t[i].code;
        }
        EXPECT_LE(std::strlen(t[i].name), 11u) << t[i].code;
        EXPECT_LT(t[i].code, 100000u) << "two-digit network codes only";
    }
}

TEST(OperatorTable, CommanderTableKeepsItsOwnOrderAndTheDuplicate) {
    const OperatorEntry* t = qmx2::commander::kOperatorTable;
    ASSERT_EQ(Count(t), qmx2::commander::kOperatorTableEntries);
    std::multiset<uint32_t> codes;
    bool unsorted = false;
    for (int i = 0; i < 328; ++i) {
        codes.insert(t[i].code);
        EXPECT_LE(std::strlen(t[i].name), 22u) << t[i].code;
        if (i > 0 && t[i - 1].code > t[i].code) unsorted = true;
    }
    EXPECT_TRUE(unsorted);
    EXPECT_EQ(codes.count(61801), 2u);
    for (uint32_t c : codes) {
        if (c != 61801) {
            EXPECT_EQ(codes.count(c), 1u) << c;
        }
    }
}

TEST(OperatorLookup, TellingRowsOfBothTables) {
    const OperatorEntry* m = qmx2::manager::kOperatorTable;
    const OperatorEntry* c = qmx2::commander::kOperatorTable;
    EXPECT_EQ(Look(m, "20201"), "COSMOTE");
    EXPECT_EQ(Look(m, "23415"), "VODAFONE");
    EXPECT_EQ(Look(m, "24405"), "RADIOLINJA");
    EXPECT_EQ(Look(m, "24491"), "SONERA");
    EXPECT_EQ(Look(m, "26201"), "T-D1");
    EXPECT_EQ(Look(m, "46000"), "CMCC");
    EXPECT_EQ(Look(m, "73402"), "DIGITEL");
    EXPECT_EQ(Look(m, "74601"), "ICMS");

    EXPECT_EQ(Look(c, "24405"), "RL");
    EXPECT_EQ(Look(c, "24491"), "sonera/TELE");
    EXPECT_EQ(Look(c, "26201"), "D1-Telekom");
    EXPECT_EQ(Look(c, "46000"), "DGT MPT");
    EXPECT_EQ(Look(c, "20201"), "COSMOTE / C-OTE");
    EXPECT_EQ(Look(c, "310160"), "Voicestream");
    EXPECT_EQ(Look(c, "310790"), "PinPoint");
    EXPECT_EQ(Look(c, "61801"), "LCC Cell");
    EXPECT_EQ(Look(m, "310160"), "Unknown Operator (310160)");
}

TEST(OperatorLookup, CodeTextIsReadLikeTheCardGivesIt) {
    const OperatorEntry* m = qmx2::manager::kOperatorTable;
    EXPECT_EQ(Look(m, "  24405"), "RADIOLINJA");
    EXPECT_EQ(Look(m, "24405\r\nOK\r\n"), "RADIOLINJA");
    EXPECT_EQ(Look(m, "\"24405\""), "Unknown Operator (\"24405\")");
    EXPECT_EQ(Look(m, ""), "Unknown Operator ()");
    EXPECT_EQ(Look(m, "99999"), "Unknown Operator (99999)");
    EXPECT_EQ(OperatorCodeFromText("99999999999999999999"), 0u);
    EXPECT_EQ(OperatorCodeFromText(nullptr), 0u);
}

TEST(OperatorLookup, MissBufferIsBoundedAndReused) {
    OperatorLookup l{qmx2::manager::kOperatorTable, {}};
    const std::string long_code(500, '7');
    const char* a = LookUpOperatorName(l, long_code.c_str());
    EXPECT_EQ(a, l.unknown_name);
    EXPECT_EQ(std::strlen(a), sizeof l.unknown_name - 1);
    const char* b = LookUpOperatorName(l, "12");
    EXPECT_EQ(a, b);
    EXPECT_STREQ(b, "Unknown Operator (12)");
}
