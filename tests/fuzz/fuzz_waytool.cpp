// waytool's readers over any bytes: a track file read for info, GPX, GeoJSON and KML, and the same
// bytes as the two list files. Nothing may crash or read out of bounds, and a GPX that claims
// success must hold a document.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "tools/waytool_core.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::vector<uint8_t> bytes(data, data + size);
    NamedBytes file{"Truck 7(12.8.2002).way", bytes};
    trackInfo(file);
    static const TimeZone zone = fixedTimeZone("UTC+1", 3600);
    ExportOptions options{&zone, 1};
    ToolReport gpx = tracksToGpx({file}, options);
    if (gpx.errors.empty() && gpx.text.empty())
        std::abort();
    tracksToGeoJson({file, file}, options);
    ToolReport kml = tracksToKml({file}, options);
    if (kml.errors.empty() && kml.text.empty())
        std::abort();
    listTables("zqCDPD", &bytes, "zq3GTrack", &bytes);
    return 0;
}
