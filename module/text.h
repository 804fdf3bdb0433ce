// Narrow and wide text. Settings, dialog texts and paths are UTF-16 (char16_t here: wchar_t has
// 4 bytes on Linux); list records, datagrams and track files hold 8-bit text.
#pragma once

#include <cstddef>
#include <cstdint>

// Stores the low byte of each UTF-16 unit in turn and stops after storing a zero byte, so a unit
// whose low byte is zero (U+0000, but also U+0100, U+0200 ...) ends the text. The caller provides
// room for the text and its terminator. A null source leaves the destination untouched.
void copyToNarrow(const char16_t* source, char* destination);

// Stores each byte, taken as a signed 8-bit value, as a 16-bit unit: 0x00-0x7F become
// U+0000-U+007F and 0x80-0xFF become U+FF80-U+FFFF. Stops after storing the zero unit. Room is
// the caller's; a null source leaves the destination untouched. copyToNarrow of the result gives
// back the same bytes.
void copyToWide(const char* source, char16_t* destination);

// The same conversions for fields that may be full to the brim with no terminator (list records,
// datagram ids, registry buffers): they read at most `width` units of the source and always
// store a terminator, so the destination must hold width + 1 units.
void copyFieldToWide(const char* field, size_t width, char16_t* destination);
void copyFieldToNarrow(const char16_t* field, size_t width, char* destination);

// Length of a text that may fill its field of `width` units with no terminator.
size_t fieldLength(const char* field, size_t width);
size_t fieldLength(const char16_t* field, size_t width);

// Room for the decimal text of any 64-bit integer: a sign, 19 digits and the terminator.
constexpr size_t kDecimalTextSize = 21;

// Writes `value` in decimal with at least `minimumDigits` digits (zeros in front, after a minus
// sign), then a terminator, and returns the end (where the terminator is). For the values
// printf's "%d", "%u" and, with 2, "%02d" of a value that is not negative, the same text. The
// module writes its numbers with this rather than printf: the C runtime's formatted-print engine
// would be a tenth of the DLL (benchmarks/README.md). The caller gives room for the text.
char* formatDecimal(int64_t value, char* out, int minimumDigits = 1);
// The same text, each character widened.
char16_t* formatDecimal(int64_t value, char16_t* out);
