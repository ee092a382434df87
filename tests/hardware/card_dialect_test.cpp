// The "standard" dialect answers in the forms real modems use: its replies are held against
// replies captured from real devices (read from the shared folder), by shape where the values
// differ (numbers and quoted texts) and byte for byte where they can be made equal. The default
// dialect keeps the card's own forms.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/hardware/card_paths.h"
#include "tests/hardware/card_rig.h"
#include "tests/support/real_replies.h"

namespace qmx2::hardware::card {
namespace {

using ::qmx2::testing::RealReply;

// Numbers become 9 and quoted texts "s", so replies with other values compare equal.
std::string Shape(const std::string& s) {
    std::string out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '"') {
            const size_t close = s.find('"', i + 1);
            if (close == std::string::npos) return out + s.substr(i);
            out += "\"s\"";
            i = close;
        } else if (s[i] >= '0' && s[i] <= '9') {
            out += '9';
            while (i + 1 < s.size() && s[i + 1] >= '0' && s[i + 1] <= '9') ++i;
        } else {
            out += s[i];
        }
    }
    return out;
}

// The lines of a reply that start with `prefix`, without their line ends.
std::vector<std::string> Lines(const std::string& reply, const std::string& prefix) {
    std::vector<std::string> out;
    std::istringstream in(reply);
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.rfind(prefix, 0) == 0) out.push_back(line);
    }
    return out;
}

CardScenario Standard() {
    CardScenario s = DefaultScenario();
    s.dialect = Dialect::kStandard;
    s.network.in_reach = {{"24491", "SONERA", "SONERA", false}, {"24405", "RADIOLINJA", "RL", false}};
    return s;
}

TEST(CardDialect, RealCapturesAreThere) {
    QMX2_NEED_REAL_REPLIES();
    ASSERT_FALSE(RealReply("cops-test-huawei-e220.txt").empty()) << SharedFolder();
}

TEST(CardDialect, StandardOperatorSearchHasTheShapeOfARealModem) {
    QMX2_NEED_REAL_REPLIES();
    PhoneRig rig(Standard());
    const auto ours = Lines(rig.At("AT+COPS=?"), "+COPS:");
    const auto real = Lines(RealReply("cops-test-huawei-e220.txt"), "+COPS:");
    ASSERT_EQ(ours.size(), 1u);
    ASSERT_EQ(real.size(), 1u);
    EXPECT_EQ(Shape(ours[0]), Shape(real[0]));
    EXPECT_EQ(ours[0], "+COPS: (1,\"SONERA\",\"SONERA\",\"24491\",0),(2,\"RADIOLINJA\",\"RL\",\"24405\",0),,(0,1,2,3,4),(0,1,2)");
}

TEST(CardDialect, StandardOperatorReadInEveryFormat) {
    QMX2_NEED_REAL_REPLIES();
    PhoneRig rig(Standard());
    EXPECT_EQ(rig.Reply("AT+COPS?"), "\r\n+COPS: 0,0,\"RADIOLINJA\",0\r\n\r\nOK\r\n");
    const auto mtn = Lines(RealReply("cops-read-mtn.txt"), "+COPS:");
    ASSERT_EQ(mtn.size(), 1u);
    EXPECT_EQ(Shape(Lines(rig.At("AT+COPS?"), "+COPS:")[0]), Shape(mtn[0]));
    rig.At("AT+COPS=3,2");
    EXPECT_EQ(Shape(rig.At("AT+COPS?")), Shape(RealReply("cops-read-numeric-cz.txt")));
    rig.At("AT+COPS=2");
    EXPECT_EQ(rig.Reply("AT+COPS?"), "\r\n+COPS: 2\r\n\r\nOK\r\n");
}

TEST(CardDialect, StandardFramesEqualRealCapturesByteForByte) {
    QMX2_NEED_REAL_REPLIES();
    CardScenario s = Standard();
    s.sim.locks[static_cast<int>(LockKind::kSim)].enabled = true;
    s.network.rssi = 11;
    PhoneRig rig(s);
    EXPECT_EQ(rig.At("AT+CPIN?"), RealReply("cpin-sim-pin-huawei-dongle.txt"));
    EXPECT_EQ(rig.At("AT+CSQ"), RealReply("csq-huawei-e1752.txt"));
    rig.Unlock();
    EXPECT_EQ(rig.At("AT+CLCK=\"SC\",2"), RealReply("clck-sc-query-huawei-dongle.txt"));
}

TEST(CardDialect, StandardMessageFormsHaveTheShapeOfRealOnes) {
    QMX2_NEED_REAL_REPLIES();
    CardScenario s = Standard();
    s.sim.messages[0] = StoredMessage{"REC READ", "+447983110000", 145, "10/03/28,15:05:12+04", "testing"};
    s.sim.centre = "+447983112977";
    PhoneRig rig(s);
    EXPECT_EQ(Shape(rig.At("AT+CMGR=0")), Shape("AT+CMGR=0\r\r\n+CMS ERROR: 321\r\n"));
    EXPECT_EQ(Shape(rig.At("AT+CMGR=1")), Shape(RealReply("cmgr-text-huawei-e220.txt")));
    EXPECT_EQ(rig.At("AT+CSCA?"), RealReply("csca-huawei-e220.txt"));
    const auto listing = Lines(rig.At("AT+CMGL=\"ALL\""), "+CMGL:");
    const auto real = Lines(RealReply("cmgl-text-huawei-e220.txt"), "+CMGL:");
    ASSERT_EQ(listing.size(), 1u);
    EXPECT_EQ(Shape(listing[0]), Shape(real[0]));
    const auto cpms = Lines(rig.At("AT+CPMS=\"SM\",\"SM\""), "+CPMS:");
    EXPECT_EQ(Shape(cpms.at(0)), Shape(Lines(RealReply("cpms-set-huawei-e1752.txt"), "+CPMS:").at(0)));
}

TEST(CardDialect, PhoneBookSizeHasTheStandardForm) {
    QMX2_NEED_REAL_REPLIES();
    PhoneRig rig(Standard());
    EXPECT_EQ(Shape(rig.At("AT+CPBR=?")), Shape(RealReply("cpbr-test-option-gtm382.txt")));
}

TEST(CardDialect, StandardErrorsAreNumberedFromTheStart) {
    PhoneRig standard(Standard());
    EXPECT_EQ(standard.Reply("AT+CPBR=999"), "\r\n+CME ERROR: 21\r\n");
    EXPECT_EQ(standard.Reply("ATI"),
              "\r\nManufacturer: Orvan Mobile Phones\r\nModel: Pellion 2.0\r\nRevision: 2.00.14\r\n"
              "IMEI: 351234567890123\r\n\r\nOK\r\n");
    PhoneRig pellion;
    EXPECT_EQ(pellion.Reply("AT+CPBR=999"), "\r\nERROR\r\n");
}

TEST(CardDialect, TheCardsOwnSearchListIsNotTheStandardOne) {
    QMX2_NEED_REAL_REPLIES();
    PhoneRig rig;
    const auto ours = Lines(rig.At("AT+COPS=?"), "+COPS:");
    const auto real = Lines(RealReply("cops-test-huawei-e220.txt"), "+COPS:");
    ASSERT_EQ(ours.size(), 1u);
    EXPECT_NE(Shape(ours[0]), Shape(real[0]));
    // Both programs find the codes after ",,," and the modes "(0,1),(2)".
    EXPECT_NE(ours[0].find("(0,1),(2)"), std::string::npos);
    EXPECT_EQ(ours[0].find('"'), std::string::npos);
}

}  // namespace
}  // namespace qmx2::hardware::card
