// The shared text utilities: the examples users rely on, bounded outputs and the input limit.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/text_utils.h"

namespace qmx2::common {
namespace {

std::string Dial(const char* text, size_t size = 64) {
    char out[64];
    DialableDigits(text, out, size);
    return out;
}

std::string Flat(const char* text) {
    char out[64];
    FlattenLineBreaks(text, out, sizeof out);
    return out;
}

std::string Stamp(const char* text, size_t size = 64) {
    char out[64];
    FormatStampForDisplay(text, out, size);
    return out;
}

TEST(DialableDigits, KeepsALeadingPlusAndTheDialableCharacters) {
    EXPECT_EQ(Dial("+1 (2) 3"), "+123");
    EXPECT_EQ(Dial("0+1"), "01");
    EXPECT_EQ(Dial(" +44"), "44");  // the plus must be the very first character
    EXPECT_EQ(Dial("*#06#"), "*#06#");
    EXPECT_EQ(Dial("++49-30/1234"), "+49301234");
    EXPECT_EQ(Dial("\"+44\r\nAT+CMGD=1\x1A"), "441");  // nothing that could end a command
    EXPECT_EQ(Dial(""), "");
    EXPECT_EQ(Dial("+123456", 4), "+12");
}

TEST(FlattenLineBreaks, EveryKindOfLineBreakBecomesOneSpace) {
    EXPECT_EQ(Flat("one\r\ntwo\rthree\nfour"), "one two three four");
    EXPECT_EQ(Flat("a\n\rb"), "a  b");  // LF CR is two lone breaks
    EXPECT_EQ(Flat("a\r\n\r\nb"), "a  b");
    EXPECT_EQ(Flat("\r"), " ");
    EXPECT_EQ(Flat("end\r"), "end ");
}

TEST(FormatStampForDisplay, GivesDayMonthYearHoursMinutes) {
    EXPECT_EQ(Stamp("01/05/25,14:30:15+08"), "25/05/01,14:30");
    EXPECT_EQ(Stamp("01/05/25,14:30:15-04"), "25/05/01,14:30");
    EXPECT_EQ(Stamp("01/05/25,14:30:15"), "25/05/01,14:30");
    EXPECT_EQ(Stamp("21/07/21, 07:09:48+08"), "21/07/21, 07:09");
    EXPECT_EQ(Stamp(""), "");
    EXPECT_EQ(Stamp("01/05/25"), "25/05/01");  // no ":": the date alone
    EXPECT_EQ(Stamp("01/05"), "01/05");        // too short to swap
    EXPECT_EQ(Stamp("01/05/25,14:3"), "25/05/01,14:3");
    EXPECT_EQ(Stamp("01/05/25,14:30:15+08", 6), "25/05");
}

TEST(WidenAndNarrow, RoundTripEveryByteValue) {
    auto areas = std::make_unique<ConversionAreas>();
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    const char16_t* wide = WidenText(*areas, all.c_str());
    for (int b = 1; b < 256; ++b) EXPECT_EQ(wide[b - 1], static_cast<char16_t>(b));
    EXPECT_EQ(wide[255], 0);
    EXPECT_EQ(std::string(NarrowText(*areas, wide)), all);
}

TEST(NarrowText, KeepsLowBitsButNeverMakesAControlCharacterOrQuote) {
    auto areas = std::make_unique<ConversionAreas>();
    EXPECT_STREQ(NarrowText(*areas, u"Gr\u00fc\u00dfe"), "Gr\xfc\xdf" "e");
    EXPECT_STREQ(NarrowText(*areas, u"\u0141\u20ac"), "\x41\xac");  // high bits lost
    // U+010D has a CR as its low byte, U+011A a Ctrl-Z, U+0100 a NUL, U+0122 a quote.
    EXPECT_STREQ(NarrowText(*areas, u"\u010d\u011a\u0100\u0122x"), "????x");
    EXPECT_STREQ(NarrowText(*areas, std::u16string_view(u"ab\0cd", 5)), "ab");
}

TEST(Conversions, LongInputIsCutAt1023Characters) {
    auto areas = std::make_unique<ConversionAreas>();
    const std::string long_text(5000, '7');
    EXPECT_EQ(std::u16string(WidenText(*areas, long_text.c_str())).size(), kMaxConversionInput);
    EXPECT_EQ(std::string(NarrowText(*areas, std::u16string(5000, u'a'))).size(),
              kMaxConversionInput);
    std::string out(2000, 'z');
    DialableDigits(long_text.c_str(), out.data(), out.size());
    EXPECT_EQ(std::string(out.c_str()).size(), kMaxConversionInput);
    FlattenLineBreaks(long_text.c_str(), out.data(), out.size());
    EXPECT_EQ(std::string(out.c_str()).size(), kMaxConversionInput);
    FormatStampForDisplay(long_text.c_str(), out.data(), out.size());
    EXPECT_EQ(std::string(out.c_str()).size(), kMaxConversionInput);
    char none[1] = {'z'};
    DialableDigits("123", none, 0);  // a zero-sized output is left alone
    EXPECT_EQ(none[0], 'z');
}

}  // namespace
}  // namespace qmx2::common
