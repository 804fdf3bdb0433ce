// `waytool kml`: KML 2.2 for the programs that show the earth. Each file gives a placemark for its
// newest point (with its time and the target's icon colour) and a placemark with its line, one
// LineString per segment (a segment of one point is a Point), spanning the file's first to last
// time.
#include "tools/waytool_core.h"

#include "tools/waytool_text.h"
#include "tools/waytool_track.h"

namespace {

// KML colours are aabbggrr; these are the icons' red, green, yellow, blue, cyan and magenta.
const char* const kKmlColours[6] = {"ff1e1ec8", "ff289614", "ff00a0be",
                                    "ffd23c1e", "ffaaa000", "ffb41ebe"};

std::string coordinates(const Point& point) {
    return fixedDegrees(point.longitude, kTrackDigits) + "," +
           fixedDegrees(point.latitude, kTrackDigits);
}

// The icon of the newest point's symbol (24 + icon), 0 for any other.
int trackIcon(const Track& track) {
    if (track.points.empty())
        return 0;
    const Point& newest = track.points.back();
    return newest.hasSymbol && newest.symbol >= 24 && newest.symbol < 30
               ? static_cast<int>(newest.symbol - 24)
               : 0;
}

void styles(std::string& out) {
    for (int icon = 0; icon < 6; ++icon)
        out += "    <Style id=\"icon" + number(icon) + "\"><IconStyle><color>" +
               kKmlColours[icon] + "</color></IconStyle><LineStyle><color>" + kKmlColours[icon] +
               "</color><width>3</width></LineStyle></Style>\n";
}

void newestPlacemark(std::string& out, const Track& track) {
    const Point& point = track.points.back();
    out += "    <Placemark>\n      <name>" + xmlEscaped(point.name) + "</name>\n" +
           "      <description>" + xmlEscaped(point.comment) + "</description>\n";
    if (!point.time.empty())
        out += "      <TimeStamp><when>" + point.time + "</when></TimeStamp>\n";
    out += "      <styleUrl>#icon" + number(trackIcon(track)) + "</styleUrl>\n" +
           "      <Point><coordinates>" + coordinates(point) + "</coordinates></Point>\n" +
           "    </Placemark>\n";
}

void linePlacemark(std::string& out, const Track& track, const ExportOptions& options) {
    out += "    <Placemark>\n      <name>" + xmlEscaped(track.title) + "</name>\n" +
           "      <description>" + xmlEscaped(trackDescription(track, options)) +
           "</description>\n";
    if (!track.points.empty() && track.points.front().timed && track.points.back().timed)
        out += "      <TimeSpan><begin>" + track.points.front().time + "</begin><end>" +
               track.points.back().time + "</end></TimeSpan>\n";
    out += "      <styleUrl>#icon" + number(trackIcon(track)) + "</styleUrl>\n" +
           "      <MultiGeometry>\n";
    for (const Segment& segment : trackSegments(track, options.gapMinutes)) {
        if (segment.end - segment.first == 1) {
            out += "        <Point><coordinates>" + coordinates(track.points[segment.first]) +
                   "</coordinates></Point>\n";
            continue;
        }
        out += "        <LineString><tessellate>1</tessellate><coordinates>";
        for (size_t i = segment.first; i < segment.end; ++i)
            out += (i == segment.first ? "" : " ") + coordinates(track.points[i]);
        out += "</coordinates></LineString>\n";
    }
    out += "      </MultiGeometry>\n    </Placemark>\n";
}

void writeKml(const std::vector<Track>& tracks, const ExportOptions& options, std::string& out) {
    out += "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
           "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n  <Document>\n"
           "    <name>waytool</name>\n";
    styles(out);
    for (const Track& track : tracks) {
        if (!track.points.empty())
            newestPlacemark(out, track);
    }
    for (const Track& track : tracks)
        linePlacemark(out, track, options);
    out += "  </Document>\n</kml>\n";
}

}  // namespace

ToolReport tracksToKml(const std::vector<NamedBytes>& files, const ExportOptions& options) {
    return exportTracks(files, options, writeKml);
}
