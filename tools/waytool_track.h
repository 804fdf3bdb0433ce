// A track file read whole for the exports (GPX, GeoJSON, KML): its names, its day and its points.
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
    std::string time;  // ISO 8601 local time, or empty
    bool hasSymbol;
    uint32_t symbol;
};

struct Track {
    std::string path;
    std::string fileName;  // UTF-8
    std::string title;     // the file name up to its last '(' (or its ".way"): the target's name
    std::string date;      // "YYYY-MM-DD", or empty when the name carries none
    std::vector<Point> points;
};

Point pointFrom(const TrackRecord& record, const std::string& date);

// Reads every file; false when any is damaged or has a point off the earth (each one an error in
// `report`). Trailing bytes after the count's records (an append cut off) are not a fault.
bool readTracks(const std::vector<NamedBytes>& files, std::vector<Track>* tracks,
                ToolReport& report);
