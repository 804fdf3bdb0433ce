// The walk over a track file's records, one code for bytes in memory (tools, the host, the
// fuzzer) and for a file read in chunks (the append). It reads a window of the file: in memory
// the window is the whole file; from a source it is the caller's buffer, refilled behind what was
// read. Only the fixed fields of a record (at most 25 bytes) must be in the window at once; the
// two texts are scanned for their zero and dropped chunk by chunk, so no text is too long.
#include <cstring>

#include "tracklog/track_format.h"

namespace {

struct Window {
    const uint8_t* bytes;  // the window: the file from offset `at` on, `length` bytes
    size_t length;
    size_t position;  // the next byte to read, in the window
    uint64_t at;
    uint8_t* buffer;  // the caller's, of `capacity` bytes; null in memory
    size_t capacity;
    const TrackSource* source;
    bool ended;   // nothing more comes
    bool failed;  // a read failed
};

uint64_t offsetOf(const Window& w) { return w.at + w.position; }

size_t left(const Window& w) { return w.length - w.position; }

// Drops what was read, keeps what was not and reads behind it until the buffer is full or the
// file ends. False when nothing more came. Out of line: the walk's loop stays small.
[[gnu::noinline]] bool refill(Window& w) {
    if (w.source == nullptr || w.ended || w.failed)
        return false;
    size_t keep = left(w);
    if (keep > 0 && w.position > 0)
        std::memmove(w.buffer, w.buffer + w.position, keep);
    w.at += w.position;
    w.position = 0;
    w.length = keep;
    while (w.length < w.capacity) {
        size_t room = w.capacity - w.length;
        uint32_t ask = room > 0x40000000u ? 0x40000000u : static_cast<uint32_t>(room);
        int32_t n = w.source->read(w.source->context, w.at + w.length, w.buffer + w.length, ask);
        if (n < 0)
            w.failed = true;
        if (n <= 0) {
            w.ended = true;
            break;
        }
        w.length += static_cast<size_t>(n);
    }
    return w.length > keep;
}

[[gnu::noinline]] bool refillFor(Window& w, size_t count) {
    while (left(w) < count) {
        if (!refill(w))
            return false;
    }
    return true;
}

inline bool have(Window& w, size_t count) { return left(w) >= count || refillFor(w, count); }

// The first zero byte in [p, end), or null. Eight bytes at a time: the texts of a track file are
// short, and a call to memchr for each costs more than the scan.
inline const uint8_t* findZero(const uint8_t* p, const uint8_t* end) {
    constexpr uint64_t kOnes = 0x0101010101010101u, kHighs = 0x8080808080808080u;
    while (end - p >= 8) {
        uint64_t word;
        std::memcpy(&word, p, 8);
        if (((word - kOnes) & ~word & kHighs) != 0)
            break;  // a zero among these eight
        p += 8;
    }
    for (; p < end; ++p) {
        if (*p == 0)
            return p;
    }
    return nullptr;
}

inline bool skipText(Window& w) {
    for (;;) {
        const uint8_t* zero = findZero(w.bytes + w.position, w.bytes + w.length);
        if (zero != nullptr) {
            w.position = static_cast<size_t>(zero - w.bytes) + 1;
            return true;
        }
        w.position = w.length;
        if (!refill(w))
            return false;
    }
}

// The walk's step, as readTrackRecord reads a record but keeping only the symbol: its offset
// (0 when there is none) and value. False when the bytes end inside the record; *stoppedAt is
// then where the field began that ran past the end.
inline bool stepRecord(Window& w, uint64_t* symbolAt, uint32_t* symbol, uint64_t* stoppedAt) {
    *stoppedAt = offsetOf(w);
    if (!skipText(w))
        return false;
    *stoppedAt = offsetOf(w);
    if (!skipText(w))
        return false;
    *stoppedAt = offsetOf(w);
    constexpr size_t kFixed = 20;  // the coordinates, the two short texts and the word
    if (!have(w, kFixed + 1)) {
        if (left(w) >= kFixed)
            *stoppedAt += kFixed;
        return false;
    }
    uint8_t flag = w.bytes[w.position + kFixed];
    w.position += kFixed + 1;
    *symbolAt = 0;
    if (flag == 0)
        return true;
    *stoppedAt = offsetOf(w);
    if (!have(w, 4))
        return false;
    *symbolAt = offsetOf(w);
    *symbol = getLe32(w.bytes + w.position);
    w.position += 4;
    return true;
}

TrackWalk walkWindow(Window& w, TrackNewestSeen seen, void* context) {
    TrackWalk walk{};
    have(w, kTrackRecordsOffset);
    walk.head = readTrackHead(w.bytes, w.length);
    walk.recordsEnd = kTrackRecordsOffset;
    w.position = w.length < kTrackRecordsOffset ? w.length : kTrackRecordsOffset;
    while (walk.wholeRecords < walk.head.count) {
        uint64_t symbolAt, stoppedAt;
        uint32_t symbol = 0;
        if (!stepRecord(w, &symbolAt, &symbol, &stoppedAt)) {
            walk.truncated = !w.failed;
            walk.stoppedAt = stoppedAt;
            break;
        }
        if (symbolAt != 0 && symbol >= kNewestSymbolBase && seen != nullptr &&
            !seen(context, symbolAt)) {
            walk.failed = true;
            break;
        }
        ++walk.wholeRecords;
        walk.recordsEnd = offsetOf(w);
    }
    walk.failed = walk.failed || w.failed;
    return walk;
}

bool collect(void* demotions, uint64_t symbolOffset) {
    static_cast<std::vector<uint64_t>*>(demotions)->push_back(symbolOffset);
    return true;
}

}  // namespace

TrackWalk walkTrackFile(const uint8_t* bytes, size_t size, std::vector<uint64_t>* demotions) {
    Window w{bytes, size, 0, 0, nullptr, 0, nullptr, true, false};
    return walkWindow(w, demotions != nullptr ? collect : nullptr, demotions);
}

TrackWalk walkTrackSource(const TrackSource& source, uint8_t* buffer, size_t capacity,
                          TrackNewestSeen seen, void* context) {
    Window w{buffer, 0, 0, 0, buffer, capacity, &source, false, false};
    return walkWindow(w, seen, context);
}
