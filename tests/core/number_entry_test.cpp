// Number entry and display: the frequency and resolution readers, the one-decimal display, and
// the single-precision schedules derived from a stored frequency.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <string>

#include "module/number_entry.h"

namespace {

constexpr float kLargestFloat = std::numeric_limits<float>::max();
constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr float kNaNf = std::numeric_limits<float>::quiet_NaN();

std::u16string shown(float value) {
    char16_t out[kOneDecimalTextSize];
    formatOneDecimal(value, out);
    return out;
}

std::u16string widen(const std::string& text) { return std::u16string(text.begin(), text.end()); }

// ---- parseDecimal ----

// Ten to the power k as the readers form it: 1.0 multiplied by 10.0, k times.
double powerOfTen(size_t k) {
    double p = 1.0;
    for (size_t i = 0; i < k; ++i)
        p = p * 10.0;
    return p;
}

struct DecimalCase {
    const char* text;
    double value;
};

void PrintTo(const DecimalCase& c, std::ostream* os) { *os << "'" << c.text << "'"; }

class ParseDecimal : public testing::TestWithParam<DecimalCase> {};

TEST_P(ParseDecimal, ReadsTheNumber) {
    const DecimalCase& c = GetParam();
    double got = parseDecimal(c.text);
    EXPECT_EQ(std::bit_cast<uint64_t>(got), std::bit_cast<uint64_t>(c.value))
        << "'" << c.text << "' gave " << got << ", expected " << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    WellFormed, ParseDecimal,
    testing::Values(DecimalCase{"2.5", 2.5}, DecimalCase{"10", 10.0}, DecimalCase{".5", 0.5},
                    DecimalCase{"-.5", -0.5}, DecimalCase{"5.", 5.0}, DecimalCase{"  3", 3.0},
                    DecimalCase{"+2.5", 2.5}, DecimalCase{"x7", 7.0}, DecimalCase{"e-7", -7.0},
                    DecimalCase{"- 5", 5.0},
                    DecimalCase{"-0", -0.0}, DecimalCase{"1.5e+2", 150.0},
                    DecimalCase{"1.5E-2", 1.5 / 100.0}, DecimalCase{"1e+5", 100000.0},
                    DecimalCase{"1e5", 1.0}, DecimalCase{"1e55", 1.0}, DecimalCase{"2e+", 2.0},
                    DecimalCase{"1e+308", powerOfTen(308)},
                    DecimalCase{"1e+309", kInf}));

// Characters after the number end it; without any digit the value is 0.
INSTANTIATE_TEST_SUITE_P(
    TextAfterTheNumber, ParseDecimal,
    testing::Values(DecimalCase{"2.5 ", 2.5}, DecimalCase{"12 ft", 12.0},
                    DecimalCase{"-3 min", -3.0}, DecimalCase{"1.2.3", 1.2},
                    DecimalCase{".5.5", 0.5}, DecimalCase{"1,5", 1.0}, DecimalCase{"5-3", 5.0},
                    DecimalCase{"3 e+2", 3.0}, DecimalCase{"2.5e+1x", 25.0},
                    DecimalCase{"1e+2.5", 100.0}, DecimalCase{"1e", 1.0},
                    DecimalCase{"2.5E", 2.5}, DecimalCase{"1ex+5", 1.0}, DecimalCase{"", 0.0},
                    DecimalCase{"abc", 0.0}, DecimalCase{"-", 0.0}, DecimalCase{".", 0.0}));

// Huge exponents return at once, and a zero stays zero (not 0 × ∞).
INSTANTIATE_TEST_SUITE_P(
    Exponents, ParseDecimal,
    testing::Values(DecimalCase{"1e+999999999", kInf}, DecimalCase{"-1e+99999999999999", -kInf},
                    DecimalCase{"1e-999999999", 0.0}, DecimalCase{"0e+309", 0.0},
                    DecimalCase{"0.0e+999999999", 0.0}, DecimalCase{"-0e+400", -0.0}));

// The reader as the dialogs' algorithm states it, for well-formed texts (where it never reads
// past the text): each power of ten formed afresh, each digit run summed from its last digit.
double digitsValue(const std::string& s, size_t begin, size_t end) {
    double v = 0.0;
    for (size_t j = end; j > begin; --j) {
        double term = (s[j - 1] - '0') * powerOfTen(end - j);
        v = v + term;
    }
    return v;
}

double statedParseDecimal(const std::string& s) {
    const size_t none = std::string::npos;
    size_t first = s.find_first_of("0123456789");
    if (first == none)
        return 0.0;
    bool leadingPoint = first > 0 && s[first - 1] == '.';
    size_t signAt = leadingPoint ? first - 1 : first;
    bool negative = signAt > 0 && s[signAt - 1] == '-';
    size_t point = leadingPoint ? first - 1 : none, letter = none, sign = none;
    for (size_t j = first; j < s.size(); ++j) {
        if (s[j] == '.')
            point = j;
        if (s[j] == 'e' || s[j] == 'E')
            letter = j;
        if (s[j] == '+' || s[j] == '-')
            sign = j;
    }
    size_t integerEnd = point != none ? point : letter != none ? letter : s.size();
    double value = leadingPoint ? 0.0 : digitsValue(s, first, integerEnd);
    if (point != none) {
        size_t begin = point + 1, end = letter != none ? letter : s.size();
        if (end > begin) {
            double fraction = digitsValue(s, begin, end) / powerOfTen(end - begin);
            value = value + fraction;
        }
    }
    if (letter != none) {
        int32_t e = 0;
        for (size_t j = letter + 2; j < s.size(); ++j)
            e = e * 10 + (s[j] - '0');
        if (sign != none)
            value = s[sign] == '+' ? value * powerOfTen(size_t(e)) : value / powerOfTen(size_t(e));
    }
    return negative ? -value : value;
}

TEST(ParseDecimalWellFormed, ReadsEveryWellFormedTextAsTheStatedAlgorithmDoes) {
    const char* prefixes[] = {"", "  ", "-", "+", "x", "- ", "-x", "e", "+-"};
    const char* numbers[] = {"0",       "7",         "10",          "305",
                             "5.",      ".5",        "5.25",        "0.001",
                             "000123",  "12345.678", "4294967296.5", "99999999999999999999",
                             "0.1234567890123456789"};
    const char* exponents[] = {"",      "e+2",   "E-3",    "e+0",    "e-0", "e+22", "e+23", "e-308",
                               "e+308", "e-320", "e+309", "e5",     "E12", "e+",   "e-",   "e"};
    int compared = 0;
    for (const char* prefix : prefixes) {
        for (const char* number : numbers) {
            for (const char* exponent : exponents) {
                std::string text = std::string(prefix) + number + exponent;
                double stated = statedParseDecimal(text);
                double got = parseDecimal(text.c_str());
                if (std::isnan(stated)) {
                    // Only 0 × 10^309 and beyond: the stated arithmetic makes that NaN.
                    EXPECT_EQ(got, 0.0) << "'" << text << "'";
                    continue;
                }
                EXPECT_EQ(std::bit_cast<uint64_t>(got), std::bit_cast<uint64_t>(stated))
                    << "'" << text << "' gave " << got << ", the stated algorithm " << stated;
                ++compared;
            }
        }
    }
    EXPECT_GT(compared, 1500);
}

TEST(ParseDecimalLongTexts, ZeroPaddingBeyondTheDoubleRangeStillReadsTheNumber) {
    std::string padded = std::string(400, '0') + "25";
    EXPECT_EQ(parseDecimal(padded.c_str()), 25.0);
    std::string tiny = "0." + std::string(400, '0') + "5";
    EXPECT_EQ(parseDecimal(tiny.c_str()), 0.0);
    std::string huge = "1" + std::string(400, '0');
    EXPECT_EQ(parseDecimal(huge.c_str()), kInf);
}

// ---- frequencyFromDecimal ----

TEST(FrequencyFromDecimal, RoundsToNearestAndHoldsTheFloatRange) {
    struct Case {
        double in;
        float out;
    } cases[] = {
        {2.55, 2.55f},       // nearest is below 2.55
        {0.1, 0.1f},         // nearest is above 0.1: truncation would give the float below
        {-0.7, -0.7f},       {0.0, 0.0f},
        {double(kLargestFloat), kLargestFloat},
        {3.4028236e38, kLargestFloat},
        {1e39, kLargestFloat},
        {-1e39, -kLargestFloat},
        {kInf, kLargestFloat},
        {-kInf, -kLargestFloat},
        {std::numeric_limits<double>::quiet_NaN(), 0.0f},
        {1e-50, 0.0f},
    };
    for (const Case& c : cases)
        EXPECT_EQ(std::bit_cast<uint32_t>(frequencyFromDecimal(c.in)), std::bit_cast<uint32_t>(c.out))
            << "from " << c.in << " got " << frequencyFromDecimal(c.in);
}

// ---- parseScaledInt ----

struct ScaledCase {
    const char* text;
    int32_t scale;
    int32_t value;
};

void PrintTo(const ScaledCase& c, std::ostream* os) {
    *os << "'" << c.text << "' scale " << c.scale;
}

class ParseScaledInt : public testing::TestWithParam<ScaledCase> {};

TEST_P(ParseScaledInt, ReadsTheNumber) {
    const ScaledCase& c = GetParam();
    EXPECT_EQ(parseScaledInt(c.text, c.scale), c.value)
        << "'" << c.text << "' with scale " << c.scale;
}

INSTANTIATE_TEST_SUITE_P(
    ScaleOne, ParseScaledInt,
    testing::Values(ScaledCase{"250", 1, 250}, ScaledCase{"-40", 1, -40},
                    ScaledCase{"12.9", 1, 12}, ScaledCase{"-12.9", 1, -12},
                    ScaledCase{"-0.9", 1, 0}, ScaledCase{"+7", 1, 7},
                    ScaledCase{"30ft", 1, 30}, ScaledCase{" 30", 1, 0}, ScaledCase{"", 1, 0},
                    ScaledCase{"-", 1, 0}, ScaledCase{"+", 1, 0}, ScaledCase{"x1", 1, 0},
                    ScaledCase{"--1", 1, 0}, ScaledCase{".5", 1, 0}));

INSTANTIATE_TEST_SUITE_P(
    OtherScales, ParseScaledInt,
    testing::Values(ScaledCase{"1.234", 1000, 1234}, ScaledCase{"1.234", 100, 123},
                    ScaledCase{"1.9999", 1000, 1999}, ScaledCase{"-1.234", 1000, -1234},
                    ScaledCase{".5", 10, 5}, ScaledCase{"123.45", 0, 0},
                    ScaledCase{"1.234", -1000, -1234}, ScaledCase{"-1.234", -1000, 1234},
                    ScaledCase{"0.5", INT32_MAX, 1073741820}));

// Beyond the 32-bit range, on either side, for any scale.
INSTANTIATE_TEST_SUITE_P(
    Saturation, ParseScaledInt,
    testing::Values(ScaledCase{"2147483647", 1, INT32_MAX}, ScaledCase{"2147483648", 1, INT32_MAX},
                    ScaledCase{"-2147483648", 1, INT32_MIN},
                    ScaledCase{"-2147483649", 1, INT32_MIN},
                    ScaledCase{"99999999999999999999999", 1, INT32_MAX},
                    ScaledCase{"-99999999999999999999999.9", 1, INT32_MIN},
                    ScaledCase{"214748364.8", 10, INT32_MAX},
                    ScaledCase{"214748364.7", 10, INT32_MAX},
                    ScaledCase{"-214748364.8", 10, INT32_MIN},
                    ScaledCase{"3", 1000000000, INT32_MAX},
                    ScaledCase{"1", INT32_MIN, INT32_MIN}, ScaledCase{"-1", INT32_MIN, INT32_MAX},
                    ScaledCase{"99999999999999999999.99999", INT32_MIN, INT32_MIN},
                    ScaledCase{"-99999999999999999999.99999", INT32_MIN, INT32_MAX},
                    ScaledCase{"99999999999999999999", 0, 0}));

// ---- formatOneDecimal ----

struct FormatCase {
    float value;
    const char16_t* text;
};

void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.value; }

class FormatOneDecimal : public testing::TestWithParam<FormatCase> {};

TEST_P(FormatOneDecimal, ShowsTheTruncatedTenth) {
    const FormatCase& c = GetParam();
    char16_t out[kOneDecimalTextSize + 4];
    std::fill(std::begin(out), std::end(out), u'x');
    formatOneDecimal(c.value, out);
    EXPECT_EQ(std::u16string(out), std::u16string(c.text)) << "for " << c.value;
    for (size_t i = kOneDecimalTextSize; i < std::size(out); ++i)
        EXPECT_EQ(out[i], u'x') << "wrote past kOneDecimalTextSize for " << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Truncated, FormatOneDecimal,
    testing::Values(FormatCase{2.5f, u"2.5"}, FormatCase{0.7f, u"0.7"}, FormatCase{1.05f, u"1.0"},
                    FormatCase{0.001f, u"0.0"}, FormatCase{10.0f, u"10.0"},
                    FormatCase{0.25f, u"0.2"}, FormatCase{1.99f, u"1.9"},
                    FormatCase{0.0f, u"0.0"}, FormatCase{9999.9f, u"9999.9"}));

INSTANTIATE_TEST_SUITE_P(
    Negatives, FormatOneDecimal,
    testing::Values(FormatCase{-2.5f, u"-2.5"}, FormatCase{-0.5f, u"-0.5"},
                    FormatCase{-0.7f, u"-0.7"}, FormatCase{-3.0f, u"-3.0"},
                    FormatCase{-0.05f, u"0.0"}, FormatCase{-0.0f, u"0.0"}));

// The tenfold beyond the 32-bit range, the value beyond it, and NaN.
INSTANTIATE_TEST_SUITE_P(
    OutOfRange, FormatOneDecimal,
    testing::Values(FormatCase{214748368.0f, u"214748368.0"},
                    FormatCase{1e9f, u"1000000000.0"},
                    FormatCase{2147483520.0f, u"2147483520.0"},
                    FormatCase{2147483648.0f, u"2147483647.0"},
                    FormatCase{-2147483648.0f, u"-2147483648.0"},
                    FormatCase{-3e9f, u"-2147483648.0"}, FormatCase{kLargestFloat, u"2147483647.0"},
                    FormatCase{std::numeric_limits<float>::infinity(), u"2147483647.0"},
                    FormatCase{-std::numeric_limits<float>::infinity(), u"-2147483648.0"},
                    FormatCase{kNaNf, u"0.0"}));

// ---- typed, stored, shown ----

TEST(FrequencyRoundTrip, EveryOneDecimalTextUpTo10000ComesBackUnchanged) {
    int failures = 0;
    for (int whole = 0; whole <= 10000; ++whole) {
        for (int tenth = 0; tenth <= (whole == 10000 ? 0 : 9); ++tenth) {
            std::string text = std::to_string(whole) + "." + std::to_string(tenth);
            float stored = frequencyFromDecimal(parseDecimal(text.c_str()));
            if (shown(stored) != widen(text) && ++failures <= 10)
                ADD_FAILURE() << "'" << text << "' stored as " << stored << " comes back changed";
        }
    }
    EXPECT_EQ(failures, 0);
}

TEST(FrequencyRoundTrip, TwoDecimalsAreStoredNearestAndShownTruncated) {
    float stored = frequencyFromDecimal(parseDecimal("2.55"));
    EXPECT_EQ(stored, 2.55f);
    EXPECT_EQ(shown(stored), u"2.5");
    // Confirming the modify dialog unchanged stores what it shows.
    float confirmed = frequencyFromDecimal(parseDecimal("2.5"));
    EXPECT_EQ(confirmed, 2.5f);
    EXPECT_EQ(shown(confirmed), u"2.5");
}

// ---- single precision ----
// Double arithmetic gets these wrong: 0.7f × 10 is 6.99999988 in double, 7 in single.

TEST(SinglePrecision, TheTenthOfAStoredFrequency) {
    EXPECT_EQ(shown(0.7f), u"0.7");
    EXPECT_EQ(shown(frequencyFromDecimal(parseDecimal("0.7"))), u"0.7");
}

TEST(SinglePrecision, PollStepTicks) {
    struct Case {
        float frequency;
        int32_t ticks;
    } cases[] = {
        {0.7f, 7},          {1.0f, 10},          {0.1f, 1},           {2.55f, 25},
        {0.05f, 0},         {0.0f, 0},           {-0.7f, -7},         {214748368.0f, INT32_MAX},
        {1e10f, INT32_MAX}, {-1e10f, INT32_MIN}, {kNaNf, 0},
        {std::numeric_limits<float>::infinity(), INT32_MAX},
    };
    for (const Case& c : cases)
        EXPECT_EQ(pollStepTicks(c.frequency), c.ticks) << "for " << c.frequency;
}

TEST(SinglePrecision, TargetQueryPeriodMs) {
    struct Case {
        float frequency;
        uint32_t ms;
    } cases[] = {
        {0.01f, 600},        {2.55f, 153000},        {1.0f, 60000},
        {0.7f, 42000},       {0.0f, 0},              {-1.0f, 0},
        {71582.78f, 4294966784u}, {71582.79f, UINT32_MAX}, {1e5f, UINT32_MAX},
        {1e6f, UINT32_MAX},       {kNaNf, 0},
        {std::numeric_limits<float>::infinity(), UINT32_MAX},
        {-std::numeric_limits<float>::infinity(), 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(targetQueryPeriodMs(c.frequency), c.ms) << "for " << c.frequency;
}

} // namespace
