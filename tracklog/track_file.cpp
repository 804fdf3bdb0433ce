// The append with its file I/O. The whole file is read in one sequential pass and walked in
// memory (a day of 6-second reports is 14,400 records, and every append walks them all); then
// only what changes is written: the new record, the symbols that drop to 17, and the count, in
// that order and with a flush before the count, so that a cut-off append never leaves a count
// that promises a record the file does not hold.
#include "tracklog/track_file.h"

#include <memory>
#include <string>

#include "module/module_state.h"
#include "tracklog/track_format.h"

namespace {

// The whole file from its start, in one sequential read (no zero-filling first: the buffer is as
// large as the file and read over at once); false when its size is unknown or absurd, or a read
// fails. `size` becomes what was read.
bool readWholeFile(FileHandle file, std::unique_ptr<uint8_t[]>& bytes, size_t& size) {
    int64_t fileSize = platformFileSize(file);
    if (fileSize < 0 || static_cast<uint64_t>(fileSize) > kMaxTrackFileBytes)
        return false;
    if (!platformSeekFile(file, 0, FileOrigin::Begin))
        return false;
    size_t want = static_cast<size_t>(fileSize);
    bytes.reset(new uint8_t[want == 0 ? 1 : want]);
    size = 0;
    while (size < want) {
        int32_t n = platformReadFile(file, bytes.get() + size, static_cast<uint32_t>(want - size));
        if (n < 0)
            return false;
        if (n == 0)
            break;  // shorter than it said: walk what is there
        size += static_cast<size_t>(n);
    }
    return true;
}

bool writeAt(FileHandle file, uint64_t offset, const uint8_t* bytes, size_t size) {
    return platformSeekFile(file, static_cast<int64_t>(offset), FileOrigin::Begin) &&
           platformWriteFile(file, bytes, static_cast<uint32_t>(size)) ==
               static_cast<int32_t>(size);
}

// Stops at the first write that does not go through whole: what is on disk then never counts a
// record that is not there.
void writeTrackAppend(FileHandle file, const TrackAppend& append) {
    if (!writeAt(file, append.writeAt, append.bytes.data(), append.bytes.size()))
        return;
    uint8_t demoted[4];
    putLe32(demoted, kTrackPointSymbol);
    for (uint64_t offset : append.demotions) {
        if (!writeAt(file, offset, demoted, sizeof demoted))
            return;
    }
    if (!platformFlushFile(file))
        return;
    uint8_t count[4];
    putLe32(count, static_cast<uint32_t>(append.newCount));
    writeAt(file, kTrackCountOffset, count, sizeof count);
}

void writeTrackPoint(const std::u16string& path, const LocalTime& receivedAt, int32_t longitude,
                     int32_t latitude, uint32_t symbol) {
    // Never CreateAlways: a file held by another program when the first open is tried may be
    // released before the second, and must not be emptied then.
    bool newFile = false;
    FileHandle file =
        platformOpenFile(path.c_str(), FileAccess::ReadWrite, FileDisposition::OpenExisting);
    if (file == kNoFile) {
        file = platformOpenFile(path.c_str(), FileAccess::ReadWrite, FileDisposition::CreateNew);
        newFile = true;
    }
    if (file == kNoFile)
        return;

    std::unique_ptr<uint8_t[]> bytes;
    size_t size = 0;
    if (newFile || readWholeFile(file, bytes, size)) {
        TrackAppend append = planTrackAppend(bytes.get(), size, newFile, trackBaseName(path),
                                             receivedAt, longitude, latitude, symbol);
        writeTrackAppend(file, append);
    }
    platformCloseFile(file);
}

}  // namespace

void appendTrackPoint(const char16_t* name, const LocalTime& receivedAt, int32_t latitude,
                      int32_t longitude, int32_t iconIndex) {
    ModuleState& m = moduleState;
    std::u16string path = trackFilePath(m.documentsFolder, name, receivedAt);
    trackFileName(path, m.lastTrackFileName);

    int32_t fileLongitude = 0, fileLatitude = 0;
    if (isWritableTrackPath(path, name) && tenfoldCoordinate(longitude, &fileLongitude) &&
        tenfoldCoordinate(latitude, &fileLatitude))
        writeTrackPoint(path, receivedAt, fileLongitude, fileLatitude, newestSymbol(iconIndex));

    // After the file is closed, and whatever became of it.
    platformNotifyHost(m.hostWindow, m.lastTrackFileName);
}
