// Number entry and display. The arithmetic is deliberately the dialogs' own: powers of ten formed
// by repeated multiplication, digits summed from the last to the first, the tenth of a frequency
// computed in single precision. Stored lists and typed values must keep reading the same, so
// only the cases the old arithmetic got plainly wrong (trailing text read as digits, exponent
// loops of a billion steps, 0 × ∞, integer overflow, "-2.-5") are handled differently.
// Products and sums are separate statements so that they are rounded one at a time.
#include "module/number_entry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

bool isDigit(char c) { return c >= '0' && c <= '9'; }

int digitValue(char c) { return c - '0'; }

size_t skipDigits(const char* text, size_t pos) {
    while (isDigit(text[pos]))
        ++pos;
    return pos;
}

// The digits of text[begin, end): their value, summed from the last digit to the first, and ten
// to the power of their count. The power grows by one multiplication per digit, which gives
// exactly the bits of multiplying 1.0 by 10.0 that many times. A zero digit adds nothing, and
// skipping it keeps 0 × ∞ (NaN) out of texts longer than 308 digits.
struct DigitRun {
    double value;
    double power;
};

DigitRun readDigitRun(const char* text, size_t begin, size_t end) {
    DigitRun run{0.0, 1.0};
    for (size_t pos = end; pos > begin; --pos) {
        int digit = digitValue(text[pos - 1]);
        if (digit != 0) {
            double term = digit * run.power;
            run.value = run.value + term;
        }
        run.power = run.power * 10.0;
    }
    return run;
}

// Ten to the 309th is already beyond the double range, so a larger exponent cannot change the
// result; holding it here stops '1e+999999999' from looping a billion times.
constexpr int32_t kExponentHeld = 400;

int32_t readExponentDigits(const char* text, size_t pos) {
    int32_t exponent = 0;
    for (; isDigit(text[pos]); ++pos)
        exponent = std::min(exponent * 10 + digitValue(text[pos]), kExponentHeld);
    return exponent;
}

double applyExponent(double value, bool divide, int32_t exponent) {
    if (value == 0.0)
        return value;  // zero under any exponent, not 0 × ∞
    double power = 1.0;
    for (int32_t k = 0; k < exponent; ++k)
        power = power * 10.0;
    return divide ? value / power : value * power;
}

// Magnitudes at or beyond this all saturate alike. Every term parseScaledInt adds has the sign of
// the scale, so a magnitude once past the 32-bit range never comes back, and holding intermediate
// values at this bound keeps them far from 64-bit overflow without changing the result.
constexpr int64_t kBeyond32 = int64_t(1) << 32;

int64_t holdBeyond32(int64_t value) { return std::clamp(value, -kBeyond32, kBeyond32); }

size_t writeUnsigned(uint32_t value, char16_t* out) {
    char16_t reversed[10];
    size_t count = 0;
    do {
        reversed[count++] = static_cast<char16_t>(u'0' + value % 10);
        value /= 10;
    } while (value != 0);
    for (size_t i = 0; i < count; ++i)
        out[i] = reversed[count - 1 - i];
    return count;
}

} // namespace

double parseDecimal(const char* text) {
    size_t first = 0;
    while (text[first] != 0 && !isDigit(text[first]))
        ++first;
    if (text[first] == 0)
        return 0.0;

    // A "." just before the first digit is the number's point; the sign stands before either.
    bool leadingPoint = first > 0 && text[first - 1] == '.';
    size_t start = leadingPoint ? first - 1 : first;
    bool negative = start > 0 && text[start - 1] == '-';

    size_t pos = first;
    double value = 0.0;
    if (!leadingPoint) {
        size_t end = skipDigits(text, pos);
        value = readDigitRun(text, pos, end).value;
        pos = end;
    }
    bool point = leadingPoint;
    if (!point && text[pos] == '.') {
        point = true;
        ++pos;
    }
    if (point) {
        size_t end = skipDigits(text, pos);
        if (end > pos) {
            DigitRun fraction = readDigitRun(text, pos, end);
            double tail = fraction.value / fraction.power;
            value = value + tail;
        }
        pos = end;
    }
    // Only a signed exponent counts: '1e5' is 1, as the dialogs have always read it.
    if ((text[pos] == 'e' || text[pos] == 'E') && (text[pos + 1] == '+' || text[pos + 1] == '-'))
        value = applyExponent(value, text[pos + 1] == '-', readExponentDigits(text, pos + 2));
    return negative ? -value : value;
}

float frequencyFromDecimal(double value) {
    constexpr float kLargest = std::numeric_limits<float>::max();
    if (std::isnan(value))
        return 0.0f;
    if (value >= kLargest)
        return kLargest;
    if (value <= -kLargest)
        return -kLargest;
    return static_cast<float>(value);
}

int32_t parseScaledInt(const char* text, int32_t scale) {
    int64_t sign = 1;
    size_t pos = 0;
    if (text[0] == '-') {
        sign = -1;
        pos = 1;
    } else if (text[0] == '+') {
        pos = 1;
    }
    int64_t accumulator = 0;
    for (; isDigit(text[pos]); ++pos)
        accumulator = std::min(accumulator * 10 + digitValue(text[pos]), kBeyond32);

    int64_t step = scale;
    int64_t result = holdBeyond32(accumulator * step);
    if (text[pos] == '.') {
        for (++pos; isDigit(text[pos]) && step != 0; ++pos) {
            step /= 10;
            result = holdBeyond32(result + digitValue(text[pos]) * step);
        }
    }
    return static_cast<int32_t>(std::clamp(sign * result, int64_t(INT32_MIN), int64_t(INT32_MAX)));
}

void formatOneDecimal(float value, char16_t out[kOneDecimalTextSize]) {
    uint32_t whole = 0;
    int tenth = 0;
    bool negative = false;
    if (!std::isnan(value)) {
        // A negative value is shown as its magnitude behind one minus sign; negation is exact,
        // so the digits are those the magnitude gives.
        negative = value < 0.0f;
        float magnitude = negative ? -value : value;
        if (magnitude < 2147483648.0f) {
            whole = static_cast<uint32_t>(magnitude);
            float tenfold = magnitude * 10.0f;
            float wholeTenfold = static_cast<float>(uint64_t(whole) * 10);
            float rest = tenfold - wholeTenfold;
            tenth = static_cast<int>(rest);  // 0 to 9 for every float below 2^31
        } else {
            // Floats this large are whole numbers; saturate at the 32-bit range.
            whole = negative ? 2147483648u : 2147483647u;
        }
    }
    size_t n = 0;
    if (negative && (whole != 0 || tenth != 0))
        out[n++] = u'-';
    n += writeUnsigned(whole, out + n);
    out[n++] = u'.';
    out[n++] = static_cast<char16_t>(u'0' + tenth);
    out[n] = 0;
}

int32_t pollStepTicks(float smallestFrequency) {
    float ticks = smallestFrequency * 10.0f;
    if (std::isnan(ticks))
        return 0;
    if (ticks >= 2147483648.0f)
        return INT32_MAX;
    if (ticks <= -2147483648.0f)
        return INT32_MIN;
    return static_cast<int32_t>(ticks);
}

uint32_t targetQueryPeriodMs(float frequency) {
    float period = frequency * 60000.0f;
    if (std::isnan(period) || period <= 0.0f)
        return 0;
    if (period >= 4294967296.0f)
        return UINT32_MAX;
    return static_cast<uint32_t>(period);
}
