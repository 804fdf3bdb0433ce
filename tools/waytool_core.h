// waytool's work, without any I/O: track files and the two list files come in as bytes, and the
// reports, GPX and GeoJSON go out as text, so the tests drive every path with plain fixtures and
// the same code builds natively and for Windows.
//
// Texts inside the files are 8-bit and written as UTF-8 (waytool_text.h). Coordinates in a track
// file are degrees x 10^7, longitude first; the 3G list's last position is in message units,
// degrees x 10^6. A track file holds the device's local time (the day in its name, the time of day
// in each comment): the exports write UTC with 'Z', taken in the device's zone (local_time.h).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/time_zone.h"

// One input file: the name it was given by (kept for messages, and its last part names the day)
// and its bytes.
struct NamedBytes {
    std::string path;
    std::vector<uint8_t> bytes;
};

// What a command produced. `text` goes to standard output; `errors` are one line each, naming the
// file and, where there is one, the offset ("x.way: offset 68: ..."); `warnings` go out like
// errors but leave the command a success. A command with errors writes no GPX or GeoJSON at all,
// while `info` and `lists` still show what they could read.
struct ToolReport {
    std::string text;
    std::vector<std::string> errors;
    std::vector<std::string> warnings;
};

// A track file is refused beyond this size, as the module's append does.
constexpr size_t kMaxToolFileBytes = 64u << 20;

// `waytool info`: the header words, the count, every record (name, comment, coordinates in
// degrees, symbol) and where the file ends. A head shorter than 68 bytes, a negative count and
// records that end before the count's do are errors, reported after what could be read.
ToolReport trackInfo(const NamedBytes& file);

// How the exports take times and split tracks.
struct ExportOptions {
    const TimeZone* zone;  // the device's zone, in which its local times were read
    int gapMinutes;        // a longer pause between two points starts a new track segment
};
constexpr int kDefaultGapMinutes = 10;

// `waytool gpx`: a GPX 1.1 document with the newest point of each file as a waypoint and one
// track per file, a segment per stretch without a gap. `waytool geojson`: a FeatureCollection
// with a LineString per file and a Point for its newest point. `waytool kml`: KML 2.2 with a
// placemark for the newest point of each file and a line per file, one per segment. Each track's
// description keeps the file's local date. A file whose name carries no date gives points without
// times (a warning). Errors: a damaged file (as for info), and a coordinate outside -90..90 or
// -180..180.
ToolReport tracksToGpx(const std::vector<NamedBytes>& files, const ExportOptions& options);
ToolReport tracksToGeoJson(const std::vector<NamedBytes>& files, const ExportOptions& options);
ToolReport tracksToKml(const std::vector<NamedBytes>& files, const ExportOptions& options);

// `waytool lists`: the CDPD list and the 3G list as tables, each as the module would load it.
// `cdpd` or `targets` is null when that file does not exist: its table says so, and only when
// both are missing is that an error. Sizes that do not match the count are errors, reported after
// the tables.
ToolReport listTables(const std::string& cdpdPath, const std::vector<uint8_t>* cdpd,
                      const std::string& targetPath, const std::vector<uint8_t>* targets);
