// Any bytes as a track file, walked as an append walks it and read as a tool reads it: the walk
// never reads or marks anything outside the bytes, and an append planned over them, applied in
// memory, always leaves a file that walks whole, counts the new record and has exactly one
// newest-point symbol.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "tracklog/track_format.h"

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

// What the file holds after the append's writes, in their order.
std::vector<uint8_t> applied(const uint8_t* data, size_t size, const TrackAppend& append) {
    std::vector<uint8_t> file(data, data + size);
    size_t end = static_cast<size_t>(append.writeAt) + append.bytes.size();
    if (file.size() < end)
        file.resize(end);
    std::memcpy(file.data() + append.writeAt, append.bytes.data(), append.bytes.size());
    for (uint64_t offset : append.demotions)
        putLe32(file.data() + offset, kTrackPointSymbol);
    putLe32(file.data() + kTrackCountOffset, static_cast<uint32_t>(append.newCount));
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint64_t> demotions;
    TrackWalk walk = walkTrackFile(data, size, &demotions);
    check(walk.wholeRecords >= 0 &&
          walk.wholeRecords <= (walk.head.count < 0 ? 0 : walk.head.count));
    check(walk.recordsEnd >= kTrackRecordsOffset);
    check(walk.recordsEnd == kTrackRecordsOffset || walk.recordsEnd <= size);
    check(walk.truncated == (walk.wholeRecords < walk.head.count));
    uint64_t previous = 0;
    for (uint64_t offset : demotions) {
        check(offset > previous && offset + 4 <= walk.recordsEnd);
        check(getLe32(data + offset) >= kNewestSymbolBase);
        previous = offset;
    }

    // A tool's reading of the same records agrees with the walk.
    ByteReader in = byteReader(data, size, kTrackRecordsOffset);
    TrackRecord record;
    int32_t read = 0;
    while (read < walk.head.count && readTrackRecord(in, &record)) {
        check(record.nameLength < size && record.commentLength < size);
        ++read;
    }
    check(read == walk.wholeRecords);

    TrackAppend append = planTrackAppend(data, size, false, "Truck 7",
                                         LocalTime{2002, 12, 0, 8, 14, 5, 9, 0}, -340, 120, 26);
    check(append.newCount == walk.wholeRecords + 1);
    std::vector<uint8_t> after = applied(data, size, append);
    std::vector<uint64_t> newest;
    TrackWalk again = walkTrackFile(after.data(), after.size(), &newest);
    check(!again.truncated && again.wholeRecords == append.newCount);
    check(again.recordsEnd == append.writeAt + append.bytes.size());
    check(newest.size() == 1 && newest[0] + 4 == again.recordsEnd);
    return 0;
}
