// Frames and entry files of window messages: what is written reads back exactly, and every
// damaged or hostile variant is refused.
#include <gtest/gtest.h>

#include <cstring>

#include "platform/comm_types.h"
#include "platform/windows_wire.h"

using namespace qmx2::platform;
using namespace qmx2::platform::wire;

namespace {

Frame DeviceSend(std::u16string name) {
    Frame f;
    f.kind = FrameKind::kSend;
    f.message = WM_DEVICECHANGE;
    f.id = 77;
    f.hwnd = 0x0123456789ABCDEFull;
    f.wparam = DBT_DEVICEREMOVECOMPLETE;
    f.device_name = std::move(name);
    return f;
}

void PutU32(std::vector<uint8_t>& b, size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); }
void PutU16(std::vector<uint8_t>& b, size_t at, uint16_t v) { std::memcpy(&b[at], &v, 2); }

std::optional<Frame> Decode(const std::vector<uint8_t>& b) { return DecodeFrame(b.data(), b.size()); }

TEST(WindowFrames, EveryFieldReadsBack) {
    Frame f;
    f.kind = FrameKind::kReply;
    f.message = 8025;
    f.id = 0xFFFFFFFFFFFFFFFFull;
    f.hwnd = 42;
    f.wparam = 0x8000000000000001ull;
    f.lparam = -5;
    f.error = ERROR_INVALID_WINDOW_HANDLE;
    const auto bytes = EncodeFrame(f);
    ASSERT_EQ(bytes.size(), sizeof(FrameHeader));
    const auto back = Decode(bytes);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->kind, FrameKind::kReply);
    EXPECT_EQ(back->message, 8025u);
    EXPECT_EQ(back->id, f.id);
    EXPECT_EQ(back->hwnd, 42u);
    EXPECT_EQ(back->wparam, f.wparam);
    EXPECT_EQ(back->lparam, -5);
    EXPECT_EQ(back->error, ERROR_INVALID_WINDOW_HANDLE);
    EXPECT_FALSE(back->device_name);
}

TEST(WindowFrames, DeviceNameTravelsWithTheDeviceChangeOnly) {
    const auto back = Decode(EncodeFrame(DeviceSend(u"COM5:")));
    ASSERT_TRUE(back && back->device_name);
    EXPECT_EQ(*back->device_name, u"COM5:");
    EXPECT_EQ(back->wparam, DBT_DEVICEREMOVECOMPLETE);

    const auto empty = Decode(EncodeFrame(DeviceSend(u"")));
    ASSERT_TRUE(empty && empty->device_name);
    EXPECT_TRUE(empty->device_name->empty());

    // A name on any other message is refused even when the length adds up.
    auto other = EncodeFrame(DeviceSend(u"COM5:"));
    PutU32(other, offsetof(FrameHeader, message), WM_USER);
    EXPECT_FALSE(Decode(other));
    auto post = EncodeFrame(DeviceSend(u"COM5:"));
    PutU16(post, offsetof(FrameHeader, kind), static_cast<uint16_t>(FrameKind::kPost));
    EXPECT_FALSE(Decode(post));
}

TEST(WindowFrames, APostedDeviceChangeIsNeitherWrittenNorRead) {
    Frame f;
    f.kind = FrameKind::kPost;
    f.message = WM_DEVICECHANGE;
    f.lparam = 0x7fff12345678;  // would be taken for a DEV_BROADCAST_PORT pointer
    EXPECT_TRUE(EncodeFrame(f).empty());
    f.message = WM_USER;
    auto bytes = EncodeFrame(f);
    ASSERT_TRUE(Decode(bytes));
    PutU32(bytes, offsetof(FrameHeader, message), WM_DEVICECHANGE);
    EXPECT_FALSE(Decode(bytes));
}

TEST(WindowFrames, NamesThatDoNotFitAreNeitherWrittenNorRead) {
    const std::u16string longest(kMaxNameUnits, u'x');
    EXPECT_TRUE(Decode(EncodeFrame(DeviceSend(longest))));
    EXPECT_TRUE(EncodeFrame(DeviceSend(longest + u"x")).empty());

    auto zero = EncodeFrame(DeviceSend(u"AB"));
    zero[sizeof(FrameHeader) + 2] = 0;
    zero[sizeof(FrameHeader) + 3] = 0;
    EXPECT_FALSE(Decode(zero));
}

TEST(WindowFrames, DamagedHeadersAreRefused) {
    const auto good = EncodeFrame(DeviceSend(u"COM5:"));
    ASSERT_TRUE(Decode(good));

    auto magic = good;
    magic[0] ^= 1;
    EXPECT_FALSE(Decode(magic));
    auto version = good;
    PutU16(version, offsetof(FrameHeader, version), 2);
    EXPECT_FALSE(Decode(version));
    for (uint16_t kind : {0, 4, 0xFFFF}) {
        auto k = good;
        PutU16(k, offsetof(FrameHeader, kind), kind);
        EXPECT_FALSE(Decode(k)) << kind;
    }
    auto length = good;
    PutU32(length, offsetof(FrameHeader, length), static_cast<uint32_t>(good.size() + 2));
    EXPECT_FALSE(Decode(length));
    auto units = good;
    PutU16(units, offsetof(FrameHeader, name_units), 6);
    EXPECT_FALSE(Decode(units));
    auto huge_units = good;
    PutU16(huge_units, offsetof(FrameHeader, name_units), 0xFFFF);
    EXPECT_FALSE(Decode(huge_units));
}

TEST(WindowFrames, EveryTruncationAndAnOversizedPacketAreRefused) {
    const auto good = EncodeFrame(DeviceSend(u"COM5:"));
    for (size_t n = 0; n < good.size(); ++n)
        EXPECT_FALSE(DecodeFrame(good.data(), n)) << "cut at " << n;
    auto longer = good;
    longer.push_back(0);
    EXPECT_FALSE(Decode(longer));
    std::vector<uint8_t> oversized(kMaxFrameBytes + 1, 0);
    std::memcpy(oversized.data(), good.data(), good.size());
    PutU32(oversized, offsetof(FrameHeader, length), static_cast<uint32_t>(oversized.size()));
    EXPECT_FALSE(Decode(oversized));
}

WindowEntry SampleEntry() {
    WindowEntry e;
    e.hwnd = 0x00ABCDEF12345678ull;
    e.created_ns = 1'700'000'000'000'000'000ull;
    e.pid = 4242;
    e.window_class = u"Qmx2Com";
    e.title = u"QMX2 commander";
    e.socket_name = "0123456789abcdef.sock";
    return e;
}

TEST(WindowEntries, EveryFieldReadsBack) {
    const auto bytes = EncodeEntry(SampleEntry());
    const auto back = DecodeEntry(bytes.data(), bytes.size());
    ASSERT_TRUE(back);
    EXPECT_EQ(back->hwnd, 0x00ABCDEF12345678ull);
    EXPECT_EQ(back->created_ns, SampleEntry().created_ns);
    EXPECT_EQ(back->pid, 4242u);
    EXPECT_EQ(back->window_class, u"Qmx2Com");
    EXPECT_EQ(back->title, u"QMX2 commander");
    EXPECT_EQ(back->socket_name, "0123456789abcdef.sock");
}

TEST(WindowEntries, SocketNamesThatCouldLeaveTheFolderAreRefused) {
    for (const char* name : {"../x.sock", "a/b", "..", "X.sock", "a b", "a\nb"}) {
        auto e = SampleEntry();
        e.socket_name = name;
        const auto bytes = EncodeEntry(e);
        ASSERT_FALSE(bytes.empty());
        EXPECT_FALSE(DecodeEntry(bytes.data(), bytes.size())) << name;
    }
    auto empty = SampleEntry();
    empty.socket_name.clear();
    EXPECT_TRUE(EncodeEntry(empty).empty());
}

TEST(WindowEntries, TruncatedPaddedAndZeroHandleEntriesAreRefused) {
    const auto good = EncodeEntry(SampleEntry());
    for (size_t n = 0; n < good.size(); ++n) EXPECT_FALSE(DecodeEntry(good.data(), n));
    auto padded = good;
    padded.push_back('x');
    EXPECT_FALSE(DecodeEntry(padded.data(), padded.size()));
    auto zero = SampleEntry();
    zero.hwnd = 0;
    const auto z = EncodeEntry(zero);
    EXPECT_FALSE(DecodeEntry(z.data(), z.size()));
    auto long_title = SampleEntry();
    long_title.title.assign(kMaxEntryTextUnits + 1, u't');
    EXPECT_TRUE(EncodeEntry(long_title).empty());
}

}  // namespace
