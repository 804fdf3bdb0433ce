// The track file's format, without any I/O: the path and the names built from a target's name and
// a day, the encoder of a waypoint record, and the walk over a file's bytes that an append (and
// any tool that reads track files) makes. The append itself, with its file handles, is in
// track_file.cpp; keeping this part pure lets the tests and the fuzzer drive it with plain bytes.
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

// An append reads its whole file into memory; a file larger than this is left untouched. A day of
// one point a second is about 5 MB, so only a foreign file can come near it.
constexpr uint64_t kMaxTrackFileBytes = 64u << 20;

// ---- Names ----

// documentsFolder "\" name "(" month.day.year ")" ".way", the date without leading zeros. A null
// name counts as empty.
std::u16string trackFilePath(const char16_t* documentsFolder, const char16_t* name,
                             const LocalTime& day);

// False when the path cannot name a file: too long for a path buffer, or a `name` holding a
// character that file names refuse (control characters and < > : " / | ? *), which some file
// systems would take for something else (a ':' names a stream on NTFS). A '\' in the name is
// allowed: it names a subfolder, and the open fails if that does not exist; but a folder named
// only by dots and blanks ("..") is refused, as it would lead out of the documents folder.
bool isWritableTrackPath(const std::u16string& path, const char16_t* name);

// The 8-bit copy of the path after its last '\', cut to fit `fileName` of 256 bytes with its
// zero: what the host is told.
void trackFileName(const std::u16string& path, char* fileName);

// The 8-bit copy of the path between its last '\' and its last '(': the target's name, with any
// '(' of its own kept, since the date's is the last one.
std::string trackBaseName(const std::u16string& path);

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
void encodeTrackRecord(std::vector<uint8_t>& out, const std::string& baseName, int32_t number,
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
    size_t recordsEnd;     // just past the last of them; kTrackRecordsOffset when there is none
    bool truncated;        // the bytes ended before the count's records did
    size_t stoppedAt;      // when truncated: the offset of the field that ran past the end
};

// Walks the count's records from offset 68, stopping where the bytes end. Each symbol number of
// 24 and above that it reads whole is added to `demotions` (its offset) when that is not null.
TrackWalk walkTrackFile(const uint8_t* bytes, size_t size, std::vector<uint64_t>* demotions);

// What one append writes, in the order it must be written so that an append cut off at any byte
// never leaves a count that promises a record not there:
//   1. `bytes` at `writeAt`: the new record, at the end of the whole records (over whatever a
//      truncated file holds there). For a file shorter than 68 bytes, and a new one, the header
//      and a count of 0 come first in the same write, at offset 0;
//   2. 17 at each offset of `demotions`;
//   3. `newCount` at offset 64, only after 1 and 2 reached the disk.
// The count becomes the number of whole records plus one, and the new record is numbered with it,
// so that the n-th record is always named <base>.n whatever the file held.
struct TrackAppend {
    uint64_t writeAt;
    std::vector<uint8_t> bytes;
    std::vector<uint64_t> demotions;
    int32_t newCount;
};

// `file` holds the file's bytes (empty for a file just created, which gets the new-file header;
// an existing empty file gets a header of zeros).
TrackAppend planTrackAppend(const uint8_t* file, size_t size, bool newFile,
                            const std::string& baseName, const LocalTime& receivedAt,
                            int32_t longitude, int32_t latitude, uint32_t symbol);

