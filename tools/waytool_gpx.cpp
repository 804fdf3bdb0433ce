// `waytool gpx`: GPX 1.1, the newest point of each file as a waypoint and a track per file.
#include "tools/waytool_core.h"

#include "tools/waytool_text.h"
#include "tools/waytool_track.h"

namespace {

// GPX takes longitudes from -180 up to but not including 180: the meridian 180 is written as -180.
std::string gpxLongitude(int32_t longitude) {
    return fixedDegrees(longitude == kMaxTrackLongitude ? -longitude : longitude, kTrackDigits);
}

void gpxPoint(std::string& out, const char* element, const char* indent, const Point& point) {
    out += std::string(indent) + "<" + element + " lat=\"" +
           fixedDegrees(point.latitude, kTrackDigits) + "\" lon=\"" +
           gpxLongitude(point.longitude) + "\">";
    if (!point.time.empty())
        out += "<time>" + point.time + "</time>";
    out += "<name>" + xmlEscaped(point.name) + "</name>";
    out += "<cmt>" + xmlEscaped(point.comment) + "</cmt>";
    out += std::string("</") + element + ">\n";
}

void writeGpx(const std::vector<Track>& tracks, const ExportOptions& options, std::string& out) {
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<gpx xmlns=\"http://www.topografix.com/GPX/1/1\" version=\"1.1\" "
           "creator=\"waytool\">\n";
    // GPX puts every waypoint before the first track.
    for (const Track& track : tracks) {
        if (!track.points.empty())
            gpxPoint(out, "wpt", "  ", track.points.back());
    }
    for (const Track& track : tracks) {
        out += "  <trk>\n    <name>" + xmlEscaped(track.title) + "</name>\n    <desc>" +
               xmlEscaped(trackDescription(track, options)) + "</desc>\n";
        for (const Segment& segment : trackSegments(track, options.gapMinutes)) {
            out += "    <trkseg>\n";
            for (size_t i = segment.first; i < segment.end; ++i)
                gpxPoint(out, "trkpt", "      ", track.points[i]);
            out += "    </trkseg>\n";
        }
        out += "  </trk>\n";
    }
    out += "</gpx>\n";
}

}  // namespace

ToolReport tracksToGpx(const std::vector<NamedBytes>& files, const ExportOptions& options) {
    return exportTracks(files, options, writeGpx);
}
