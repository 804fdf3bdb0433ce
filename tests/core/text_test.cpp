#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>

#include "module/text.h"

namespace {

struct NarrowCase {
    std::u16string wide;
    std::string narrow;  // what copyToNarrow stores before and including its zero
};

class CopyToNarrow : public testing::TestWithParam<NarrowCase> {};

TEST_P(CopyToNarrow, KeepsLowBytesAndStopsAtTheFirstZeroLowByte) {
    const NarrowCase& c = GetParam();
    char out[32];
    std::memset(out, 'x', sizeof out);
    copyToNarrow(c.wide.c_str(), out);
    EXPECT_EQ(std::string(out), c.narrow);
    EXPECT_EQ(out[c.narrow.size() + 1], 'x') << "wrote past its terminator";
}

INSTANTIATE_TEST_SUITE_P(Table, CopyToNarrow,
                         testing::Values(NarrowCase{u"abc", "abc"}, NarrowCase{u"", ""},
                                         NarrowCase{u"ab\u0100cd", "ab"},
                                         NarrowCase{u"\u0200", ""},
                                         NarrowCase{u"\u0141x", "\x41x"},
                                         NarrowCase{u"\uFF80\uFFFF", "\x80\xFF"}));

struct WideCase {
    std::string narrow;
    std::u16string wide;
};

class CopyToWide : public testing::TestWithParam<WideCase> {};

TEST_P(CopyToWide, WidensEachByteAsSigned) {
    const WideCase& c = GetParam();
    char16_t out[32];
    std::fill(std::begin(out), std::end(out), u'x');
    copyToWide(c.narrow.c_str(), out);
    EXPECT_EQ(std::u16string(out), c.wide);
    EXPECT_EQ(out[c.wide.size() + 1], u'x') << "wrote past its terminator";
}

INSTANTIATE_TEST_SUITE_P(Table, CopyToWide,
                         testing::Values(WideCase{"Truck 7", u"Truck 7"}, WideCase{"", u""},
                                         WideCase{"\x7F", u"\u007F"},
                                         WideCase{"\x80", u"\uFF80"},
                                         WideCase{"\xE9t\xE9", u"\uFFE9t\uFFE9"},
                                         WideCase{"\xFF", u"\uFFFF"}));

TEST(TextConversion, RoundTripGivesBackEveryByte) {
    char bytes[256];
    for (int i = 1; i < 256; ++i)
        bytes[i - 1] = static_cast<char>(i);
    bytes[255] = 0;
    char16_t wide[256];
    char back[256];
    copyToWide(bytes, wide);
    copyToNarrow(wide, back);
    EXPECT_EQ(0, std::memcmp(bytes, back, sizeof bytes));
}

TEST(TextConversion, NullSourceLeavesTheDestinationAlone) {
    char narrow[4] = "abc";
    char16_t wide[4] = u"abc";
    copyToNarrow(nullptr, narrow);
    copyToWide(nullptr, wide);
    EXPECT_STREQ(narrow, "abc");
    EXPECT_EQ(std::u16string(wide), u"abc");
}

TEST(FieldConversion, AFieldFullToTheBrimIsReadWithinItsWidthAndTerminated) {
    const char field[4] = {'a', 'b', 'c', 'd'};  // no terminator
    char16_t wide[5];
    std::fill(std::begin(wide), std::end(wide), u'x');
    copyFieldToWide(field, sizeof field, wide);
    EXPECT_EQ(std::u16string(wide), u"abcd");

    const char16_t wideField[3] = {u'x', u'y', u'\u00E9'};
    char narrow[4];
    std::memset(narrow, '?', sizeof narrow);
    copyFieldToNarrow(wideField, 3, narrow);
    EXPECT_STREQ(narrow, "xy\xE9");

    const char16_t shortField[3] = {u'x', 0, u'z'};
    copyFieldToNarrow(shortField, 3, narrow);
    EXPECT_STREQ(narrow, "x");
    EXPECT_EQ(fieldLength(field, 4), 4u);
    EXPECT_EQ(fieldLength(shortField, 3), 1u);
}

// The module writes its numbers without printf; its texts must still be printf's, for they name
// track files and fill their records.
struct DecimalCase {
    int64_t value;
    int minimumDigits;
};

class FormatDecimal : public testing::TestWithParam<DecimalCase> {};

TEST_P(FormatDecimal, WritesWhatPrintfWritesAndEndsAtItsTerminator) {
    const DecimalCase& c = GetParam();
    char expected[32];
    std::snprintf(expected, sizeof expected, "%0*" PRId64, c.minimumDigits, c.value);
    char out[kDecimalTextSize + 1];
    std::memset(out, 'x', sizeof out);
    char* end = formatDecimal(c.value, out, c.minimumDigits);
    EXPECT_STREQ(out, expected);
    EXPECT_EQ(end, out + std::strlen(expected)) << "the end is not at the terminator";
    EXPECT_EQ(out[std::strlen(expected) + 1], 'x') << "wrote past its terminator";

    if (c.minimumDigits == 1) {
        char16_t wide[kDecimalTextSize];
        char16_t* wideEnd = formatDecimal(c.value, wide);
        EXPECT_EQ(std::u16string(wide), std::u16string(expected, expected + std::strlen(expected)));
        EXPECT_EQ(wideEnd, wide + std::strlen(expected));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, FormatDecimal,
    testing::Values(DecimalCase{0, 1}, DecimalCase{7, 1}, DecimalCase{-5, 1}, DecimalCase{2002, 1},
                    DecimalCase{255, 1}, DecimalCase{4294967295, 1},
                    DecimalCase{std::numeric_limits<int32_t>::min(), 1},
                    DecimalCase{std::numeric_limits<int64_t>::min(), 1},
                    DecimalCase{std::numeric_limits<int64_t>::max(), 1},
                    // the times of a record's comment: "%02d" of an hour, a minute, a second
                    DecimalCase{0, 2}, DecimalCase{7, 2}, DecimalCase{59, 2},
                    DecimalCase{65535, 2}));

} // namespace
