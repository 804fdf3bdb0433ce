// `waytool geojson`: a FeatureCollection with a LineString per file and a Point for its newest
// point.
#include "tools/waytool_core.h"

#include "tools/waytool_text.h"
#include "tools/waytool_track.h"

namespace {

std::string jsonPosition(const Point& point) {
    return "[" + fixedDegrees(point.longitude, kTrackDigits) + ", " +
           fixedDegrees(point.latitude, kTrackDigits) + "]";
}

std::string jsonTime(const Point& point) {
    return point.time.empty() ? "null" : jsonString(point.time);
}

// The track as a LineString; fewer than two points make no line, so the feature keeps its
// properties with a null geometry (its one point is still there as the newest-point feature).
std::string geoJsonTrack(const Track& track, const ExportOptions& options) {
    std::string coordinates, names, times;
    for (size_t i = 0; i < track.points.size(); ++i) {
        const char* comma = i == 0 ? "" : ", ";
        coordinates += comma + jsonPosition(track.points[i]);
        names += comma + jsonString(track.points[i].name);
        times += comma + jsonTime(track.points[i]);
    }
    std::string geometry = track.points.size() < 2
                               ? "null"
                               : "{\"type\": \"LineString\", \"coordinates\": [" + coordinates +
                                     "]}";
    return "{\"type\": \"Feature\", \"geometry\": " + geometry +
           ", \"properties\": {\"name\": " + jsonString(track.title) +
           ", \"file\": " + jsonString(track.fileName) +
           ", \"date\": " + (track.date.empty() ? "null" : jsonString(track.date)) +
           ", \"description\": " + jsonString(trackDescription(track, options)) +
           ", \"pointNames\": [" + names + "], \"times\": [" + times + "]}}";
}

std::string geoJsonNewest(const Track& track) {
    const Point& point = track.points.back();
    return "{\"type\": \"Feature\", \"geometry\": {\"type\": \"Point\", \"coordinates\": " +
           jsonPosition(point) + "}, \"properties\": {\"name\": " + jsonString(point.name) +
           ", \"track\": " + jsonString(track.title) + ", \"file\": " +
           jsonString(track.fileName) + ", \"time\": " + jsonTime(point) +
           ", \"comment\": " + jsonString(point.comment) +
           ", \"symbol\": " + (point.hasSymbol ? number(point.symbol) : "null") + "}}";
}

void writeGeoJson(const std::vector<Track>& tracks, const ExportOptions& options, std::string& out) {
    std::vector<std::string> features;
    for (const Track& track : tracks) {
        features.push_back(geoJsonTrack(track, options));
        if (!track.points.empty())
            features.push_back(geoJsonNewest(track));
    }
    out += "{\"type\": \"FeatureCollection\", \"features\": [\n";
    for (size_t i = 0; i < features.size(); ++i)
        out += features[i] + (i + 1 < features.size() ? ",\n" : "\n");
    out += "]}\n";
}

}  // namespace

ToolReport tracksToGeoJson(const std::vector<NamedBytes>& files, const ExportOptions& options) {
    return exportTracks(files, options, writeGeoJson);
}
