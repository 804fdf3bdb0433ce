#include "cdpd/cdpd_setup.h"

#include <cstdio>
#include <cstring>

#include "module/number_entry.h"
#include "module/text.h"

namespace {

constexpr size_t kDescriptionBytes = sizeof(CdpdAddress{}.description);

void appendAscii(std::u16string& text, const char* ascii) {
    for (; *ascii != 0; ++ascii)
        text += static_cast<char16_t>(*ascii);
}

} // namespace

std::u16string dottedAddressText(uint32_t address) {
    const auto* b = reinterpret_cast<const uint8_t*>(&address);
    char dotted[16];
    std::snprintf(dotted, sizeof dotted, "%u.%u.%u.%u", unsigned(b[0]), unsigned(b[1]),
                  unsigned(b[2]), unsigned(b[3]));
    std::u16string text;
    appendAscii(text, dotted);
    return text;
}

std::u16string cdpdRowText(const CdpdAddress& entry) {
    char16_t description[kDescriptionBytes + 1];
    copyFieldToWide(entry.description, kDescriptionBytes, description);
    char16_t frequency[kOneDecimalTextSize];
    formatOneDecimal(entry.frequency, frequency);
    char resolution[16];
    std::snprintf(resolution, sizeof resolution, "%ld", long(entry.resolution));

    std::u16string row = dottedAddressText(entry.address);
    row += u", ";
    row += description;
    row += u", ";
    row += frequency;
    row += u", ";
    appendAscii(row, resolution);
    return row;
}

void joinOctetFields(const char* const fields[4], char out[kJoinedAddressSize]) {
    size_t n = 0;
    for (int i = 0; i < 4; ++i) {
        const char* field = fields[i];
        size_t length = strnlen(field, kOctetFieldChars);
        size_t start = 0;
        while (start + 1 < length && field[start] == '0')
            ++start; // "000" keeps its last zero
        if (i > 0)
            out[n++] = '.';
        std::memcpy(out + n, field + start, length - start);
        n += length - start;
    }
    out[n] = 0;
}

NewEntryCheck checkNewEntry(const CdpdAddress* list, int32_t count, const char* description) {
    if (count < 0 || count >= kCdpdCapacity)
        return NewEntryCheck::ListFull;
    if (description[0] == 0)
        return NewEntryCheck::EmptyDescription;
    size_t length = std::strlen(description);
    for (int32_t i = 0; i < count; ++i) {
        const char* stored = list[i].description;
        if (fieldLength(stored, kDescriptionBytes) == length &&
            std::memcmp(stored, description, length) == 0)
            return NewEntryCheck::DuplicateDescription;
    }
    return NewEntryCheck::Accepted;
}

CdpdAddress makeNewEntry(uint32_t address, const char* description, bool modem, int32_t iconIndex) {
    CdpdAddress entry;
    std::memset(&entry, 0, sizeof entry);
    entry.address = address;
    std::memcpy(entry.description, description, strnlen(description, kDescriptionBytes - 1));
    entry.modemFlag = modem ? 1 : 0;
    entry.iconIndex = iconIndex;
    return entry;
}

bool deleteCdpdEntry(CdpdAddress* list, int32_t& count, int32_t row) {
    if (!namesEntry(row, count))
        return false;
    int32_t last = count - 1;
    for (int32_t i = row; i < last; ++i)
        list[i] = list[i + 1];
    std::memset(&list[last], 0, sizeof list[last]);
    count = last;
    return true;
}

bool namesEntry(int32_t index, int32_t count) {
    return index >= 0 && index < count && index < kCdpdCapacity;
}

int32_t enabledFromStateImage(uint32_t stateImage) {
    return stateImage == 2 ? 1 : 0;
}

void setDescription(CdpdAddress& entry, const char* description) {
    std::memset(entry.description, 0, kDescriptionBytes);
    std::memcpy(entry.description, description, strnlen(description, kDescriptionBytes - 1));
}
