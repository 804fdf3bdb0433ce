// The decisions of the CDPD setup dialogs that need no window: the text of a list row, the dotted
// address typed into four fields, a new entry, and the changes Add, Modify, Delete, an icon pick
// and Exit make to cdpdList. The dialogs (cdpd_dialogs_win.cpp) only move texts in and out of
// controls and call these.
//
// The functions over module state take moduleState.listLock themselves, since the receiver and
// the poll thread read the list meanwhile; the dialogs never hold it, so it is never held while a
// control is sent a message, a dialog or message box runs, or a datagram goes out. Texts come in
// as typed (UTF-16) and are narrowed here, so each test is made on the bytes that would be stored.
// The rules the two lists share are in module/list_edit.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "cdpd/cdpd_address.h"
#include "module/list_edit.h"

// The four address fields of the add dialog are read with at most this many characters each.
constexpr size_t kOctetFieldChars = 9;
// Room for four such fields joined with dots, and the terminator.
constexpr size_t kJoinedAddressSize = 4 * kOctetFieldChars + 3 + 1;

// The add dialog reads the description with at most 49 characters (the modify dialog with
// kModifyDescriptionChars).
constexpr size_t kCdpdAddDescriptionChars = 49;

// The row of the setup list: "%hs, %hs, %d.%d, %ld" with the dotted address, the description
// (read within its 52 bytes, so one that fills them reads as 52 characters), the frequency as
// formatOneDecimal shows it and the resolution: "10.1.2.3, Van, 2.5, 100".
std::u16string cdpdRowText(const CdpdAddress& entry);

// Joins the four typed fields (narrow, zero-terminated, at most kOctetFieldChars each) as
// "a.b.c.d" for inet_addr. Each field loses its leading zeros first ("010" gives "10", "000"
// gives "0"): inet_addr would read a leading zero as octal, "010" as 8, and refuse "08".
void joinOctetFields(const char* const fields[4], char out[kJoinedAddressSize]);

// A new entry: zero throughout, then the address, the description (at most 51 bytes of it, so
// it stays terminated), the modem mark and the icon; frequency 0.0, resolution 0, not enabled.
CdpdAddress makeNewEntry(uint32_t address, const char* description, bool modem, int32_t iconIndex);

// `enabled` as Exit stores it from a row's tick box: 1 for a ticked box (state image 2), 0 for
// anything else, also for a row that shows no box at all (state image 0).
int32_t enabledFromStateImage(uint32_t stateImage);

// ---- Over module state ----

// The add dialog's OK: the description (first 49 characters, narrowed) passes checkNewEntry,
// then the address must be one (null: inet_addr could not read the fields, which would
// otherwise be stored as INADDR_NONE and polled at the broadcast address). Then slot cdpdCount
// gets makeNewEntry's record and is counted once it is whole.
NewEntryCheck addCdpdEntry(const char16_t* typedDescription, const uint32_t* address, bool modem,
                           int32_t iconIndex);

// The modify dialog's OK for entry `index`: parseModifiedFields' values and the modem mark.
// False, nothing changed, when `index` names no entry.
bool modifyCdpdEntry(int32_t index, const char16_t* typedDescription,
                     const char16_t* typedFrequency, const char16_t* typedResolution, bool modem);

// Delete of row `row` (removeEntry); false, nothing changed, when it names no entry.
bool removeCdpdEntry(int32_t row);

// An icon pick of the modify dialog, stored at once: false, nothing stored, when `index` names no
// entry or `iconIndex` is no icon (a cleared picker gives -1).
bool setCdpdIcon(int32_t index, int32_t iconIndex);

// Exit: the first `rows` entries get the marks read from their tick boxes.
void storeEnabledMarks(const int32_t* enabled, int32_t rows);

// A copy of entry `index` taken whole; false when `index` names no entry.
bool copyCdpdEntryAt(int32_t index, CdpdAddress* entry);

int32_t cdpdCountNow();
void setCdpdSelection(int32_t index);

// cdpdSelection when it names an entry, else -1 (no row selected, or the list shrank under it).
int32_t selectedCdpdEntry();

// Saves the list whole to windowsFolder + "\zqCDPD". A failed save is not reported: the list in
// memory stays and goes out with the next save.
void saveCdpdEntries();
