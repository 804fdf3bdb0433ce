// The decisions of the CDPD setup dialogs that need no window: the text of a list row, the dotted
// address typed into four fields, the tests a new entry must pass, and the changes Add and Delete
// make to the list. The dialogs themselves (cdpd_dialogs_win.cpp) only move texts in and out of
// controls and call these.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "cdpd/cdpd_address.h"

// The four address fields of the add dialog are read with at most this many characters each.
constexpr size_t kOctetFieldChars = 9;
// Room for four such fields joined with dots, and the terminator.
constexpr size_t kJoinedAddressSize = 4 * kOctetFieldChars + 3 + 1;

// Descriptions are read with at most 49 characters in the add dialog, 29 in the modify dialog.
constexpr size_t kAddDescriptionChars = 49;
constexpr size_t kModifyDescriptionChars = 29;

// An address in network byte order as dotted text, first byte first ("10.1.2.3"), as inet_ntoa
// shows it.
std::u16string dottedAddressText(uint32_t address);

// The row of the setup list: "%hs, %hs, %d.%d, %ld" with the dotted address, the description
// (read within its 52 bytes, so one that fills them reads as 52 characters), the frequency as
// formatOneDecimal shows it and the resolution: "10.1.2.3, Van, 2.5, 100".
std::u16string cdpdRowText(const CdpdAddress& entry);

// Joins the four typed fields (narrow, zero-terminated, at most kOctetFieldChars each) as
// "a.b.c.d" for inet_addr. Each field loses its leading zeros first ("010" gives "10", "000"
// gives "0"): inet_addr would read a leading zero as octal, "010" as 8, and refuse "08".
void joinOctetFields(const char* const fields[4], char out[kJoinedAddressSize]);

enum class NewEntryCheck {
    Accepted,
    ListFull, // the list already holds kCdpdCapacity entries
    EmptyDescription,
    DuplicateDescription, // an entry has exactly these bytes as its description
};

// The tests a new entry's description passes before it is added. `description` is the narrowed
// text, as it would be stored; entries' descriptions are compared within their 52 bytes, exactly
// and case-sensitively. A count outside 0 to kCdpdCapacity is taken as the capacity.
NewEntryCheck checkNewEntry(const CdpdAddress* list, int32_t count, const char* description);

// A new entry: zero throughout, then the address, the description (at most 51 bytes of it, so
// it stays terminated), the modem mark and the icon; frequency 0.0, resolution 0, not enabled.
CdpdAddress makeNewEntry(uint32_t address, const char* description, bool modem, int32_t iconIndex);

// Removes entry `row`, moving the later ones down by one and zeroing the slot left free. False,
// and nothing changed, when `row` names no entry.
bool deleteCdpdEntry(CdpdAddress* list, int32_t& count, int32_t row);

// Whether `index` names an entry of a list of `count` (the selection of the setup list may be
// -1, or stale after a refill of an empty list).
bool namesEntry(int32_t index, int32_t count);

// `enabled` as Exit stores it from a row's tick box: 1 for a ticked box (state image 2), 0 for
// anything else, also for a row that shows no box at all (state image 0).
int32_t enabledFromStateImage(uint32_t stateImage);

// Writes the description typed into the modify dialog (narrow, zero-terminated) into the entry:
// the whole 52-byte field is cleared first, so nothing of a longer earlier text stays behind it.
void setDescription(CdpdAddress& entry, const char* description);
