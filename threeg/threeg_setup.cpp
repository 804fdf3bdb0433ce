// The 3G setup dialogs' decisions over the target list. Records may come from a file written by
// anything, so their texts are read only up to the end of their fields and never rewritten unless
// the user changes them; a slot is zeroed before a new target goes into it.
#include "threeg/threeg_setup.h"

#include <charconv>
#include <cstring>
#include <mutex>

#include "module/module_state.h"
#include "module/text.h"
#include "threeg/target_list.h"

namespace {

constexpr int kIconCount = 6;

bool namesTarget(int32_t index) {
    return index >= 0 && index < moduleState.targetCount && index < kTargetCapacity;
}

// Appends `text` at `out` and returns the end.
char16_t* append(char16_t* out, const char16_t* text) {
    while (*text != 0)
        *out++ = *text++;
    return out;
}

char16_t* appendNumber(char16_t* out, int32_t value) {
    char digits[12];
    auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    for (const char* p = digits; p != end; ++p)
        *out++ = static_cast<char16_t>(*p);
    return out;
}

bool descriptionTaken(const char* narrow) {
    size_t length = std::strlen(narrow);
    for (int32_t i = 0; i < moduleState.targetCount && i < kTargetCapacity; ++i) {
        const char* stored = moduleState.targetList[i].description;
        if (fieldLength(stored, sizeof moduleState.targetList[i].description) == length &&
            std::memcmp(stored, narrow, length) == 0)
            return true;
    }
    return false;
}

} // namespace

void targetIdText(const ThreeGTarget& target, char16_t out[17]) {
    size_t n = fieldLength(target.targetId, 16);
    std::memcpy(out, target.targetId, n * sizeof(char16_t));
    out[n] = 0;
}

void descriptionText(const ThreeGTarget& target, char16_t out[65]) {
    copyFieldToWide(target.description, sizeof target.description, out);
}

void formatTargetRow(const ThreeGTarget& target, char16_t out[kTargetRowTextSize]) {
    char16_t description[65];
    char16_t id[17];
    char16_t frequency[kOneDecimalTextSize];
    descriptionText(target, description);
    targetIdText(target, id);
    formatOneDecimal(target.frequency, frequency);
    char16_t* end = append(out, description);
    end = append(end, u", ");
    end = append(end, id);
    end = append(end, u", ");
    end = append(end, frequency);
    end = append(end, u", ");
    end = appendNumber(end, target.resolution);
    *end = 0;
}

AddResult addTarget(const char16_t* typedId, const char16_t* typedDescription, int32_t iconIndex) {
    char description[kAddDescriptionChars + 1];
    copyFieldToNarrow(typedDescription, kAddDescriptionChars, description);
    if (description[0] == 0)
        return AddResult::emptyDescription;
    char id[kTypedIdChars + 1];
    copyFieldToNarrow(typedId, kTypedIdChars, id);

    std::lock_guard<std::mutex> hold(moduleState.listLock);
    if (descriptionTaken(description))
        return AddResult::duplicateDescription;
    if (moduleState.targetCount < 0 || moduleState.targetCount >= kTargetCapacity)
        return AddResult::listFull;
    ThreeGTarget& slot = moduleState.targetList[moduleState.targetCount];
    std::memset(&slot, 0, sizeof slot);
    copyToWide(id, slot.targetId);
    std::memcpy(slot.description, description, std::strlen(description) + 1);
    slot.iconIndex = iconIndex >= 0 && iconIndex < kIconCount ? iconIndex : 0;
    ++moduleState.targetCount;
    return AddResult::added;
}

bool modifyTarget(int32_t index, const char16_t* typedDescription, const char16_t* typedFrequency,
                  const char16_t* typedResolution) {
    char description[kModifyDescriptionChars + 1];
    char frequencyText[kTypedFrequencyChars + 1];
    char resolutionText[kTypedResolutionChars + 1];
    copyFieldToNarrow(typedDescription, kModifyDescriptionChars, description);
    copyFieldToNarrow(typedFrequency, kTypedFrequencyChars, frequencyText);
    copyFieldToNarrow(typedResolution, kTypedResolutionChars, resolutionText);
    float frequency = frequencyFromDecimal(parseDecimal(frequencyText));
    int32_t resolution = parseScaledInt(resolutionText, 1);

    std::lock_guard<std::mutex> hold(moduleState.listLock);
    if (!namesTarget(index))
        return false;
    ThreeGTarget& target = moduleState.targetList[index];
    std::memset(target.description, 0, sizeof target.description);
    std::memcpy(target.description, description, std::strlen(description) + 1);
    target.frequency = frequency;
    target.resolution = resolution;
    return true;
}

bool removeTarget(int32_t index) {
    std::lock_guard<std::mutex> hold(moduleState.listLock);
    if (!namesTarget(index))
        return false;
    int32_t last = moduleState.targetCount - 1;
    for (int32_t i = index; i < last; ++i)
        moduleState.targetList[i] = moduleState.targetList[i + 1];
    std::memset(&moduleState.targetList[last], 0, sizeof(ThreeGTarget));
    moduleState.targetCount = last;
    return true;
}

bool setTargetIcon(int32_t index, int32_t iconIndex) {
    if (iconIndex < 0 || iconIndex >= kIconCount)
        return false;
    std::lock_guard<std::mutex> hold(moduleState.listLock);
    if (!namesTarget(index))
        return false;
    moduleState.targetList[index].iconIndex = iconIndex;
    return true;
}

bool copyTargetAt(int32_t index, ThreeGTarget* target) {
    std::lock_guard<std::mutex> hold(moduleState.listLock);
    if (!namesTarget(index))
        return false;
    *target = moduleState.targetList[index];
    return true;
}

int32_t targetCountNow() {
    std::lock_guard<std::mutex> hold(moduleState.listLock);
    return moduleState.targetCount;
}

void setTargetSelection(int32_t index) {
    std::lock_guard<std::mutex> hold(moduleState.listLock);
    moduleState.targetSelection = index;
}

int32_t selectedTarget() {
    std::lock_guard<std::mutex> hold(moduleState.listLock);
    return namesTarget(moduleState.targetSelection) ? moduleState.targetSelection : -1;
}

void saveTargets() {
    char16_t path[kPathChars + 16];
    size_t n = fieldLength(moduleState.windowsFolder, kPathChars);
    std::memcpy(path, moduleState.windowsFolder, n * sizeof(char16_t));
    std::memcpy(path + n, u"\\zq3GTrack", sizeof u"\\zq3GTrack");
    // Under the lock, so the receiver's last positions go out whole with the rest of the records.
    std::lock_guard<std::mutex> hold(moduleState.listLock);
    saveTargetList(path, moduleState.targetCount);
}
