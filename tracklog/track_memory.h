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
// What it cannot see: another program's change that keeps the file's size, its head and its
// newest record, made within the same step of the file system's clock as the module's last write
// (2 s on FAT, the system's tick elsewhere), for instance a symbol rewritten in the middle. The
// next append then does not walk over it.
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
