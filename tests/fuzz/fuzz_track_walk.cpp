// Any bytes as a track file, walked as an append walks it and read as a tool reads it: the walk
// never reads or marks anything outside the bytes, the walk in chunks (short reads, a small
// buffer) finds exactly what the walk in memory finds, and an append planned over them, applied
// in memory, always leaves a file that walks whole, counts the new record and has exactly one
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

// The bytes as a file read in pieces of at most `step` bytes.
struct Pieces {
    const uint8_t* data;
    size_t size;
    uint32_t step;
};

int32_t readPiece(void* context, uint64_t offset, uint8_t* buffer, uint32_t size) {
    const Pieces& p = *static_cast<const Pieces*>(context);
    if (offset >= p.size)
        return 0;
    size_t n = p.size - static_cast<size_t>(offset);
    n = n < size ? n : size;
    n = n < p.step ? n : p.step;
    std::memcpy(buffer, p.data + offset, n);
    return static_cast<int32_t>(n);
}

bool collect(void* context, uint64_t symbolOffset) {
    static_cast<std::vector<uint64_t>*>(context)->push_back(symbolOffset);
    return true;
}

void checkSameWalk(const TrackWalk& a, const TrackWalk& b) {
    check(std::memcmp(&a.head, &b.head, sizeof a.head) == 0);
    check(a.wholeRecords == b.wholeRecords && a.recordsEnd == b.recordsEnd);
    check(a.truncated == b.truncated && a.failed == b.failed);
    check(!a.truncated || a.stoppedAt == b.stoppedAt);
}

// What the file holds after the append's writes, in their order.
std::vector<uint8_t> applied(const uint8_t* data, size_t size, const TrackAppend& append,
                             const std::vector<uint64_t>& demotions) {
    std::vector<uint8_t> file(data, data + size);
    size_t end = static_cast<size_t>(append.writeAt) + append.bytes.size();
    if (file.size() < end)
        file.resize(end);
    std::memcpy(file.data() + append.writeAt, append.bytes.data(), append.bytes.size());
    for (uint64_t offset : demotions)
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

    Pieces pieces{data, size, size > 0 ? 1u + data[size - 1] % 300u : 1u};
    TrackSource source{readPiece, &pieces};
    std::vector<uint8_t> buffer(kTrackChunkMinBytes + (size > 1 ? data[size - 2] % 64u : 0u));
    std::vector<uint64_t> chunkDemotions;
    TrackWalk chunked = walkTrackSource(source, buffer.data(), buffer.size(), collect,
                                        &chunkDemotions);
    checkSameWalk(walk, chunked);
    check(chunkDemotions == demotions);

    TrackAppend append;
    check(planTrackAppend(walk, false, "Truck 7", LocalTime{2002, 12, 0, 8, 14, 5, 9, 0}, -340,
                          120, 26, &append));
    check(append.newCount == walk.wholeRecords + 1);
    std::vector<uint8_t> after = applied(data, size, append, demotions);
    std::vector<uint64_t> newest;
    TrackWalk again = walkTrackFile(after.data(), after.size(), &newest);
    check(!again.truncated && again.wholeRecords == append.newCount);
    check(again.recordsEnd == append.writeAt + append.bytes.size());
    check(newest.size() == 1 && newest[0] + 4 == again.recordsEnd);
    return 0;
}
