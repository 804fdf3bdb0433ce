// Number entry and display for the setup dialogs: the frequency box (minutes, with decimals), the
// resolution box (whole feet), and the one-decimal frequency shown in the boxes and the list rows.
// Pure functions. The readers never report an error: the dialogs store whatever they return, so
// every text, however odd, gives a defined value. Frequencies are 32-bit floats and the schedules
// derived from them are computed in single precision, as the stored lists have always been read.
#pragma once

#include <cstddef>
#include <cstdint>

// Reads the number in an 8-bit, zero-terminated text (never null). Anything before the first
// digit is skipped; a "+" or "-" directly before the number (or before its leading ".") is its
// sign, so '- 5' gives 5. The number is digits with an optional "." and further digits ('.5',
// '5.', '5.25'), then an optional exponent "e" or "E", sign and digits. Ten to the power k is 1.0
// multiplied by 10.0 k times, and an exponent without a sign is ignored: '1e5' gives 1, '1e+5'
// gives 100000. Whatever follows the longest such number is ignored ('2.5 ' gives 2.5, '12 ft'
// gives 12, '1e' gives 1). No digit at all gives 0.0. Exponents past 10^308 give infinity or 0
// at once rather than multiplying further, and a zero stays zero under any exponent.
double parseDecimal(const char* text);

// Stores a parsed frequency as a 32-bit float, rounded to nearest. Values beyond the float range
// (and infinities) become the largest float of their sign; NaN becomes 0.0.
float frequencyFromDecimal(double value);

// Reads a signed fixed-point number from an 8-bit, zero-terminated text (never null): an optional
// "+" or "-" at the very start, digits, and optionally "." and fraction digits, each fraction
// digit worth scale / 10, scale / 100 ... (integer division) until that reaches 0. Nothing is
// skipped: ' 30' and '' give 0; characters after the number are ignored. With scale 1 it is the
// integer part ('-12.9' gives -12); with scale 1000 '1.234' gives 1234. Scale 0 gives 0; a
// negative scale gives the negation of the same positive scale ('1.234' with -1000 gives -1234).
// The result saturates at INT32_MIN and INT32_MAX.
int32_t parseScaledInt(const char* text, int32_t scale);

// Room for the longest text formatOneDecimal writes, "-2147483648.0", and its terminator.
constexpr size_t kOneDecimalTextSize = 14;

// Writes "%d.%d": the integer part and the first decimal digit, truncated, not rounded (0.25
// shows as 0.2, 1.99 as 1.9). The tenth is computed in single precision, so 0.7f shows as 0.7.
// Negatives carry one minus sign ('-2.5', '-0.5'), and none when both digits are zero (-0.05
// shows as 0.0). NaN shows as 0.0; values beyond the 32-bit range show as 2147483647.0 or
// -2147483648.0.
void formatOneDecimal(float value, char16_t out[kOneDecimalTextSize]);

// The poll step in 6-second ticks for the smallest frequency of the CDPD list: frequency × 10 in
// single precision, truncated toward zero (0.7 gives 7). The CDPD poller uses it. Saturates at
// the 32-bit range; NaN gives 0.
int32_t pollStepTicks(float smallestFrequency);

// The period of the 3G target-query timer: frequency × 60000 in single precision, truncated
// toward zero (0.01 gives 600, 2.55 gives 153000). The server link uses it. Clamped to 0 ..
// UINT32_MAX; NaN gives 0.
uint32_t targetQueryPeriodMs(float frequency);
