#include "cdpd/cdpd_setup.h"

#include <cstdio>
#include <cstring>
#include <mutex>

#include "cdpd/cdpd_list.h"
#include "exchange/socket_address.h"
#include "module/module_state.h"
#include "module/number_entry.h"
#include "module/text.h"

namespace {

constexpr size_t kDescriptionBytes = sizeof(CdpdAddress{}.description);

ListInState<CdpdAddress> cdpdInState() {
    return {moduleState.cdpdList, moduleState.cdpdCount, moduleState.cdpdSelection};
}

void appendAscii(std::u16string& text, const char* ascii) {
    for (; *ascii != 0; ++ascii)
        text += static_cast<char16_t>(*ascii);
}

} // namespace

std::u16string cdpdRowText(const CdpdAddress& entry) {
    char16_t description[kDescriptionBytes + 1];
    copyFieldToWide(entry.description, kDescriptionBytes, description);
    char16_t frequency[kOneDecimalTextSize];
    formatOneDecimal(entry.frequency, frequency);
    char resolution[16];
    std::snprintf(resolution, sizeof resolution, "%ld", long(entry.resolution));

    char dotted[kDottedAddressSize];
    formatDottedAddress(entry.address, dotted);
    std::u16string row;
    appendAscii(row, dotted);
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
        size_t length = fieldLength(field, kOctetFieldChars);
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

CdpdAddress makeNewEntry(uint32_t address, const char* description, bool modem, int32_t iconIndex) {
    CdpdAddress entry;
    std::memset(&entry, 0, sizeof entry);
    entry.address = address;
    setDescription(entry, description);
    entry.modemFlag = modem ? 1 : 0;
    entry.iconIndex = iconIndex;
    return entry;
}

int32_t enabledFromStateImage(uint32_t stateImage) {
    return stateImage == 2 ? 1 : 0;
}

NewEntryCheck addCdpdEntry(const char16_t* typedDescription, const uint32_t* address, bool modem,
                           int32_t iconIndex) {
    char description[kCdpdAddDescriptionChars + 1];
    copyFieldToNarrow(typedDescription, kCdpdAddDescriptionChars, description);
    ModuleState& m = moduleState;
    std::lock_guard<std::mutex> hold(m.listLock);
    NewEntryCheck check = checkNewEntry(m.cdpdList, m.cdpdCount, kCdpdCapacity, description);
    if (check != NewEntryCheck::Accepted)
        return check;
    if (address == nullptr)
        return NewEntryCheck::UnreadableAddress;
    m.cdpdList[m.cdpdCount] = makeNewEntry(*address, description, modem, iconIndex);
    ++m.cdpdCount;
    return NewEntryCheck::Accepted;
}

bool modifyCdpdEntry(int32_t index, const char16_t* typedDescription,
                     const char16_t* typedFrequency, const char16_t* typedResolution, bool modem) {
    ModifiedFields fields = parseModifiedFields(typedDescription, typedFrequency, typedResolution);
    return withEntryAt(cdpdInState(), index, [&](CdpdAddress& entry) {
        storeModifiedFields(entry, fields);
        entry.modemFlag = modem ? 1 : 0;
    });
}

bool removeCdpdEntry(int32_t row) { return removeEntryAt(cdpdInState(), row); }

bool setCdpdIcon(int32_t index, int32_t iconIndex) {
    return setEntryIcon(cdpdInState(), index, iconIndex);
}

void storeEnabledMarks(const int32_t* enabled, int32_t rows) {
    std::lock_guard<std::mutex> hold(moduleState.listLock);
    for (int32_t i = 0; i < moduleState.cdpdCount && i < rows; ++i)
        moduleState.cdpdList[i].enabled = enabled[i];
}

bool copyCdpdEntryAt(int32_t index, CdpdAddress* entry) {
    return copyEntryAt(cdpdInState(), index, entry);
}

int32_t cdpdCountNow() { return countNow(cdpdInState()); }

void setCdpdSelection(int32_t index) { setSelection(cdpdInState(), index); }

int32_t selectedCdpdEntry() { return selectedEntry(cdpdInState()); }

void saveCdpdEntries() {
    std::lock_guard<std::mutex> hold(moduleState.listLock);
    saveCdpdList(listFilePath(u"\\zqCDPD").c_str(), moduleState.cdpdList, moduleState.cdpdCount);
}
