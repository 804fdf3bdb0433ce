// The track file's format, without any I/O: the path and the names built from a target's name and
// a day, the encoder of a waypoint record, and the walk over a file's bytes that an append (and
// any tool that reads track files) makes. The append itself, with its file handles, is in
// track_file.cpp, the walk in track_walk.cpp; keeping this part free of the platform lets the
// tests and the fuzzer drive it with plain bytes.
//
// TrackFile, little-endian, no padding:
//     0  64  header: zero in a new file but the 16-bit words 0, 4098 and 1 at 16, 18 and 20;
//            kept exactly as found in an existing file
//    64   4  record count, signed 32-bit
//    68      the WaypointRecords, back to back, oldest first
// WaypointRecord, variable length, no alignment:
//     name (8-bit text and its zero), comment (likewise), longitude and latitude (signed 32-bit,
//     ten times the message's values), two short texts of 4 bytes, a 32-bit word, the symbol flag
//     (1 byte) and, only when that flag is non-zero, the symbol number (unsigned 32-bit).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "module/bytes.h"
#include "module/platform.h"

constexpr size_t kTrackHeaderBytes = 64;
constexpr size_t kTrackCountOffset = 64;
constexpr size_t kTrackRecordsOffset = 68;
constexpr size_t kTrackHeaderWordOffsets[3] = {16, 18, 20};
constexpr uint16_t kNewTrackHeaderWords[3] = {0, 4098, 1};

// The newest waypoint of a file carries 24 + its target's icon; the walk demotes every earlier
// one of 24 and above (unsigned) to the plain track point.
constexpr uint32_t kTrackPointSymbol = 17;
constexpr uint32_t kNewestSymbolBase = 24;

// ---- Names ----
// The track's name is 8-bit text, as the lists and the datagrams hold it; it is widened only
// where the file is opened (trackFilePath), as copyToWide widens. A null name counts as empty.

// documentsFolder "\" name "(" month.day.year ")" ".way", the date without leading zeros.
std::u16string trackFilePath(const char16_t* documentsFolder, const char* name,
                             const LocalTime& day);

// False when the path cannot name a file: too long for a path buffer, or a `name` holding a
// character that file names refuse (control characters and < > : " / | ? *), which some file
// systems would take for something else (a ':' names a stream on NTFS). A '\' in the name is
// allowed: it names a subfolder, and the open fails if that does not exist; but a folder named
// only by dots and blanks ("..") is refused, as it would lead out of the documents folder.
bool isWritableTrackPath(const std::u16string& path, const char* name);

// The part of `name` after its last '\' (all of it when it has none): what the file is named
// after, and what its records are named after. The path's own '(' comes after it, so a '(' of
// the name stays in it.
const char* trackBaseName(const char* name);

// trackBaseName(name) "(" month.day.year ")" ".way", cut to fit `fileName` of 256 bytes with
// its zero: the file's name without its folder, which the host is told.
void trackFileName(const char* name, const LocalTime& day, char* fileName);

// 24 + iconIndex; an index outside 0 to 5 counts as 0.
uint32_t newestSymbol(int32_t iconIndex);

// Ten times a message coordinate, the unit the file holds. False when that leaves the signed
// 32-bit range: a driver coordinate divided by 10 and multiplied back always fits, so such a value
// cannot come from a real fix and the point is not logged.
bool tenfoldCoordinate(int32_t value, int32_t* tenfold);

// ---- Records ----

// Appends the bytes of one record to `out`: name "<baseName>.<number>", comment
// "Address: Unknown  Time: hh:mm:ss", the two coordinates (longitude first), eight zero bytes,
// the word 1, the flag 1 and the symbol.
void encodeTrackRecord(std::vector<uint8_t>& out, std::string_view baseName, int32_t number,
                       const LocalTime& receivedAt, int32_t longitude, int32_t latitude,
                       uint32_t symbol);

// One record as read; the texts point into the file's bytes.
struct TrackRecord {
    size_t offset;  // where the record starts
    const char* name;
    size_t nameLength;
    const char* comment;
    size_t commentLength;
    int32_t longitude;
    int32_t latitude;
    uint8_t shortText1[4];
    uint8_t shortText2[4];
    uint32_t word;
    uint8_t symbolFlag;
    uint32_t symbol;      // 0 when the flag is 0
    size_t symbolOffset;  // where the symbol number is; 0 when there is none
};

// The header and the count as an append reads them: what the file lacks stays zero.
struct TrackFileHead {
    uint8_t header[kTrackHeaderBytes];
    int32_t count;
    uint16_t words[3];    // the header words at 16, 18 and 20
    size_t presentBytes;  // how many of the 68 bytes the file holds
};

TrackFileHead readTrackHead(const uint8_t* bytes, size_t size);

// Reads the record at the reader's position. False when the bytes end inside it: the reader has
// failed, and `record->offset` still says where the record began.
bool readTrackRecord(ByteReader& in, TrackRecord* record);

// ---- The walk ----

struct TrackWalk {
    TrackFileHead head;
    int32_t wholeRecords;  // records read whole, at most the count (0 for a negative count)
    uint64_t recordsEnd;   // just past the last of them; kTrackRecordsOffset when there is none
    bool truncated;        // the bytes ended before the count's records did
    uint64_t stoppedAt;    // when truncated: the offset of the field that ran past the end
    bool failed;           // a read failed, or `seen` stopped the walk: nothing is known
};

// Told of each symbol number of 24 and above that the walk reads whole, by its offset; returning
// false stops the walk.
using TrackNewestSeen = bool (*)(void* context, uint64_t symbolOffset);

// Walks the count's records from offset 68, stopping where the bytes end. Each symbol number of
// 24 and above that it reads whole is added to `demotions` (its offset) when that is not null.
TrackWalk walkTrackFile(const uint8_t* bytes, size_t size, std::vector<uint64_t>* demotions);

// Where a walk that does not hold the file gets its bytes: up to `size` bytes from `offset` on,
// the number read, 0 at the end, -1 on an error.
struct TrackSource {
    int32_t (*read)(void* context, uint64_t offset, uint8_t* buffer, uint32_t size);
    void* context;
};

// The same walk over a file of any size read in chunks into `buffer` (the caller's, of
// `capacity` bytes, at least kTrackChunkMinBytes): its memory does not grow with the file. A text
// longer than the buffer is skipped chunk by chunk.
constexpr size_t kTrackChunkMinBytes = 256;
TrackWalk walkTrackSource(const TrackSource& source, uint8_t* buffer, size_t capacity,
                          TrackNewestSeen seen, void* context);

// What one append writes, in the order it must be written so that an append cut off at any byte
// never leaves a count that promises a record not there:
//   1. `bytes` at `writeAt`: the new record, at the end of the whole records (over whatever a
//      truncated file holds there). For a file shorter than 68 bytes, and a new one, the header
//      and a count of 0 come first in the same write, at offset 0;
//   2. 17 at the offset of each symbol of 24 and above that the walk found;
//   3. `newCount` at offset 64, after a flush of 1 and 2.
// The count becomes the number of whole records plus one, and the new record is numbered with it,
// so that the n-th record is always named <base>.n whatever the file held.
struct TrackAppend {
    uint64_t writeAt;
    std::vector<uint8_t> bytes;  // the head when it comes first, then the record
    size_t recordAt;             // where in `bytes` the record starts
    int32_t newCount;
};

// The append after `walk` (of an empty file for one just created, which gets the new-file
// header; an existing empty file gets a header of zeros). False when the count cannot grow: a
// file of 2^31 - 1 records is left as it is.
bool planTrackAppend(const TrackWalk& walk, bool newFile, const char* baseName,
                     const LocalTime& receivedAt, int32_t longitude, int32_t latitude,
                     uint32_t symbol, TrackAppend* append);

// One more record at the end of a planned append, for points that reach one file together and
// are written with one flush: the record before it, the newest until now, is demoted in `bytes`
// as the next append's walk would demote it on the disk, and the new one is counted and numbered
// after it, so the file ends byte for byte as one append per point would leave it. False when the
// count cannot grow; the append is then as it was.
bool extendTrackAppend(TrackAppend* append, const char* baseName, const LocalTime& receivedAt,
                       int32_t longitude, int32_t latitude, uint32_t symbol);
