// The device host's socket protocol: every field survives the round trip, and anything short,
// long or unknown is refused rather than read past its end.
#include <gtest/gtest.h>

#include "platform/serial_wire.h"

namespace qmx2::platform {
namespace {

WireRequest FullIoControl() {
    WireRequest r;
    r.op = WireOp::kIoControl;
    r.code = 0x001B0068;
    r.flags = kWireHasIn | kWireHasOut | kWireHasReturned;
    r.length = 4;
    r.data = {1, 0, 0xFF};
    return r;
}

TEST(SerialWire, RequestsAndAnswersRoundTrip) {
    WireRequest open;
    open.op = WireOp::kOpen;
    open.access = 0xC0000000u;
    open.share = 3;
    open.name = u"COM3:\u00e9";
    WireRequest back;
    auto bytes = EncodeRequest(open);
    ASSERT_TRUE(DecodeRequest(bytes.data(), bytes.size(), &back));
    EXPECT_EQ(back.op, WireOp::kOpen);
    EXPECT_EQ(back.access, 0xC0000000u);
    EXPECT_EQ(back.share, 3u);
    EXPECT_EQ(back.name, u"COM3:\u00e9");

    bytes = EncodeRequest(FullIoControl());
    ASSERT_TRUE(DecodeRequest(bytes.data(), bytes.size(), &back));
    EXPECT_EQ(back.code, 0x001B0068u);
    EXPECT_EQ(back.flags, kWireHasIn | kWireHasOut | kWireHasReturned);
    EXPECT_EQ(back.length, 4u);
    EXPECT_EQ(back.data, (std::vector<uint8_t>{1, 0, 0xFF}));

    WireAnswer a{-1, 1617, 4, {0, 'O', 'K'}}, b;
    bytes = EncodeAnswer(a);
    ASSERT_TRUE(DecodeAnswer(bytes.data(), bytes.size(), &b));
    EXPECT_EQ(b.value, -1);
    EXPECT_EQ(b.error, 1617u);
    EXPECT_EQ(b.returned, 4u);
    EXPECT_EQ(b.data, a.data);
}

TEST(SerialWire, EveryTruncationAndEveryExtraByteIsRefused) {
    const auto bytes = EncodeRequest(FullIoControl());
    WireRequest r;
    for (size_t n = 0; n < bytes.size(); ++n)
        EXPECT_FALSE(DecodeRequest(bytes.data(), n, &r)) << "cut at " << n;
    auto longer = bytes;
    longer.push_back(0);
    EXPECT_FALSE(DecodeRequest(longer.data(), longer.size(), &r));
    const auto answer = EncodeAnswer({1, 0, 0, {1, 2, 3}});
    WireAnswer a;
    for (size_t n = 0; n < answer.size(); ++n) EXPECT_FALSE(DecodeAnswer(answer.data(), n, &a));
}

TEST(SerialWire, UnknownOperationsFlagsAndOversizedFieldsAreRefused) {
    WireRequest r;
    const uint8_t unknown[] = {99};
    EXPECT_FALSE(DecodeRequest(unknown, 1, &r));
    auto bad_flags = EncodeRequest(FullIoControl());
    bad_flags[5] = 0x80;  // op, 4 bytes of code, then the flags
    EXPECT_FALSE(DecodeRequest(bad_flags.data(), bad_flags.size(), &r));
    WireRequest read;
    read.op = WireOp::kRead;
    read.length = kWireMaxData + 1;
    auto bytes = EncodeRequest(read);
    EXPECT_FALSE(DecodeRequest(bytes.data(), bytes.size(), &r));
    // A read's flags byte is optional; only the read-ahead flag is known.
    read.length = 1;
    read.flags = kWireReadAhead;
    bytes = EncodeRequest(read);
    ASSERT_TRUE(DecodeRequest(bytes.data(), bytes.size(), &r));
    EXPECT_EQ(r.flags, kWireReadAhead);
    bytes.pop_back();
    ASSERT_TRUE(DecodeRequest(bytes.data(), bytes.size(), &r));
    EXPECT_EQ(r.flags, 0);
    bytes.push_back(kWireHasIn);
    EXPECT_FALSE(DecodeRequest(bytes.data(), bytes.size(), &r));
    WireRequest named;
    named.op = WireOp::kQuery;
    named.name.assign(kWireMaxName + 1, u'A');
    bytes = EncodeRequest(named);
    EXPECT_FALSE(DecodeRequest(bytes.data(), bytes.size(), &r));
    // A name length that claims more than the frame holds.
    const uint8_t lying[] = {1, 0xFF, 0, 0, 0, 'A', 0};
    EXPECT_FALSE(DecodeRequest(lying, sizeof(lying), &r));
}

}  // namespace
}  // namespace qmx2::platform
