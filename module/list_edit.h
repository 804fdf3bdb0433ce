// The rules both target lists follow when the setup dialogs edit them: the CDPD address list
// (CdpdAddress, 50 entries) and the 3G target list (ThreeGTarget, 25 targets). Each record has a
// narrow `description` field and an `iconIndex`; everything here takes the list as arguments, so
// the tests drive it with plain arrays. The per-list functions over module state (cdpd_setup.h,
// threeg_setup.h) take listLock around these and are all that the dialogs call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <string>

#include "module/module_state.h"
#include "module/number_entry.h"
#include "module/text.h"

// The six target icons, 0 to 5 (icon resources 195 to 200).
constexpr int32_t kTargetIconCount = 6;

// The row a picker's selection names as an icon index, or -1 when it names none (a cleared
// selection, index -1). A pick is checked here, where it enters, and trusted from then on.
inline int32_t pickedIconIndex(int32_t row) {
    return row >= 0 && row < kTargetIconCount ? row : -1;
}

// The icon to show for a stored index: a record from a damaged file may hold anything, which is
// shown as icon 0 (the stored value itself is left alone, and saved back as it was).
inline int32_t shownIconIndex(int32_t stored) {
    return stored >= 0 && stored < kTargetIconCount ? stored : 0;
}

// Both dialogs read the frequency and the resolution with at most these many characters.
constexpr size_t kTypedFrequencyChars = 19;
constexpr size_t kTypedResolutionChars = 29;
// The modify dialogs of both lists read the description with at most 29 characters.
constexpr size_t kModifyDescriptionChars = 29;

// The path of a list file: windowsFolder followed by `fileName` ("\zqCDPD", "\zq3GTrack").
inline std::u16string listFilePath(const char16_t* fileName) {
    std::u16string path(moduleState.windowsFolder,
                        fieldLength(moduleState.windowsFolder, kPathChars));
    return path + fileName;
}

// Whether `index` names one of the `count` records in use. The count is always within the
// list's room: the file's decoder clamps it and Add refuses a full list.
inline bool namesEntry(int32_t index, int32_t count) { return index >= 0 && index < count; }

enum class NewEntryCheck {
    Accepted,
    ListFull,              // the list already holds as many records as it has room for
    EmptyDescription,      // nothing would be stored as the description
    DuplicateDescription,  // a record has exactly these bytes as its description
    UnreadableAddress,     // (CDPD) the typed address is none
};

// The tests a new record's description passes before it is added. `description` is the
// narrowed text, as it would be stored; the records' descriptions are read within their fields,
// so one that fills its field without a zero is compared whole; the comparison is exact, letter
// case counts. A count outside 0 to `capacity` is taken as a full list.
template <typename Record>
NewEntryCheck checkNewEntry(const Record* list, int32_t count, int32_t capacity,
                            const char* description) {
    if (count < 0 || count >= capacity)
        return NewEntryCheck::ListFull;
    if (description[0] == 0)
        return NewEntryCheck::EmptyDescription;
    size_t length = std::strlen(description);
    for (int32_t i = 0; i < count; ++i) {
        const char* stored = list[i].description;
        if (fieldLength(stored, sizeof list[i].description) == length &&
            std::memcmp(stored, description, length) == 0)
            return NewEntryCheck::DuplicateDescription;
    }
    return NewEntryCheck::Accepted;
}

// Removes record `row`, moving the later ones down by one in order and zeroing the slot left
// free. False, and nothing changed, when `row` names no record.
template <typename Record> bool removeEntry(Record* list, int32_t& count, int32_t row) {
    if (!namesEntry(row, count))
        return false;
    int32_t last = count - 1;
    for (int32_t i = row; i < last; ++i)
        list[i] = list[i + 1];
    std::memset(&list[last], 0, sizeof list[last]);
    count = last;
    return true;
}

// Writes a narrow, zero-terminated description into a record: the whole field is cleared first,
// so nothing of a longer earlier text stays behind it, and at most its width - 1 bytes are
// copied, so it stays terminated.
template <typename Record> void setDescription(Record& record, const char* description) {
    constexpr size_t width = sizeof record.description;
    std::memset(record.description, 0, width);
    std::memcpy(record.description, description, fieldLength(description, width - 1));
}

// What the OK of either modify dialog stores, from the fields as typed: the description (first
// 29 characters, narrowed), the frequency (first 19 characters through parseDecimal, rounded to
// a float) and the resolution (first 29 characters through parseScaledInt with scale 1).
// Nothing is validated.
struct ModifiedFields {
    char description[kModifyDescriptionChars + 1];
    float frequency;
    int32_t resolution;
};

inline ModifiedFields parseModifiedFields(const char16_t* typedDescription,
                                          const char16_t* typedFrequency,
                                          const char16_t* typedResolution) {
    ModifiedFields fields;
    char frequency[kTypedFrequencyChars + 1];
    char resolution[kTypedResolutionChars + 1];
    copyFieldToNarrow(typedDescription, kModifyDescriptionChars, fields.description);
    copyFieldToNarrow(typedFrequency, kTypedFrequencyChars, frequency);
    copyFieldToNarrow(typedResolution, kTypedResolutionChars, resolution);
    fields.frequency = frequencyFromDecimal(parseDecimal(frequency));
    fields.resolution = parseScaledInt(resolution, 1);
    return fields;
}

// Stores what parseModifiedFields gave into a record; its other fields stay.
template <typename Record> void storeModifiedFields(Record& record, const ModifiedFields& fields) {
    setDescription(record, fields.description);
    record.frequency = fields.frequency;
    record.resolution = fields.resolution;
}

// ---- Over module state ----

// One list as the module holds it: its records, the count in use and the setup dialog's
// selection. The functions below take moduleState.listLock for their whole work, since the
// receiver and the poll thread read the lists while the dialogs change them.
template <typename Record> struct ListInState {
    Record* records;
    int32_t& count;
    int32_t& selection;
};

// Runs `use` on record `index` under the lock: to copy it out whole, or to change it so that no
// other thread sees it halfway. False, `use` not run, when `index` names no record.
template <typename Record, typename Use>
bool withEntryAt(ListInState<Record> list, int32_t index, Use use) {
    std::lock_guard<std::mutex> hold(moduleState.listLock);
    if (!namesEntry(index, list.count))
        return false;
    use(list.records[index]);
    return true;
}

template <typename Record>
bool copyEntryAt(ListInState<Record> list, int32_t index, Record* out) {
    return withEntryAt(list, index, [out](const Record& record) { *out = record; });
}

template <typename Record> int32_t countNow(ListInState<Record> list) {
    std::lock_guard<std::mutex> hold(moduleState.listLock);
    return list.count;
}

template <typename Record> void setSelection(ListInState<Record> list, int32_t index) {
    std::lock_guard<std::mutex> hold(moduleState.listLock);
    list.selection = index;
}

// The selection when it names a record, else -1 (no row selected, or the list shrank under it).
template <typename Record> int32_t selectedEntry(ListInState<Record> list) {
    std::lock_guard<std::mutex> hold(moduleState.listLock);
    return namesEntry(list.selection, list.count) ? list.selection : -1;
}

// An icon pick stored at once: false, nothing stored, when `index` names no record or
// `iconIndex` is no icon (a cleared picker gives -1).
template <typename Record>
bool setEntryIcon(ListInState<Record> list, int32_t index, int32_t iconIndex) {
    if (pickedIconIndex(iconIndex) < 0)
        return false;
    return withEntryAt(list, index, [iconIndex](Record& record) { record.iconIndex = iconIndex; });
}

// Delete of record `row` (removeEntry).
template <typename Record> bool removeEntryAt(ListInState<Record> list, int32_t row) {
    std::lock_guard<std::mutex> hold(moduleState.listLock);
    return removeEntry(list.records, list.count, row);
}
