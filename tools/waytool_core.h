// waytool's work, without any I/O: track files and the two list files come in as bytes, and the
// reports, GPX and GeoJSON go out as text, so the tests drive every path with plain fixtures and
// the same code builds natively and for Windows.
//
// Texts inside the files are 8-bit: bytes 0x80 to 0xFF are taken as Latin-1 and written as UTF-8,
// and control characters (C0, DEL and C1) are dropped, so no byte of a file can break the XML or
// JSON around it. Coordinates in a track file are degrees x 10^7, longitude first; the 3G list's
// last position is in message units, degrees x 10^6. Times are the device's local time: the day
// comes from the file's name, "NAME(M.D.YYYY).way", and the time of day from each comment,
// "Address: Unknown  Time: HH:MM:SS"; they are written without a zone designator, since the
// device's zone is not in the file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

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

// `waytool gpx`: a GPX 1.1 document with the newest point of each file as a waypoint and one
// track per file. `waytool geojson`: a FeatureCollection with a LineString per file and a Point
// for its newest point. A file whose name carries no date gives points without times (a warning).
// Errors: a damaged file (as for info), and a coordinate outside -90..90 or -180..180.
ToolReport tracksToGpx(const std::vector<NamedBytes>& files);
ToolReport tracksToGeoJson(const std::vector<NamedBytes>& files);

// `waytool lists`: the CDPD list and the 3G list as tables, each as the module would load it.
// `cdpd` or `targets` is null when that file does not exist: its table says so, and only when
// both are missing is that an error. Sizes that do not match the count are errors, reported after
// the tables.
ToolReport listTables(const std::string& cdpdPath, const std::vector<uint8_t>* cdpd,
                      const std::string& targetPath, const std::vector<uint8_t>* targets);
