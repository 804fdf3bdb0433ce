#include "module/text.h"

#include <charconv>
#include <cstdint>

namespace {

char narrowUnit(char16_t unit) { return static_cast<char>(static_cast<uint8_t>(unit & 0xFF)); }

// Through signed char on purpose: bytes from 0x80 widen to U+FF80 and up, as the system's
// stored texts expect.
char16_t wideUnit(char byte) {
    return static_cast<char16_t>(static_cast<int16_t>(static_cast<signed char>(byte)));
}

} // namespace

void copyToNarrow(const char16_t* source, char* destination) {
    if (source == nullptr)
        return;
    for (size_t i = 0;; ++i) {
        destination[i] = narrowUnit(source[i]);
        if (destination[i] == 0)
            return;
    }
}

void copyToWide(const char* source, char16_t* destination) {
    if (source == nullptr)
        return;
    for (size_t i = 0;; ++i) {
        destination[i] = wideUnit(source[i]);
        if (destination[i] == 0)
            return;
    }
}

size_t fieldLength(const char* field, size_t width) {
    size_t n = 0;
    while (n < width && field[n] != 0)
        ++n;
    return n;
}

size_t fieldLength(const char16_t* field, size_t width) {
    size_t n = 0;
    while (n < width && field[n] != 0)
        ++n;
    return n;
}

void copyFieldToWide(const char* field, size_t width, char16_t* destination) {
    size_t n = fieldLength(field, width);
    for (size_t i = 0; i < n; ++i)
        destination[i] = wideUnit(field[i]);
    destination[n] = 0;
}

void copyFieldToNarrow(const char16_t* field, size_t width, char* destination) {
    for (size_t i = 0; i < width; ++i) {
        destination[i] = narrowUnit(field[i]);
        if (destination[i] == 0)
            return;
    }
    destination[width] = 0;
}

char* formatDecimal(int64_t value, char* out, int minimumDigits) {
    char digits[kDecimalTextSize];
    uint64_t magnitude =
        value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    char* end = std::to_chars(digits, digits + sizeof digits, magnitude).ptr;
    if (value < 0)
        *out++ = '-';
    for (int count = static_cast<int>(end - digits); count < minimumDigits; ++count)
        *out++ = '0';
    for (const char* digit = digits; digit != end; ++digit)
        *out++ = *digit;
    *out = 0;
    return out;
}

char16_t* formatDecimal(int64_t value, char16_t* out) {
    char digits[kDecimalTextSize];
    char* end = formatDecimal(value, digits);
    for (const char* digit = digits; digit != end; ++digit)
        *out++ = static_cast<char16_t>(*digit);
    *out = 0;
    return out;
}
