// A track file read whole for the exports (GPX, GeoJSON, KML): its names, its local day and its
// points with their instants in UTC, and the segments the exports split it into.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/waytool_core.h"
#include "tracklog/track_format.h"

struct Point {
    size_t offset;  // where the record starts
    std::string name;
    std::string comment;
    int32_t longitude;
    int32_t latitude;
    bool timed;        // the file's name has a day and the comment a time of day
    int64_t local;     // the reading of the device's clock, as civilSeconds counts it
    int64_t utc;       // that reading as an instant, in the device's zone
    std::string time;  // `utc` as "YYYY-MM-DDTHH:MM:SSZ", or empty
    bool hasSymbol;
    uint32_t symbol;
};

struct Track {
    std::string path;
    std::string fileName;  // UTF-8
    std::string title;     // the file name up to its last '(' (or its ".way"): the target's name
    std::string date;      // the local day "YYYY-MM-DD", or empty when the name carries none
    std::vector<Point> points;
};

// A record's point; its time stays empty (`info` shows records as they lie).
Point pointFrom(const TrackRecord& record);

// An export: reads every file, its times taken in `options.zone`, and when all are sound has
// `write` put the document into the report's text. A file that is damaged or has a point off the
// earth is an error in the report, and then nothing is written. Trailing bytes after the count's
// records (an append cut off) are not a fault.
using TrackWriter = void (*)(const std::vector<Track>& tracks, const ExportOptions& options,
                             std::string& out);
ToolReport exportTracks(const std::vector<NamedBytes>& files, const ExportOptions& options,
                        TrackWriter write);

// The track's segments as [first, end) ranges of its points: a new one starts where two points
// lie more than `gapMinutes` apart (points without a time never split). A track without points
// has no segment.
struct Segment {
    size_t first, end;
};
std::vector<Segment> trackSegments(const Track& track, int gapMinutes);

// The description every export gives a track: its file and the local day it is of, and the zone
// its times were taken in.
std::string trackDescription(const Track& track, const ExportOptions& options);
