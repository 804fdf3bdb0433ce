// Any text a dialog box can hand over (at most 64 bytes, zero-terminated) through both readers,
// and any float through the display: every result defined, every shown text of the "%d.%d" shape
// inside its buffer, and a shown frequency typed in again shows the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "module/number_entry.h"
#include "module/text.h"

namespace {

constexpr size_t kMaxText = 64;

// Shows `value` and checks the text: optional "-", digits, ".", one digit, terminator in room.
void showChecked(float value, char16_t out[kOneDecimalTextSize]) {
    formatOneDecimal(value, out);
    size_t n = 0;
    if (out[n] == u'-')
        ++n;
    size_t digits = 0;
    while (n < kOneDecimalTextSize && out[n] >= u'0' && out[n] <= u'9') {
        ++n;
        ++digits;
    }
    if (digits == 0 || n + 2 >= kOneDecimalTextSize || out[n] != u'.')
        std::abort();
    if (out[n + 1] < u'0' || out[n + 1] > u'9' || out[n + 2] != 0)
        std::abort();
}

// Below 10000 every one-decimal text survives being typed, stored and shown again.
void checkRetyped(float value, const char16_t shown[kOneDecimalTextSize]) {
    if (!(value > -10000.0f && value < 10000.0f))
        return;
    char typed[kOneDecimalTextSize];
    copyToNarrow(shown, typed);
    char16_t again[kOneDecimalTextSize];
    showChecked(frequencyFromDecimal(parseDecimal(typed)), again);
    for (size_t i = 0; shown[i] != 0 || again[i] != 0; ++i) {
        if (shown[i] != again[i])
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    char text[kMaxText + 1] = {};
    size_t length = size < kMaxText ? size : kMaxText;
    if (length > 0)
        std::memcpy(text, data, length);

    static const int32_t scales[] = {1, 0, 10, 1000, -1000, INT32_MAX, INT32_MIN};
    for (int32_t scale : scales) {
        int32_t n = parseScaledInt(text, scale);
        if (scale == 0 && n != 0)
            std::abort();
    }

    char16_t shown[kOneDecimalTextSize];
    float frequency = frequencyFromDecimal(parseDecimal(text));
    showChecked(frequency, shown);
    checkRetyped(frequency, shown);
    pollStepTicks(frequency);
    targetQueryPeriodMs(frequency);

    // The first four bytes as a float reach NaNs, infinities and the edges of the 32-bit range.
    if (size >= 4) {
        float raw;
        std::memcpy(&raw, data, sizeof raw);
        showChecked(raw, shown);
        checkRetyped(raw, shown);
        pollStepTicks(raw);
        targetQueryPeriodMs(raw);
    }
    return 0;
}
