// The append with its file I/O. A file that is as the last append left it (track_memory.h) is
// checked with a few hundred bytes read and appended to at once; any other is walked in chunks
// of a fixed size, so neither the time of an unchanged file's append nor the memory of any
// append grows with the file. Then only what changes is written: the new records, the symbols
// that drop to 17, and the count, in that order and with a flush before the count, so that a
// cut-off append never leaves a count that promises a record the file does not hold.
//
// Points that reach the same file together share its open, walk and flush: the flush waits for
// the disk, which can take from a tenth of a millisecond to hundreds, and one wait per point
// would let datagrams pile up in the socket until it drops them.
#include "tracklog/track_file.h"

#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "module/module_state.h"
#include "tracklog/track_format.h"
#include "tracklog/track_memory.h"

namespace {

// A cold walk reads this much at a time: large enough that the system calls cost little beside
// the copying, small enough for a handheld's memory.
constexpr size_t kTrackChunkBytes = 64 << 10;

// Symbols of 24 and above held until the record is written. A file this module wrote has one; a
// foreign file with more has the first ones demoted during the walk, before its record is
// written, which never makes the count promise anything.
constexpr size_t kHeldDemotions = 16;

struct OpenTrackFile {
    FileHandle handle = kNoFile;
    OpenTrackFile() = default;
    OpenTrackFile(const OpenTrackFile&) = delete;
    OpenTrackFile& operator=(const OpenTrackFile&) = delete;
    ~OpenTrackFile() { close(); }
    void close() {
        if (handle != kNoFile)
            platformCloseFile(handle);
        handle = kNoFile;
    }
};

bool writeAt(FileHandle file, uint64_t offset, const uint8_t* bytes, size_t size) {
    return platformSeekFile(file, static_cast<int64_t>(offset), FileOrigin::Begin) &&
           platformWriteFile(file, bytes, static_cast<uint32_t>(size)) ==
               static_cast<int32_t>(size);
}

// Exactly `size` bytes at `offset`, or false.
bool readExactly(FileHandle file, uint64_t offset, uint8_t* bytes, size_t size) {
    size_t got = 0;
    while (got < size) {
        int32_t n = platformReadFileAt(file, offset + got, bytes + got,
                                       static_cast<uint32_t>(size - got));
        if (n <= 0)
            return false;
        got += static_cast<size_t>(n);
    }
    return true;
}

struct Demotions {
    FileHandle file;
    uint64_t at[kHeldDemotions];
    size_t count;
};

// Stops at the first write that does not go through whole.
bool writeDemotions(Demotions& d) {
    uint8_t demoted[4];
    putLe32(demoted, kTrackPointSymbol);
    for (size_t i = 0; i < d.count; ++i) {
        if (!writeAt(d.file, d.at[i], demoted, sizeof demoted))
            return false;
    }
    d.count = 0;
    return true;
}

bool holdDemotion(void* context, uint64_t symbolOffset) {
    Demotions& d = *static_cast<Demotions*>(context);
    if (d.count == kHeldDemotions && !writeDemotions(d))
        return false;
    d.at[d.count++] = symbolOffset;
    return true;
}

int32_t readFromFile(void* context, uint64_t offset, uint8_t* buffer, uint32_t size) {
    return platformReadFileAt(*static_cast<FileHandle*>(context), offset, buffer, size);
}

// The walk of a file not known to be as it was left.
TrackWalk walkFromDisk(FileHandle file, Demotions& demotions) {
    std::unique_ptr<uint8_t[]> chunk(new uint8_t[kTrackChunkBytes]);
    TrackSource source{readFromFile, &file};
    return walkTrackSource(source, chunk.get(), kTrackChunkBytes, holdDemotion, &demotions);
}

// True when the file is the one the last append left: the same stamp, and the head and the
// newest record as written then. Reads 68 bytes and the newest record.
bool asLeft(FileHandle file, const RememberedTrackFile& was) {
    FileStamp now;
    if (!platformFileStamp(was.path, &now) || !(now == was.stamp))
        return false;
    uint8_t head[kTrackRecordsOffset];
    uint8_t newest[kNewestRecordMax];
    return readExactly(file, 0, head, sizeof head) &&
           std::memcmp(head, was.head, sizeof head) == 0 &&
           readExactly(file, was.recordsEnd - was.newestLength, newest, was.newestLength) &&
           std::memcmp(newest, was.newest, was.newestLength) == 0;
}

// What a walk would have found in a file left as `was`.
TrackWalk walkRemembered(const RememberedTrackFile& was, Demotions& demotions) {
    TrackWalk walk{};
    walk.head = readTrackHead(was.head, sizeof was.head);
    walk.wholeRecords = was.count;
    walk.recordsEnd = was.recordsEnd;
    demotions.at[0] = was.recordsEnd - 4;
    demotions.count = 1;
    return walk;
}

// The file's new head and newest record, for the next append.
void remember(const std::u16string& path, const TrackWalk& walk, const TrackAppend& append) {
    RememberedTrackFile* file = rememberTrackFile(path.c_str());
    size_t recordLength = append.bytes.size() - append.recordAt;
    if (file == nullptr || recordLength > kNewestRecordMax ||
        !platformFileStamp(path.c_str(), &file->stamp))
        return;
    if (append.writeAt == 0)
        std::memcpy(file->head, append.bytes.data(), kTrackHeaderBytes);
    else
        std::memcpy(file->head, walk.head.header, kTrackHeaderBytes);
    putLe32(file->head + kTrackCountOffset, static_cast<uint32_t>(append.newCount));
    file->count = append.newCount;
    file->recordsEnd = append.writeAt + append.bytes.size();
    file->newestLength = static_cast<uint32_t>(recordLength);
    std::memcpy(file->newest, append.bytes.data() + append.recordAt, recordLength);
    file->known = true;
}

// How far an append's writes went.
enum class AppendWritten {
    RecordCut,  // the first write (the record, after the head when that comes too) fell short
    CountLeft,  // the record is there, but a demotion, the count or the flush failed
    Whole,
};

// Writes the append. Stops at the first write that does not go through whole, so what is on disk
// never counts a record that is not there. A failed flush still leaves the writes in the system's
// hands, and the count is written all the same: skipping it would drop a record that may well be
// on the disk.
AppendWritten writeTrackAppend(FileHandle file, const TrackAppend& append, Demotions& demotions) {
    if (!writeAt(file, append.writeAt, append.bytes.data(), append.bytes.size()))
        return AppendWritten::RecordCut;
    if (!writeDemotions(demotions))
        return AppendWritten::CountLeft;
    bool flushed = platformFlushFile(file);
    uint8_t count[4];
    putLe32(count, static_cast<uint32_t>(append.newCount));
    return writeAt(file, kTrackCountOffset, count, sizeof count) && flushed
               ? AppendWritten::Whole
               : AppendWritten::CountLeft;
}

// A point as its file gets it: the coordinates tenfold and the symbol of a newest point.
struct FileRecord {
    LocalTime receivedAt;
    int32_t longitude;
    int32_t latitude;
    uint32_t symbol;
};

// The records of `records`, in order, after what the walk found; false when the count cannot
// grow even by the first.
bool planRecords(const TrackWalk& walk, bool newFile, const char* baseName,
                 const std::vector<FileRecord>& records, TrackAppend* append) {
    const FileRecord& first = records.front();
    if (!planTrackAppend(walk, newFile, baseName, first.receivedAt, first.longitude,
                         first.latitude, first.symbol, append))
        return false;
    for (size_t i = 1; i < records.size(); ++i) {
        const FileRecord& r = records[i];
        if (!extendTrackAppend(append, baseName, r.receivedAt, r.longitude, r.latitude, r.symbol))
            break;  // a full file keeps what fits
    }
    return true;
}

void writeTrackRecords(const std::u16string& path, const char* baseName,
                       const std::vector<FileRecord>& records) {
    // Never CreateAlways: a file held by another program when the first open is tried may be
    // released before the second, and must not be emptied then.
    bool newFile = false;
    OpenTrackFile file;
    file.handle =
        platformOpenFile(path.c_str(), FileAccess::ReadWrite, FileDisposition::OpenExisting);
    if (file.handle == kNoFile) {
        file.handle =
            platformOpenFile(path.c_str(), FileAccess::ReadWrite, FileDisposition::CreateNew);
        newFile = true;
    }
    // Whatever becomes of this append, the file is known again only once it went through whole.
    RememberedTrackFile* was = findRememberedTrackFile(path.c_str());
    bool unchanged = was != nullptr && file.handle != kNoFile && !newFile && asLeft(file.handle, *was);
    if (was != nullptr)
        was->known = false;
    if (file.handle == kNoFile)
        return;

    Demotions demotions{file.handle, {}, 0};
    TrackWalk walk{};
    if (unchanged)
        walk = walkRemembered(*was, demotions);
    else if (!newFile)
        walk = walkFromDisk(file.handle, demotions);
    TrackAppend append;
    if (walk.failed || !planRecords(walk, newFile, baseName, records, &append))
        return;
    AppendWritten written = writeTrackAppend(file.handle, append, demotions);
    file.close();
    if (written == AppendWritten::Whole)
        remember(path, walk, append);
    else if (newFile && written == AppendWritten::RecordCut)
        // A file this append made holds the new-file head and its first record, or is not there:
        // left empty (a full disk gives the name but not one byte) or cut inside its head, the next
        // append would take it for a file someone else made and give it a header of zeros, so
        // that the day's file would differ for good from every other the module makes.
        platformDeleteFile(path.c_str());
}

// The file's record of `point`; false when it cannot have one (a coordinate whose tenfold does
// not fit 32 bits).
bool fileRecordOf(const TrackPoint& point, FileRecord* record) {
    record->receivedAt = point.receivedAt;
    record->symbol = newestSymbol(point.iconIndex);
    return tenfoldCoordinate(point.longitude, &record->longitude) &&
           tenfoldCoordinate(point.latitude, &record->latitude);
}

// Two points go to one file when they have the same name and day: the path is the name and the
// date, widened byte by byte, and the date's "(" is the path's last.
bool sameFile(const TrackPoint& a, const TrackPoint& b) {
    return std::strcmp(a.name, b.name) == 0 &&
           a.receivedAt.year == b.receivedAt.year && a.receivedAt.month == b.receivedAt.month &&
           a.receivedAt.day == b.receivedAt.day;
}

// The records of one file, its name and day those of `first`. A file that fails, also for want
// of memory, fails alone: the others are still written.
void writeTrackFile(const TrackPoint& first, const std::vector<FileRecord>& records) {
    try {
        std::u16string path =
            trackFilePath(moduleState.documentsFolder, first.name, first.receivedAt);
        if (!records.empty() && isWritableTrackPath(path, first.name))
            writeTrackRecords(path, trackBaseName(first.name), records);
    } catch (...) {
        // Out of memory, the only thing that throws here: these points are lost as a failed
        // write would lose them. Every file handle was closed on the way out, and a file whose
        // append broke off is walked again next time.
    }
}

// Each file of the points in turn, in the order of its first point, with the records of all its
// points.
void writeTrackFiles(const TrackPoint* points, size_t count) {
    std::vector<bool> written(count, false);
    std::vector<FileRecord> records;
    for (size_t i = 0; i < count; ++i) {
        if (written[i])
            continue;
        records.clear();
        for (size_t j = i; j < count; ++j) {
            FileRecord record;
            if (written[j] || !sameFile(points[i], points[j]))
                continue;
            written[j] = true;
            if (fileRecordOf(points[j], &record))
                records.push_back(record);
        }
        writeTrackFile(points[i], records);
    }
}

}  // namespace

void appendTrackPoint(const char* name, const LocalTime& receivedAt, int32_t latitude,
                      int32_t longitude, int32_t iconIndex) {
    TrackPoint point{name, receivedAt, latitude, longitude, iconIndex};
    appendTrackPoints(&point, 1);
}

void appendTrackPoints(const TrackPoint* points, size_t count) {
    try {
        writeTrackFiles(points, count);
    } catch (...) {
        // Out of memory before any file was opened: nothing is written, and the host is told
        // all the same, as for any failed append.
    }
    // After every file is closed, and whatever became of it.
    ModuleState& m = moduleState;
    for (size_t i = 0; i < count; ++i) {
        trackFileName(points[i].name, points[i].receivedAt, m.lastTrackFileName);
        platformNotifyHost(m.hostWindow, m.lastTrackFileName);
    }
}
