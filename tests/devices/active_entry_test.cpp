// The card's "Drivers\Active" entry in a real registry database: its exact values, its number,
// and what a host that was killed left behind.
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

#include "devices/active_entry.h"
#include "platform/comm_types.h"
#include "platform/registry.h"

namespace qmx2::devices {
namespace {

using namespace qmx2::platform;

class ActiveEntryTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/qmx2-active-XXXXXX";
        ASSERT_TRUE(mkdtemp(tmpl));
        root = tmpl;
        std::string error;
        registry = OpenRegistry(root, &error);
        ASSERT_TRUE(registry) << error;
    }
    void TearDown() override {
        registry.reset();
        std::system(("rm -rf " + root).c_str());
    }
    // A value as raw bytes with its type.
    std::pair<uint32_t, std::string> Value(WideView key, WideView name) {
        RegKey k = 0;
        if (registry->OpenKey(HKEY_LOCAL_MACHINE, key, &k) != ERROR_SUCCESS) return {0, "<no key>"};
        char buf[600];
        uint32_t type = 0, size = sizeof(buf);
        const uint32_t rc = registry->QueryValue(k, name, &type, buf, &size);
        registry->CloseKey(k);
        if (rc != ERROR_SUCCESS) return {0, "<no value>"};
        return {type, std::string(buf, size)};
    }
    static std::string Wide(std::u16string_view s) {  // REG_SZ bytes with the terminator
        std::string out;
        for (char16_t c : s) {
            out.push_back(static_cast<char>(c & 0xFF));
            out.push_back(static_cast<char>(c >> 8));
        }
        return out + std::string(2, '\0');
    }
    std::string root;
    std::unique_ptr<Registry> registry;
};

TEST_F(ActiveEntryTest, TheEntryHoldsExactlyWhatTheProgramsAndTheDriverRead) {
    WideString key;
    ASSERT_EQ(WriteActiveEntry(*registry, u"COM3:", PellionIdentity(), &key), ERROR_SUCCESS);
    EXPECT_EQ(key, u"Drivers\\Active\\01");
    EXPECT_EQ(Value(key, u"Name"), std::make_pair(REG_SZ, Wide(u"COM3:")));
    EXPECT_EQ(Value(key, u"PnpId"),
              std::make_pair(REG_SZ, Wide(u"Orvan_Mobile_Phones-Orvan_Pellion-4C2D")));
    EXPECT_EQ(Value(key, u"Key"),
              std::make_pair(REG_SZ,
                             Wide(u"Drivers\\PCMCIA\\Orvan_Mobile_Phones-ORVAN_PELLION-4C2D")));
    EXPECT_EQ(Value(key, u"Sckt"), std::make_pair(REG_BINARY, std::string(2, '\0')));
    EXPECT_EQ(FindActiveDevice(*registry, u"Orvan_Mobile_Phones-Orvan_Pellion"), u"COM3:");
    ASSERT_EQ(RemoveActiveEntry(*registry, key), ERROR_SUCCESS);
    EXPECT_EQ(Value(key, u"Name").second, "<no key>");
    EXPECT_EQ(FindActiveDevice(*registry, u"Orvan_Mobile_Phones-Orvan_Pellion"), u"");
    EXPECT_EQ(RemoveActiveEntry(*registry, key), ERROR_SUCCESS);  // already gone is fine
}

TEST_F(ActiveEntryTest, OtherDriversKeepTheirNumbersAndAStaleEntryOfOursIsReplaced) {
    RegKey other = 0;
    ASSERT_EQ(registry->CreateKey(HKEY_LOCAL_MACHINE, u"Drivers\\Active\\01", &other),
              ERROR_SUCCESS);
    const WideString serial = u"COM1:";
    registry->SetValue(other, u"Name", REG_SZ, serial.c_str(), 12);
    registry->CloseKey(other);
    WideString first, second;
    ASSERT_EQ(WriteActiveEntry(*registry, u"COM5:", PellionIdentity(), &first), ERROR_SUCCESS);
    EXPECT_EQ(first, u"Drivers\\Active\\02");
    // A host killed without cleaning up left 02; the next host for COM5: replaces it.
    ASSERT_EQ(WriteActiveEntry(*registry, u"com5:", PellionIdentity(), &second), ERROR_SUCCESS);
    EXPECT_EQ(second, u"Drivers\\Active\\02");
    EXPECT_EQ(Value(u"Drivers\\Active\\01", u"Name").second, Wide(u"COM1:"));
    EXPECT_EQ(Value(second, u"Name").second, Wide(u"com5:"));
    EXPECT_EQ(FindActiveDevice(*registry, u"Orvan_Mobile_Phones-Orvan_Pellion"), u"com5:");
}

}  // namespace
}  // namespace qmx2::devices
