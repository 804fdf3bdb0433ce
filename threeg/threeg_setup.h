// What the 3G setup dialogs decide, apart from the windows: the text of a row of the target list,
// the checks and the fill of a new target, the change of a modified one, the removal of one, the
// icon picks, and the selection that tracking queries. The dialogs (threeg_dialogs_win.cpp and
// threeg_target_dialogs_win.cpp) only read controls, call these and show the results.
//
// Every function here takes moduleState.listLock itself, since the receiver and the track timer
// read the list meanwhile; the dialogs never hold it. Texts come in as typed (UTF-16,
// zero-terminated) and are narrowed here, so each test is made on the bytes that would be stored.
// The rules the two lists share are in module/list_edit.h.
#pragma once

#include <cstddef>
#include <cstdint>

#include "module/list_edit.h"
#include "module/number_entry.h"
#include "threeg/threeg_target.h"

// How much of the ID and of the description the add dialog reads, in characters (the terminator
// not counted); the modify dialog reads as list_edit.h says.
constexpr size_t kTypedIdChars = 15;
constexpr size_t kTargetAddDescriptionChars = 63;

// "description, ID, frequency, resolution", for instance "Truck 7, T100, 1.5, 200". Room for
// a description and an ID that fill their fields, the widest frequency and resolution, and the
// terminator.
constexpr size_t kTargetRowTextSize = 64 + 2 + 16 + 2 + (kOneDecimalTextSize - 1) + 2 + 11 + 1;

// The row text of `target`: its description widened, its ID, its frequency with one decimal and
// its resolution. Both texts are read only up to the end of their fields, terminated or not.
void formatTargetRow(const ThreeGTarget& target, char16_t out[kTargetRowTextSize]);

// The ID and the description of a record as wide texts that can be shown: read up to the end of
// their fields, always terminated.
void targetIdText(const ThreeGTarget& target, char16_t out[17]);
void descriptionText(const ThreeGTarget& target, char16_t out[65]);

// The add dialog's OK: the description (first 63 characters) narrowed as it would be stored
// passes checkNewEntry (room left, not empty, unlike every target's description, exact bytes, so
// letter case counts). Then slot targetCount, zeroed, gets the ID (first 15 characters) narrowed
// and widened again, the narrowed description and the icon (one that is none gives icon 0), and
// targetCount grows by one.
NewEntryCheck addTarget(const char16_t* typedId, const char16_t* typedDescription,
                        int32_t iconIndex);

// The modify dialog's OK for target `index`: parseModifiedFields' values (the rest of the
// description's field zeroed). Nothing is validated. False, nothing changed, when `index` names
// no target.
bool modifyTarget(int32_t index, const char16_t* typedDescription, const char16_t* typedFrequency,
                  const char16_t* typedResolution);

// Delete of target `index` (removeEntry); false, nothing changed, when it names no target.
bool removeTarget(int32_t index);

// An icon pick of the modify dialog, stored at once: false, nothing stored, when `index` names no
// target or `iconIndex` is no icon (a cleared picker gives -1).
bool setTargetIcon(int32_t index, int32_t iconIndex);

// A copy of target `index` taken whole; false when `index` names no target.
bool copyTargetAt(int32_t index, ThreeGTarget* target);

int32_t targetCountNow();
void setTargetSelection(int32_t index);

// targetSelection when it names a target, else -1 (no row selected, or the list shrank under it).
int32_t selectedTarget();

// Saves the list whole to windowsFolder + "\zq3GTrack", as it is at this moment. A failed save is
// not reported: the list in memory stays and goes out with the next save.
void saveTargets();
