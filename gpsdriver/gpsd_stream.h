// Reading gpsd's JSON watch stream into the driver's fix record. The driver stand-in connects to
// gpsd (the standard GPS service), sends kGpsdWatchCommand, and feeds every byte it receives to
// feedGpsdStream; this part knows nothing of sockets, so it is tested and fuzzed natively.
//
// Only TPV reports make news. A TPV carries no satellite count or hdop (gpsd sends those in SKY
// reports), so the record leaves both 0. *latest is written only when Fix is returned; after
// None or NoFix it holds what it held before.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gpsdriver/zqgps_record.h"

// Asks gpsd for JSON reports (TPV, SKY ...), one object per line.
extern const char kGpsdWatchCommand[];

// Longest line kept; a longer line (no real report comes near it) is dropped whole.
constexpr size_t kGpsdMaxLine = 8192;

struct GpsdStream {
    char line[kGpsdMaxLine];  // the line being assembled
    size_t used;              // bytes of it held so far
    bool discarding;          // the current line grew too long: skip to its end
};

enum class GpsdNews {
    None,   // no complete TPV report among the bytes
    Fix,    // the latest TPV report has a 2D or 3D fix: *latest holds it
    NoFix,  // the latest TPV report has no fix (mode 0 or 1, or no coordinates)
};

void resetGpsdStream(GpsdStream* stream);

// Feeds `length` bytes received from gpsd. Lines may be split anywhere across calls. The news
// of the last complete TPV line among them wins.
GpsdNews feedGpsdStream(GpsdStream* stream, const char* bytes, size_t length,
                        ZQGPS_POSITIONALDATA* latest);
