// The registry as the programs use it: keys by path without regard to case, values with their
// exact type and size, the buffer rules of reads and the order of enumerations.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/clock.h"
#include "platform/comm_types.h"
#include "platform/registry.h"
#include "tests/platform/files_temp_root.h"

using namespace qmx2::platform;
using qmx2::platform::testing::TempRoot;

namespace {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegistryOptions o;
        o.clock = clock_.get();
        reg_ = OpenRegistry(root_.path(), &error_, o);
        ASSERT_TRUE(reg_) << error_;
        ASSERT_EQ(reg_->CreateKey(HKEY_LOCAL_MACHINE, u"Software\\Orvan\\QMX2", &key_), ERROR_SUCCESS);
    }

    uint32_t SetText(RegKey key, WideView name, WideView text, uint32_t size) {
        std::vector<uint8_t> buffer(size, 0xAB);  // whatever the writer's memory held
        std::memcpy(buffer.data(), text.data(), std::min<size_t>(size, text.size() * 2));
        if (text.size() * 2 + 2 <= size) std::memset(buffer.data() + text.size() * 2, 0, 2);
        return reg_->SetValue(key, name, REG_SZ, buffer.data(), size);
    }

    TempRoot root_;
    std::unique_ptr<VirtualClock> clock_ = MakeVirtualClock();
    std::string error_;
    std::unique_ptr<Registry> reg_;
    RegKey key_ = 0;
};

TEST_F(RegistryTest, KeyNamesIgnoreCaseButKeepTheCaseTheyWereMadeWith) {
    RegKey again = 0;
    bool created = true;
    ASSERT_EQ(reg_->CreateKey(HKEY_LOCAL_MACHINE, u"SOFTWARE\\orvan\\qmx2\\", &again, &created),
              ERROR_SUCCESS);
    EXPECT_FALSE(created);
    ASSERT_EQ(reg_->SetValue(again, u"n", REG_DWORD, "\1\0\0\0", 4), ERROR_SUCCESS);
    uint32_t size = 0;
    EXPECT_EQ(reg_->QueryValue(key_, u"N", nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 4u);

    RegKey orvan = 0;
    ASSERT_EQ(reg_->OpenKey(HKEY_LOCAL_MACHINE, u"\\software\\ORVAN", &orvan), ERROR_SUCCESS);
    WideChar name[16];
    uint32_t chars = 16;
    ASSERT_EQ(reg_->EnumKey(orvan, 0, name, &chars), ERROR_SUCCESS);
    EXPECT_EQ(WideString(name, chars), u"QMX2");
    EXPECT_EQ(name[chars], 0);
    RegKey fresh = 0;
    ASSERT_EQ(reg_->CreateKey(orvan, u"SERQMX2", &fresh, &created), ERROR_SUCCESS);
    EXPECT_TRUE(created);
}

TEST_F(RegistryTest, MissingKeyReadsAsAllValuesAbsent) {
    RegKey key = 0;
    EXPECT_EQ(reg_->OpenKey(HKEY_LOCAL_MACHINE, u"Drivers\\Active", &key), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(key, 0u);
    uint8_t data[100];
    uint32_t size = sizeof data, type = 99;
    EXPECT_EQ(reg_->QueryValue(key, u"UnreadIdx", &type, data, &size), ERROR_FILE_NOT_FOUND);
    WideChar name[50];
    uint32_t chars = 50;
    EXPECT_EQ(reg_->EnumValue(key, 0, name, &chars, &type, data, &size), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg_->EnumKey(key, 0, name, &chars), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg_->QueryValue(key_, u"UnreadIdx", &type, data, &size), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, UnreadIdxWrittenAsHundredBytesComesBackByteForByte) {
    ASSERT_EQ(SetText(key_, u"UnreadIdx", u"[3][12][7]", 100), ERROR_SUCCESS);
    uint32_t type = 0, size = 0;
    ASSERT_EQ(reg_->QueryValue(key_, u"UnreadIdx", &type, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_EQ(size, 100u);

    uint8_t data[100];
    size = sizeof data;
    ASSERT_EQ(reg_->QueryValue(key_, u"UnreadIdx", &type, data, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 100u);
    EXPECT_EQ(WideString(reinterpret_cast<const char16_t*>(data)), u"[3][12][7]");
    EXPECT_EQ(data[20] | data[21], 0);
    EXPECT_EQ(data[22], 0xAB);  // the rest of the writer's buffer is kept too
    EXPECT_EQ(data[99], 0xAB);
}

TEST_F(RegistryTest, TooSmallBufferGivesMoreDataAndTheSizeAndWritesNothing) {
    ASSERT_EQ(SetText(key_, u"ATModemCmd", u"AT+CBST=0,0,1;+CHSN=1,0,0,0", 100), ERROR_SUCCESS);
    uint8_t data[101];
    std::memset(data, 0x5A, sizeof data);
    uint32_t size = 99, type = 0;
    EXPECT_EQ(reg_->QueryValue(key_, u"ATModemCmd", &type, data, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 100u);
    EXPECT_EQ(type, REG_SZ);
    for (uint8_t b : data) ASSERT_EQ(b, 0x5A);

    size = 0;
    EXPECT_EQ(reg_->QueryValue(key_, u"ATModemCmd", &type, data, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 100u);
    EXPECT_EQ(reg_->QueryValue(key_, u"ATModemCmd", &type, data, nullptr), ERROR_INVALID_PARAMETER);
}

TEST_F(RegistryTest, PnpIdFitsA260ByteBufferExactlyAndOneUnitMoreDoesNot) {
    RegKey active = 0;
    ASSERT_EQ(reg_->CreateKey(HKEY_LOCAL_MACHINE, u"Drivers\\Active\\04", &active), ERROR_SUCCESS);
    const WideString id129(129, u'x');  // 129 units + terminator = 260 bytes
    ASSERT_EQ(SetText(active, u"PnpId", id129, 260), ERROR_SUCCESS);
    ASSERT_EQ(SetText(active, u"Name", WideString(130, u'y'), 262), ERROR_SUCCESS);

    uint8_t buffer[261];
    buffer[260] = 0xEE;
    uint32_t size = 260;
    EXPECT_EQ(reg_->QueryValue(active, u"PnpId", nullptr, buffer, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 260u);
    size = 260;
    EXPECT_EQ(reg_->QueryValue(active, u"Name", nullptr, buffer, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, 262u);
    EXPECT_EQ(buffer[260], 0xEE);
}

TEST_F(RegistryTest, TypesAndOddSizesAreKeptAsWritten) {
    const uint8_t sckt[2] = {0x01, 0x00};
    ASSERT_EQ(reg_->SetValue(key_, u"Sckt", REG_BINARY, sckt, 2), ERROR_SUCCESS);
    ASSERT_EQ(reg_->SetValue(key_, u"odd", REG_SZ, "a\0b", 3), ERROR_SUCCESS);
    ASSERT_EQ(reg_->SetValue(key_, u"empty", REG_BINARY, nullptr, 0), ERROR_SUCCESS);
    const uint32_t one = 1;
    ASSERT_EQ(reg_->SetValue(key_, u"autopowerup", REG_DWORD, &one, 4), ERROR_SUCCESS);
    ASSERT_EQ(reg_->SetValue(key_, u"", REG_SZ, u"default", 16), ERROR_SUCCESS);

    struct Case {
        const char16_t* name;
        uint32_t type, size;
    } cases[] = {{u"Sckt", REG_BINARY, 2}, {u"odd", REG_SZ, 3}, {u"empty", REG_BINARY, 0},
                 {u"autopowerup", REG_DWORD, 4}, {u"", REG_SZ, 16}};
    for (const auto& c : cases) {
        uint8_t data[32];
        uint32_t type = 0, size = sizeof data;
        ASSERT_EQ(reg_->QueryValue(key_, c.name, &type, data, &size), ERROR_SUCCESS);
        EXPECT_EQ(type, c.type);
        EXPECT_EQ(size, c.size);
    }
    uint32_t v = 0, size = 4;
    ASSERT_EQ(reg_->QueryValue(key_, u"AUTOPOWERUP", nullptr, &v, &size), ERROR_SUCCESS);
    EXPECT_EQ(v, 1u);
}

TEST_F(RegistryTest, ValuesEnumerateInFirstWrittenOrderAndRewritingKeepsNameAndPlace) {
    for (const char16_t* n : {u"ATModemCmd", u"StartUpFlag", u"useDefSMSCenter"})
        ASSERT_EQ(SetText(key_, n, u"On", 100), ERROR_SUCCESS);
    ASSERT_EQ(SetText(key_, u"STARTUPFLAG", u"Off", 100), ERROR_SUCCESS);
    ASSERT_EQ(reg_->DeleteValue(key_, u"ATModemCmd"), ERROR_SUCCESS);
    ASSERT_EQ(SetText(key_, u"ATModemCmd", u"AT", 100), ERROR_SUCCESS);
    EXPECT_EQ(reg_->DeleteValue(key_, u"NewMsgIdx"), ERROR_FILE_NOT_FOUND);

    std::vector<WideString> names;
    for (uint32_t i = 0;; ++i) {
        WideChar name[64];
        uint32_t chars = 64;
        const uint32_t rc = reg_->EnumValue(key_, i, name, &chars, nullptr, nullptr, nullptr);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(rc, ERROR_SUCCESS);
        names.emplace_back(name, chars);
    }
    EXPECT_EQ(names, (std::vector<WideString>{u"StartUpFlag", u"useDefSMSCenter", u"ATModemCmd"}));
    char16_t text[50];
    uint32_t size = sizeof text;
    ASSERT_EQ(reg_->QueryValue(key_, u"StartUpFlag", nullptr, text, &size), ERROR_SUCCESS);
    EXPECT_EQ(WideString(text), u"Off");
}

// The settings reader enumerates with room for 100 bytes of name and data and stops at the
// first value that does not fit: that value and those after it count as absent.
TEST_F(RegistryTest, EnumerationStopsAtAValueTooLargeForTheReadersBuffer) {
    ASSERT_EQ(SetText(key_, u"ATModemCmd", u"AT+CBST=0,0,1;+CHSN=1,0,0,0", 100), ERROR_SUCCESS);
    ASSERT_EQ(SetText(key_, u"NewMsgIdx", WideString(80, u'7'), 162), ERROR_SUCCESS);
    ASSERT_EQ(SetText(key_, u"StartUpFlag", u"Off", 100), ERROR_SUCCESS);
    ASSERT_EQ(SetText(key_, WideString(50, u'N'), u"On", 100), ERROR_SUCCESS);

    std::vector<WideString> seen;
    uint32_t i = 0, rc = ERROR_SUCCESS;
    for (;; ++i) {
        WideChar name[50];
        uint8_t data[100];
        std::memset(name, 0x11, sizeof name);
        std::memset(data, 0x22, sizeof data);
        uint32_t chars = 50, size = 100, type = 0;
        rc = reg_->EnumValue(key_, i, name, &chars, &type, data, &size);
        if (rc != ERROR_SUCCESS) {
            EXPECT_EQ(size, 162u);
            EXPECT_EQ(data[0], 0x22);
            EXPECT_EQ(name[0], 0x1111);
            break;
        }
        seen.emplace_back(name, chars);
    }
    EXPECT_EQ(rc, ERROR_MORE_DATA);
    EXPECT_EQ(seen, std::vector<WideString>{u"ATModemCmd"});

    // A name of 50 units needs 51 with its terminator.
    WideChar name[50];
    uint32_t chars = 50;
    EXPECT_EQ(reg_->EnumValue(key_, 3, name, &chars, nullptr, nullptr, nullptr), ERROR_MORE_DATA);
    chars = 51;
    WideChar longer[51];
    EXPECT_EQ(reg_->EnumValue(key_, 3, longer, &chars, nullptr, nullptr, nullptr), ERROR_SUCCESS);
    EXPECT_EQ(chars, 50u);
}

TEST_F(RegistryTest, SubkeysEnumerateInNameOrderWithoutRegardToCase) {
    RegKey active = 0, sub = 0;
    ASSERT_EQ(reg_->CreateKey(HKEY_LOCAL_MACHINE, u"Drivers\\Active", &active), ERROR_SUCCESS);
    for (const char16_t* n : {u"beta", u"Alpha", u"gamma", u"ALPHA2", u"_x"}) {
        ASSERT_EQ(reg_->CreateKey(active, n, &sub), ERROR_SUCCESS);
        reg_->CloseKey(sub);
    }
    std::vector<WideString> names;
    for (uint32_t i = 0;; ++i) {
        WideChar name[16];
        uint32_t chars = 16;
        const uint32_t rc = reg_->EnumKey(active, i, name, &chars);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        ASSERT_EQ(rc, ERROR_SUCCESS);
        names.emplace_back(name, chars);
    }
    EXPECT_EQ(names, (std::vector<WideString>{u"Alpha", u"ALPHA2", u"beta", u"gamma", u"_x"}));  // "_" sorts after letters
    WideChar small[5];
    uint32_t chars = 5;
    EXPECT_EQ(reg_->EnumKey(active, 0, small, &chars), ERROR_MORE_DATA);
    EXPECT_EQ(chars, 5u);
}

TEST_F(RegistryTest, DeletingAKeyTakesItsSubtreeAndLeavesOpenHandlesDead) {
    RegKey deep = 0, card = 0;
    ASSERT_EQ(reg_->CreateKey(key_, u"a\\b\\c", &deep), ERROR_SUCCESS);
    ASSERT_EQ(SetText(deep, u"v", u"x", 4), ERROR_SUCCESS);
    ASSERT_EQ(reg_->CreateKey(HKEY_LOCAL_MACHINE, u"Software\\Orvan\\SERQMX2", &card), ERROR_SUCCESS);

    ASSERT_EQ(reg_->DeleteKey(key_, u"A"), ERROR_SUCCESS);
    RegKey k = 0;
    EXPECT_EQ(reg_->OpenKey(key_, u"a\\b\\c", &k), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg_->QueryValue(deep, u"v", nullptr, nullptr, nullptr), ERROR_KEY_DELETED);
    EXPECT_EQ(reg_->SetValue(deep, u"v", REG_SZ, u"y", 4), ERROR_KEY_DELETED);
    EXPECT_EQ(reg_->DeleteKey(key_, u"a"), ERROR_FILE_NOT_FOUND);

    // A key made again at the same place is a new key: the old handle stays dead.
    RegKey again = 0;
    ASSERT_EQ(reg_->CreateKey(key_, u"a\\b\\c", &again), ERROR_SUCCESS);
    EXPECT_EQ(reg_->QueryValue(again, u"v", nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg_->SetValue(deep, u"v", REG_SZ, u"y", 4), ERROR_KEY_DELETED);
    EXPECT_EQ(reg_->OpenKey(HKEY_LOCAL_MACHINE, u"Software\\Orvan\\SERQMX2", &k), ERROR_SUCCESS);
}

TEST_F(RegistryTest, HandlesBelongToTheirRegistryObject) {
    RegistryOptions o;
    o.clock = clock_.get();
    auto other = OpenRegistry(root_.path(), &error_, o);
    ASSERT_TRUE(other) << error_;
    EXPECT_EQ(other->SetValue(key_, u"v", REG_DWORD, "\0\0\0\0", 4), ERROR_INVALID_HANDLE);
    EXPECT_EQ(other->QueryValue(key_, u"v", nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(reg_->CloseKey(key_), ERROR_SUCCESS);
    EXPECT_EQ(reg_->CloseKey(key_), ERROR_INVALID_HANDLE);
    EXPECT_EQ(reg_->CloseKey(HKEY_LOCAL_MACHINE), ERROR_SUCCESS);
}

TEST_F(RegistryTest, MalformedRequestsAreRefused) {
    RegKey k = 0;
    EXPECT_EQ(reg_->CreateKey(HKEY_LOCAL_MACHINE, u"Software\\\\Orvan", &k), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg_->CreateKey(HKEY_LOCAL_MACHINE, WideString(256, u'k'), &k), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg_->CreateKey(HKEY_LOCAL_MACHINE, WideString(255, u'k'), &k), ERROR_SUCCESS);
    EXPECT_EQ(reg_->CreateKey(HKEY_LOCAL_MACHINE, WideView(u"a\0b", 3), &k), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg_->CreateKey(HKEY_LOCAL_MACHINE, u"x", nullptr), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg_->DeleteKey(HKEY_LOCAL_MACHINE, u""), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg_->SetValue(key_, u"v", REG_BINARY, nullptr, 4), ERROR_INVALID_PARAMETER);
    std::vector<uint8_t> huge(kMaxRegValueBytes + 1);
    EXPECT_EQ(reg_->SetValue(key_, u"v", REG_BINARY, huge.data(), kMaxRegValueBytes + 1),
              ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg_->SetValue(key_, WideString(256, u'v'), REG_BINARY, "", 0), ERROR_INVALID_PARAMETER);
    EXPECT_EQ(reg_->SetValue(12345, u"v", REG_BINARY, "", 0), ERROR_INVALID_HANDLE);
    EXPECT_EQ(reg_->QueryValue(key_, u"v", nullptr, nullptr, nullptr), ERROR_FILE_NOT_FOUND);
}

TEST_F(RegistryTest, ValuesSurviveARestartAndAreSeenByOtherRegistryObjectsAtOnce) {
    RegistryOptions o;
    o.clock = clock_.get();
    auto other = OpenRegistry(root_.path(), &error_, o);
    ASSERT_TRUE(other) << error_;
    ASSERT_EQ(SetText(key_, u"NotifyFlag", u"On", 100), ERROR_SUCCESS);
    RegKey k = 0;
    ASSERT_EQ(other->OpenKey(HKEY_LOCAL_MACHINE, u"Software\\Orvan\\QMX2", &k), ERROR_SUCCESS);
    uint32_t size = 0;
    EXPECT_EQ(other->QueryValue(k, u"NotifyFlag", nullptr, nullptr, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, 100u);

    reg_.reset();
    other.reset();
    auto reopened = OpenRegistry(root_.path(), &error_, o);
    ASSERT_TRUE(reopened) << error_;
    ASSERT_EQ(reopened->OpenKey(HKEY_LOCAL_MACHINE, u"software\\orvan\\qmx2", &k), ERROR_SUCCESS);
    char16_t text[50];
    size = sizeof text;
    ASSERT_EQ(reopened->QueryValue(k, u"NotifyFlag", nullptr, text, &size), ERROR_SUCCESS);
    EXPECT_EQ(WideString(text), u"On");
}

}  // namespace
