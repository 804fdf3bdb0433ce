// Placeholder until the gpsd reader lands: reports nothing.
#include "gpsdriver/gpsd_stream.h"

const char kGpsdWatchCommand[] = "?WATCH={\"enable\":true,\"json\":true};\n";

void resetGpsdStream(GpsdStream* stream) {
    stream->used = 0;
    stream->discarding = false;
}

GpsdNews feedGpsdStream(GpsdStream*, const char*, size_t, ZQGPS_POSITIONALDATA*) {
    return GpsdNews::None;
}
