// The 3G setup dialogs' decisions over the target list. Records may come from a file written by
// anything, so their texts are read only up to the end of their fields and never rewritten unless
// the user changes them; a slot is zeroed before a new target goes into it.
#include "threeg/threeg_setup.h"

#include <cstring>
#include <mutex>

#include "module/module_state.h"
#include "module/text.h"
#include "threeg/target_list.h"

namespace {

ListInState<ThreeGTarget> targetsInState() {
    return {moduleState.targetList, moduleState.targetCount, moduleState.targetSelection};
}

// Appends `text` at `out` and returns the end.
char16_t* append(char16_t* out, const char16_t* text) {
    while (*text != 0)
        *out++ = *text++;
    return out;
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
    formatDecimal(target.resolution, end);
}

NewEntryCheck addTarget(const char16_t* typedId, const char16_t* typedDescription,
                        int32_t iconIndex) {
    char description[kTargetAddDescriptionChars + 1];
    copyFieldToNarrow(typedDescription, kTargetAddDescriptionChars, description);
    char id[kTypedIdChars + 1];
    copyFieldToNarrow(typedId, kTypedIdChars, id);

    ModuleState& m = moduleState;
    std::lock_guard<std::mutex> hold(m.listLock);
    NewEntryCheck check = checkNewEntry(m.targetList, m.targetCount, kTargetCapacity, description);
    if (check != NewEntryCheck::Accepted)
        return check;
    ThreeGTarget& slot = m.targetList[m.targetCount];
    std::memset(&slot, 0, sizeof slot);
    copyToWide(id, slot.targetId);
    setDescription(slot, description);
    slot.iconIndex = pickedIconIndex(iconIndex) >= 0 ? iconIndex : 0;
    ++m.targetCount;
    return NewEntryCheck::Accepted;
}

bool modifyTarget(int32_t index, const char16_t* typedDescription, const char16_t* typedFrequency,
                  const char16_t* typedResolution) {
    ModifiedFields fields = parseModifiedFields(typedDescription, typedFrequency, typedResolution);
    return withEntryAt(targetsInState(), index,
                       [&](ThreeGTarget& target) { storeModifiedFields(target, fields); });
}

bool removeTarget(int32_t index) { return removeEntryAt(targetsInState(), index); }

bool setTargetIcon(int32_t index, int32_t iconIndex) {
    return setEntryIcon(targetsInState(), index, iconIndex);
}

bool copyTargetAt(int32_t index, ThreeGTarget* target) {
    return copyEntryAt(targetsInState(), index, target);
}

int32_t targetCountNow() { return countNow(targetsInState()); }

void setTargetSelection(int32_t index) { setSelection(targetsInState(), index); }

int32_t selectedTarget() { return selectedEntry(targetsInState()); }

void saveTargets() {
    // Under the lock, so the receiver's last positions go out whole with the rest of the records.
    std::lock_guard<std::mutex> hold(moduleState.listLock);
    saveTargetList(listFilePath(kTargetListFileName).c_str(), moduleState.targetList,
                   moduleState.targetCount);
}
