// What the track log remembers of the files it appended to lately, so that the next append of a
// file left as it was needs no walk: where the counted records end, the count, and enough of the
// file to know it is still the file the append left (its stamp, its header and count, the bytes
// of its newest record). After an append that went through whole, the newest record is the only
// one whose symbol is 24 or above, so the one demotion the next append owes is that record's.
//
// A handful of files are remembered, the least recently used one making room: the receiver
// logs a few targets at a time, each on its own file of the day. Only the receiver thread
// appends, so only it reads or writes the table, which needs no lock.
//
// What it cannot see: another program's change that keeps the file's size, its head (so its
// count) and its newest record, made within the same step of the file system's clock as the
// module's last write (2 s on FAT, the system's tick elsewhere). The append then trusts the file
// as it left it. Say the file holds n records and another program rewrote the symbol of record
// k < n to s: the append writes record n + 1, named NAME.(n+1) with the symbol 24 + its icon,
// right after record n, demotes record n to 17 and makes the count n + 1, as a walk would; every
// other record keeps its symbol, record k too. A walk would have kept an s below 24 as well, but
// made an s of 24 or more 17: then the file shows two newest points, k and n + 1. Record k keeps
// s through every further append that finds the file as it left it, until an append walks it:
// after the module is loaded anew, once its entry here went to another file, or after a
// change that the stamp, the head or the newest record shows.
#pragma once

#include <cstddef>
#include <cstdint>

#include "module/module_state.h"
#include "module/platform.h"
#include "tracklog/track_format.h"

constexpr size_t kRememberedTrackFiles = 8;

// A record this module writes: a base name shorter than a path, a number of up to 11
// characters, the comment of 32, two zeros and 25 fixed bytes.
constexpr size_t kNewestRecordMax = kPathChars + 12 + 32 + 2 + 25;

struct RememberedTrackFile {
    bool known;
    char16_t path[kPathChars];
    FileStamp stamp;                       // the file's, read after the append closed it
    uint8_t head[kTrackRecordsOffset];     // the header and the count as the append left them
    int32_t count;                         // the same count
    uint64_t recordsEnd;                   // just past the newest record: where the next goes
    uint32_t newestLength;                 // the newest record ends at recordsEnd
    uint8_t newest[kNewestRecordMax];      // its bytes; its symbol is its last four
    uint64_t lastUse;
};

// The entry of `path`, or null when the file is not remembered. Finding it counts as a use.
RememberedTrackFile* findRememberedTrackFile(const char16_t* path);

// An entry for `path`, not yet known: the path's own (known or not), else a free one, else the
// one used least recently. Null for a path that does not fit.
RememberedTrackFile* rememberTrackFile(const char16_t* path);

// Forgets every file: the next append of each walks it. For tests, which reuse paths on file
// systems made anew.
void forgetTrackFiles();
