// The emulated PC Card's tuples, scenario settings and configuration gating.
#include <gtest/gtest.h>

#include "hardware/pccard/cis.h"
#include "hardware/pccard/pc_card.h"

namespace qmx2::hardware {
namespace {

std::vector<ConfigTableEntry> EntriesOf(const std::vector<uint8_t>& cis) {
    std::vector<ConfigTableEntry> out;
    for (size_t pos = 0; pos + 1 < cis.size() && cis[pos] != 0xFF; pos += 2 + cis[pos + 1]) {
        if (cis[pos] != 0x1B) continue;
        ConfigTableEntry e;
        EXPECT_TRUE(ParseConfigTableEntry(cis.data() + pos + 2, cis[pos + 1], &e));
        out.push_back(e);
    }
    return out;
}

TEST(PcCardCis, EntriesSurviveEncodingWithUpToFourRanges) {
    const std::vector<ConfigTableEntry> table = {
        {1, {{0x3F8, 8}}},
        {9, {{0x2E8, 6}, {0x2F8, 8}, {0x100, 256}, {0xFFF8, 1}}},
        {63, {}},
    };
    const auto cis = BuildCis(CardIdentity{}, table);
    EXPECT_EQ(cis.back(), 0xFF);
    const auto parsed = EntriesOf(cis);
    ASSERT_EQ(parsed.size(), 3u);
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(parsed[i].index, table[i].index);
        ASSERT_EQ(parsed[i].io.size(), table[i].io.size());
        for (size_t r = 0; r < table[i].io.size(); ++r) {
            EXPECT_EQ(parsed[i].io[r].base, table[i].io[r].base);
            EXPECT_EQ(parsed[i].io[r].length, table[i].io[r].length);
        }
    }
}

TEST(PcCardCis, IdentityTextsAreInTheVersionTuple) {
    const auto cis = BuildCis(CardIdentity{}, DefaultConfigTable());
    ASSERT_EQ(cis[0], 0x15);
    const std::string body(cis.begin() + 4, cis.begin() + 2 + cis[1]);
    EXPECT_NE(body.find("Orvan Mobile Phones"), std::string::npos);
    EXPECT_NE(body.find("ORVAN PELLION"), std::string::npos);
}

TEST(PcCardCis, TruncatedEntriesAreRefused) {
    const uint8_t truncated[] = {0x01, 0x18, 0xAA, 0x60, 0xF8};
    ConfigTableEntry e;
    EXPECT_FALSE(ParseConfigTableEntry(truncated, sizeof(truncated), &e));
    EXPECT_FALSE(ParseConfigTableEntry(truncated, 0, &e));
}

TEST(PcCardScenario, ConfigTableAndScratchFromJson) {
    PcCardScenario s;
    std::string error;
    EXPECT_TRUE(ParsePcCardScenario(
        R"({"pc_card": {"config_table": [{"index": 3, "io": [[1016, 8], [744, 6]]}],
            "scratch_pad_broken": true}})",
        &s, &error));
    ASSERT_EQ(s.config_table.size(), 1u);
    EXPECT_EQ(s.config_table[0].index, 3);
    EXPECT_EQ(s.config_table[0].io[1].base, 744u);
    EXPECT_TRUE(s.scratch_pad_broken);
    PcCardScenario untouched;
    EXPECT_TRUE(ParsePcCardScenario(R"({"sim": {}})", &untouched, &error));
    EXPECT_EQ(untouched.config_table.size(), DefaultConfigTable().size());
    EXPECT_FALSE(ParsePcCardScenario(R"({"pc_card": {"config_table": [{"index": 99, "io": []}]}})",
                                     &s, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(ParsePcCardScenario("[1,2]", &s, &error));
    EXPECT_FALSE(ParsePcCardScenario(
        R"({"pc_card": {"config_table": [{"index": 1, "io": [[1016, 0]]}]}})", &s, &error));
}

TEST(PcCardRegisters, UartAnswersOnlyConfiguredPoweredAndPresent) {
    PcCard card(PcCardScenario{}, nullptr);
    uint8_t v = 0;
    EXPECT_FALSE(card.IoWrite(7, 0x5A, 0));
    card.SetPowered(true);
    EXPECT_FALSE(card.IoWrite(7, 0x5A, 0));  // option register still 0
    card.WriteConfigRegister(0, 0x41);
    EXPECT_EQ(card.ReadConfigRegister(0), 0x41);
    EXPECT_TRUE(card.IoWrite(7, 0x5A, 0));
    EXPECT_TRUE(card.IoRead(7, 0, &v));
    EXPECT_EQ(v, 0x5A);
    card.ResetFunction();
    EXPECT_EQ(card.ReadConfigRegister(0), 0);
    card.WriteConfigRegister(0, 0x01);
    EXPECT_TRUE(card.IoRead(7, 0, &v));
    EXPECT_EQ(v, 0);  // the reset cleared the chip
    card.Pull();
    EXPECT_FALSE(card.IoRead(7, 0, &v));
    EXPECT_FALSE(card.present());
}

}  // namespace
}  // namespace qmx2::hardware
