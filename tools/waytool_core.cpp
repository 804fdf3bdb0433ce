// waytool's commands over bytes: track files read with the track format's own reader, the list
// files with the module's own decoders, and everything written out as text (see waytool_core.h).
#include "tools/waytool_core.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "cdpd/cdpd_list.h"
#include "threeg/target_list.h"
#include "tracklog/track_format.h"

namespace {

const char* const kIconColours[6] = {"red", "green", "yellow", "blue", "cyan", "magenta"};

// Driver units: degrees x 10^7.
constexpr int kTrackDigits = 7;
constexpr int32_t kMaxTrackLatitude = 900000000;
constexpr int32_t kMaxTrackLongitude = 1800000000;
// Message units, which the 3G list's last position keeps: degrees x 10^6.
constexpr int kMessageDigits = 6;

std::string number(int64_t value) {
    return std::to_string(value);
}

std::string atOffset(const std::string& path, size_t offset, const std::string& what) {
    return path + ": offset " + number(static_cast<int64_t>(offset)) + ": " + what;
}

// The part of a path after its last '/' or '\' (a track file may come from either side).
std::string lastPathPart(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

void appendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | code >> 6));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | code >> 12));
        out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | code >> 18));
        out.push_back(static_cast<char>(0x80 | (code >> 12 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code >> 6 & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

bool isControl(uint32_t code) {
    return code < 0x20 || (code >= 0x7F && code <= 0x9F);
}

// One code point of well-formed UTF-8 at `at` (no overlong forms, surrogates or values past
// U+10FFFF); 0 bytes when there is none.
size_t decodeUtf8(const std::string& text, size_t at, uint32_t* code) {
    auto byte = [&](size_t i) { return static_cast<uint8_t>(text[i]); };
    uint8_t lead = byte(at);
    size_t length = lead < 0x80 ? 1 : lead >= 0xC2 && lead <= 0xDF ? 2
                                    : lead >= 0xE0 && lead <= 0xEF ? 3
                                    : lead >= 0xF0 && lead <= 0xF4 ? 4
                                                                   : 0;
    if (length == 0 || text.size() - at < length)
        return 0;
    uint32_t value = length == 1 ? lead : lead & (0x7F >> length);
    for (size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        value = value << 6 | (byte(at + i) & 0x3F);
    }
    static const uint32_t kLeast[5] = {0, 0, 0x80, 0x800, 0x10000};
    if (value < kLeast[length] || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        return 0;
    *code = value;
    return length;
}

// A file name as the host's file system gave it: kept when it is well-formed UTF-8, else taken as
// Latin-1 (a narrow name on Windows is in the ANSI code page); controls and the two code points
// XML refuses dropped either way.
std::string fileNameText(const std::string& name) {
    std::string out;
    for (size_t at = 0; at < name.size();) {
        uint32_t code;
        size_t length = decodeUtf8(name, at, &code);
        if (length == 0)
            return latin1Text(name.data(), name.size());
        if (!isControl(code) && code != 0xFFFE && code != 0xFFFF)
            appendUtf8(out, code);
        at += length;
    }
    return out;
}

// A fixed-size text field of a list record: up to its first zero, or all of it.
std::string fieldText(const char* field, size_t size) {
    const void* zero = std::memchr(field, 0, size);
    size_t length = zero ? static_cast<size_t>(static_cast<const char*>(zero) - field) : size;
    return latin1Text(field, length);
}

// ---- Track files ----

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

// Re-reads a record that ran past the end field by field, to say which field did and where.
const char* brokenField(const NamedBytes& file, size_t recordStart, size_t* fieldStart) {
    struct Field {
        const char* name;
        size_t width;  // 0: a zero-terminated text
    };
    static const Field kFields[] = {
        {"name", 0},        {"comment", 0},     {"longitude", 4},   {"latitude", 4},
        {"short texts", 8}, {"32-bit word", 4}, {"symbol flag", 1}, {"symbol number", 4},
    };
    ByteReader in = byteReader(file.bytes.data(), file.bytes.size(), recordStart);
    uint8_t flag = 1;
    size_t length;
    for (const Field& field : kFields) {
        if (flag == 0)
            break;  // the symbol number is there only when the flag is set
        *fieldStart = in.position;
        if (field.width == 0)
            readText(in, &length);
        else if (field.width == 1)
            flag = readU8(in);
        else
            skipBytes(in, field.width);
        if (in.failed)
            return field.name;
    }
    return "record";
}

std::string truncationError(const NamedBytes& file, int32_t index, int32_t count,
                            size_t recordStart) {
    size_t fieldStart = recordStart;
    const char* field = brokenField(file, recordStart, &fieldStart);
    return atOffset(file.path, fieldStart,
                    "record " + number(index + 1) + " of " + number(count) + " (from offset " +
                        number(static_cast<int64_t>(recordStart)) + ") runs past the end of the " +
                        "file in its " + field + "; the file ends at offset " +
                        number(static_cast<int64_t>(file.bytes.size())));
}

// What is wrong with the file's size or head, or empty.
std::string headError(const NamedBytes& file, const TrackFileHead& head) {
    if (file.bytes.size() > kMaxToolFileBytes)
        return file.path + ": " + number(static_cast<int64_t>(file.bytes.size())) +
               " bytes, more than a track file can hold (" + number(kMaxToolFileBytes) + ")";
    if (head.presentBytes < kTrackRecordsOffset)
        return atOffset(file.path, head.presentBytes,
                        "the file ends inside its 68-byte head (64-byte header and count)");
    if (head.count < 0)
        return atOffset(file.path, kTrackCountOffset,
                        "negative record count " + number(head.count));
    return "";
}

Point pointFrom(const TrackRecord& record, const std::string& date) {
    Point point{};
    point.offset = record.offset;
    point.name = latin1Text(record.name, record.nameLength);
    point.comment = latin1Text(record.comment, record.commentLength);
    point.longitude = record.longitude;
    point.latitude = record.latitude;
    point.hasSymbol = record.symbolFlag != 0;
    point.symbol = record.symbol;
    int hour, minute, second;
    std::string comment(record.comment, record.commentLength);
    if (!date.empty() && commentTime(comment, &hour, &minute, &second)) {
        char time[16];
        std::snprintf(time, sizeof time, "T%02d:%02d:%02d", hour, minute, second);
        point.time = date + time;
    }
    return point;
}

std::string isoDate(int year, int month, int day) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", year, month, day);
    return text;
}

std::string trackTitle(const std::string& fileName) {
    size_t paren = fileName.rfind('(');
    if (paren != std::string::npos)
        return fileName.substr(0, paren);
    size_t dot = fileName.rfind('.');
    return dot != std::string::npos && fileName.compare(dot, std::string::npos, ".way") == 0
               ? fileName.substr(0, dot)
               : fileName;
}

bool onTheEarth(const Point& point) {
    return point.longitude >= -kMaxTrackLongitude && point.longitude <= kMaxTrackLongitude &&
           point.latitude >= -kMaxTrackLatitude && point.latitude <= kMaxTrackLatitude;
}

// Which coordinate of a point lies outside the earth's range, with its offset; empty if none.
std::string rangeError(const std::string& path, const Point& point, size_t coordinatesAt) {
    auto outside = [&](const char* what, int32_t value, size_t at, int32_t limit) {
        return atOffset(path, at,
                        "record \"" + point.name + "\" has " + what + " " +
                            fixedDegrees(value, kTrackDigits) + ", outside -" +
                            number(limit / 10000000) + " to " + number(limit / 10000000));
    };
    if (point.longitude < -kMaxTrackLongitude || point.longitude > kMaxTrackLongitude)
        return outside("longitude", point.longitude, coordinatesAt, kMaxTrackLongitude);
    if (point.latitude < -kMaxTrackLatitude || point.latitude > kMaxTrackLatitude)
        return outside("latitude", point.latitude, coordinatesAt + 4, kMaxTrackLatitude);
    return "";
}

// Reads a whole track for the exports. False, with the reason, for a damaged file or a point off
// the earth; trailing bytes after the count's records (an append cut off) are not a fault.
bool readTrack(const NamedBytes& file, Track* track, std::vector<std::string>& warnings,
               std::string* error) {
    TrackFileHead head = readTrackHead(file.bytes.data(), file.bytes.size());
    *error = headError(file, head);
    if (!error->empty())
        return false;

    std::string rawName = lastPathPart(file.path);
    track->path = file.path;
    track->fileName = fileNameText(rawName);
    track->title = fileNameText(trackTitle(rawName));
    int year, month, day;
    if (trackFileDay(file.path, &year, &month, &day))
        track->date = isoDate(year, month, day);
    else
        warnings.push_back(file.path +
                           ": no date in the file name (NAME(M.D.YYYY).way): points have no time");

    ByteReader in = byteReader(file.bytes.data(), file.bytes.size(), kTrackRecordsOffset);
    TrackRecord record;
    for (int32_t i = 0; i < head.count; ++i) {
        if (!readTrackRecord(in, &record)) {
            *error = truncationError(file, i, head.count, record.offset);
            return false;
        }
        Point point = pointFrom(record, track->date);
        *error = rangeError(file.path, point,
                            record.offset + record.nameLength + record.commentLength + 2);
        if (!error->empty())
            return false;
        track->points.push_back(point);
    }
    return true;
}

bool readTracks(const std::vector<NamedBytes>& files, std::vector<Track>* tracks,
                ToolReport& report) {
    for (const NamedBytes& file : files) {
        Track track;
        std::string error;
        if (readTrack(file, &track, report.warnings, &error))
            tracks->push_back(std::move(track));
        else
            report.errors.push_back(error);
    }
    return report.errors.empty();
}

std::string symbolText(uint8_t flag, uint32_t symbol) {
    if (flag == 0)
        return "no symbol";
    std::string text = "symbol " + number(symbol);
    if (symbol == kTrackPointSymbol)
        return text + " (track point)";
    if (symbol >= kNewestSymbolBase && symbol < kNewestSymbolBase + 6)
        return text + " (newest point, icon " + number(symbol - kNewestSymbolBase) + " " +
               kIconColours[symbol - kNewestSymbolBase] + ")";
    if (symbol >= kNewestSymbolBase)
        return text + " (newest point, no such icon)";
    return text;
}

std::string hexBytes(const uint8_t* bytes, size_t count) {
    std::string text;
    char pair[4];
    for (size_t i = 0; i < count; ++i) {
        std::snprintf(pair, sizeof pair, "%02x", bytes[i]);
        text += pair;
    }
    return text;
}

std::string recordLine(int32_t index, const TrackRecord& record) {
    Point point = pointFrom(record, "");
    std::string line = "record " + number(index + 1) + " at offset " +
                       number(static_cast<int64_t>(record.offset)) + ": \"" + point.name +
                       "\"  \"" + point.comment + "\"  latitude " +
                       fixedDegrees(record.latitude, kTrackDigits) + " longitude " +
                       fixedDegrees(record.longitude, kTrackDigits);
    if (!onTheEarth(point))
        line += " (off the earth)";
    line += "  " + symbolText(record.symbolFlag, record.symbol);
    // The module writes zeros and 1 here; anything else came from another writer.
    static const uint8_t kZeros[4] = {};
    if (std::memcmp(record.shortText1, kZeros, 4) != 0 ||
        std::memcmp(record.shortText2, kZeros, 4) != 0)
        line += "  short texts " + hexBytes(record.shortText1, 4) + " " +
                hexBytes(record.shortText2, 4);
    if (record.word != 1)
        line += "  word " + number(record.word);
    return line + "\n";
}

void describeHead(const NamedBytes& file, const TrackFileHead& head, std::string& out) {
    out += "file: " + fileNameText(file.path) + " (" +
           number(static_cast<int64_t>(file.bytes.size())) + " bytes)\n";
    int year, month, day;
    if (trackFileDay(file.path, &year, &month, &day))
        out += "day: " + isoDate(year, month, day) + " (from the file name)\n";
    else
        out += "day: none in the file name\n";
    out += "header words: " + number(head.words[0]) + " " + number(head.words[1]) + " " +
           number(head.words[2]) + " (offsets 16, 18, 20)\n";
    int other = 0;
    for (size_t i = 0; i < kTrackHeaderBytes; ++i) {
        bool word = i >= kTrackHeaderWordOffsets[0] && i < kTrackHeaderWordOffsets[2] + 2;
        if (!word && head.header[i] != 0)
            ++other;
    }
    if (other > 0)
        out += "header: " + number(other) +
               (other == 1 ? " other byte is not zero\n" : " other bytes are not zero\n");
    if (head.presentBytes == kTrackRecordsOffset)
        out += "count: " + number(head.count) + "\n";
}

// ---- Tables ----

size_t displayWidth(const std::string& utf8) {
    size_t width = 0;
    for (char c : utf8)
        width += (static_cast<uint8_t>(c) & 0xC0) != 0x80;
    return width;
}

std::string table(const std::vector<std::vector<std::string>>& rows) {
    std::vector<size_t> widths;
    for (const auto& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (size_t i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], displayWidth(row[i]));
    }
    std::string out;
    for (const auto& row : rows) {
        std::string line;
        for (size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size())
                line += std::string(widths[i] - displayWidth(row[i]) + 2, ' ');
        }
        out += line + "\n";
    }
    return out;
}

std::string floatText(float value) {
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

std::string iconText(int32_t index) {
    if (index >= 0 && index < 6)
        return number(index) + " " + kIconColours[index];
    return number(index) + " (no such icon)";
}

// A flag the module tests for non-zero, with its raw value when that is not 0 or 1.
std::string flagText(int32_t value, const char* set, const char* clear) {
    std::string text = value != 0 ? set : clear;
    if (value != 0 && value != 1)
        text += " (" + number(value) + ")";
    return text;
}

std::string dottedAddress(uint32_t address) {
    // Network byte order as the record lies: the first number is the lowest-addressed byte.
    return number(address & 0xFF) + "." + number(address >> 8 & 0xFF) + "." +
           number(address >> 16 & 0xFF) + "." + number(address >> 24);
}

// The ID as the module sends it: the narrow copy of the UTF-16 units, which keeps each unit's low
// byte and stops at a zero one.
std::string targetIdText(const char16_t* id) {
    std::string narrow;
    for (size_t i = 0; i < 16 && (id[i] & 0xFF) != 0; ++i)
        narrow.push_back(static_cast<char>(id[i] & 0xFF));
    return latin1Text(narrow.data(), narrow.size());
}

// The count and size of a list file against each other: errors for what the module's load would
// cut or leave out. `whole` is the count it loads.
void checkListFile(const std::string& path, size_t size, size_t headBytes, size_t countAt,
                   size_t recordBytes, int32_t capacity, const uint8_t* bytes,
                   std::vector<std::string>& errors) {
    if (size < headBytes) {
        errors.push_back(atOffset(path, size, "the file ends inside its " + number(headBytes) +
                                                  "-byte head"));
        return;
    }
    int32_t count = static_cast<int32_t>(getLe32(bytes + countAt));
    if (count < 0) {
        errors.push_back(atOffset(path, countAt, "negative count " + number(count)));
        return;
    }
    if (count > capacity)
        errors.push_back(atOffset(path, countAt,
                                  "count " + number(count) + " is more than the list's room of " +
                                      number(capacity) + "; the module loads at most " +
                                      number(capacity)));
    uint64_t expected = headBytes + recordBytes * static_cast<uint64_t>(count);
    size_t whole = (size - headBytes) / recordBytes;
    if (size < expected)
        errors.push_back(atOffset(path, headBytes + whole * recordBytes,
                                  "record " + number(static_cast<int64_t>(whole) + 1) + " of " +
                                      number(count) + " runs past the end of the file (" +
                                      number(static_cast<int64_t>(size)) + " bytes)"));
    else if (size > expected)
        errors.push_back(atOffset(path, expected,
                                  number(static_cast<int64_t>(size - expected)) +
                                      " bytes after the last record"));
}

std::string cdpdTable(const std::string& path, const std::vector<uint8_t>* bytes,
                      std::vector<std::string>& errors) {
    std::string out = "CDPD list " + fileNameText(path);
    if (bytes == nullptr)
        return out + ": no file (the module starts with an empty list)\n";
    int32_t serialPort = 0, modemModel = 0, count = 0;
    CdpdAddress list[kCdpdCapacity] = {};
    decodeCdpdList(bytes->data(), bytes->size(), serialPort, modemModel, list, count);
    checkListFile(path, bytes->size(), kCdpdListHeaderBytes, 8, sizeof(CdpdAddress),
                  kCdpdCapacity, bytes->data(), errors);

    const char* port = serialPortName(serialPort);
    const char* model = modemModelName(modemModel);
    out += ": " + number(count) + (count == 1 ? " entry" : " entries") + "; serial port " +
           (port ? port : "unknown") + " (" + number(serialPort) + "), modem model " +
           (model ? model : "unknown") + " (" + number(modemModel) + ")\n";
    if (count == 0)
        return out;
    std::vector<std::vector<std::string>> rows = {{"#", "address", "description", "frequency",
                                                   "resolution", "icon", "enabled", "modem"}};
    for (int32_t i = 0; i < count; ++i) {
        const CdpdAddress& e = list[i];
        rows.push_back({number(i + 1), dottedAddress(e.address),
                        fieldText(e.description, sizeof e.description),
                        floatText(e.frequency) + " min", number(e.resolution) + " ft",
                        iconText(e.iconIndex), flagText(e.enabled, "yes", "no"),
                        flagText(e.modemFlag, "modem", "device")});
    }
    return out + table(rows);
}

std::string targetTable(const std::string& path, const std::vector<uint8_t>* bytes,
                        std::vector<std::string>& errors) {
    std::string out = "3G list " + fileNameText(path);
    if (bytes == nullptr)
        return out + ": no file (the module starts with an empty list)\n";
    int32_t count = 0;
    ThreeGTarget list[kTargetCapacity] = {};
    decodeTargetList(bytes->data(), bytes->size(), list, count);
    checkListFile(path, bytes->size(), kTargetListHeaderBytes, 0, sizeof(ThreeGTarget),
                  kTargetCapacity, bytes->data(), errors);

    out += ": " + number(count) + (count == 1 ? " target\n" : " targets\n");
    if (count == 0)
        return out;
    std::vector<std::vector<std::string>> rows = {
        {"#", "target ID", "description", "frequency", "resolution", "icon", "enabled",
         "last latitude", "last longitude"}};
    for (int32_t i = 0; i < count; ++i) {
        const ThreeGTarget& t = list[i];
        // Both zero: a new target, nothing logged yet.
        bool logged = t.lastLatitude != 0 || t.lastLongitude != 0;
        rows.push_back({number(i + 1), targetIdText(t.targetId),
                        fieldText(t.description, sizeof t.description),
                        floatText(t.frequency) + " min", number(t.resolution) + " ft",
                        iconText(t.iconIndex), flagText(t.enabled, "yes", "no"),
                        logged ? fixedDegrees(t.lastLatitude, kMessageDigits) : "none",
                        logged ? fixedDegrees(t.lastLongitude, kMessageDigits) : "none"});
    }
    return out + table(rows);
}

// ---- GPX and GeoJSON ----

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

std::string jsonString(const std::string& utf8) {
    return "\"" + jsonEscaped(utf8) + "\"";
}

std::string jsonPosition(const Point& point) {
    return "[" + fixedDegrees(point.longitude, kTrackDigits) + ", " +
           fixedDegrees(point.latitude, kTrackDigits) + "]";
}

std::string jsonTime(const Point& point) {
    return point.time.empty() ? "null" : jsonString(point.time);
}

// The track as a LineString; fewer than two points make no line, so the feature keeps its
// properties with a null geometry (its one point is still there as the newest-point feature).
std::string geoJsonTrack(const Track& track) {
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

}  // namespace

// ---- Shared pieces ----

std::string fixedDegrees(int32_t value, int digits) {
    int64_t scale = 1;
    for (int i = 0; i < digits; ++i)
        scale *= 10;
    int64_t magnitude = value < 0 ? -int64_t(value) : int64_t(value);
    char text[32];
    std::snprintf(text, sizeof text, "%s%lld.%0*lld", value < 0 ? "-" : "",
                  static_cast<long long>(magnitude / scale), digits,
                  static_cast<long long>(magnitude % scale));
    return text;
}

std::string latin1Text(const char* bytes, size_t length) {
    std::string out;
    for (size_t i = 0; i < length; ++i) {
        uint8_t byte = static_cast<uint8_t>(bytes[i]);
        if (!isControl(byte))
            appendUtf8(out, byte);
    }
    return out;
}

std::string xmlEscaped(const std::string& utf8) {
    std::string out;
    for (char c : utf8) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&apos;"; break;
        default: out.push_back(c);
        }
    }
    return out;
}

std::string jsonEscaped(const std::string& utf8) {
    std::string out;
    for (char c : utf8) {
        if (c == '"' || c == '\\') {
            out.push_back('\\');
            out.push_back(c);
        } else if (static_cast<uint8_t>(c) < 0x20) {
            // Our texts have none left; escaped all the same, as JSON requires.
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
            out += escape;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

// Between `fewest` and `most` decimal digits at `at`, then the text `after`; moves past both.
static bool readField(std::string_view text, size_t& at, size_t fewest, size_t most,
                      std::string_view after, int* value) {
    size_t start = at;
    *value = 0;
    while (at < text.size() && at - start < most && text[at] >= '0' && text[at] <= '9')
        *value = *value * 10 + (text[at++] - '0');
    if (at - start < fewest || text.substr(at, after.size()) != after)
        return false;
    at += after.size();
    return true;
}

bool trackFileDay(const std::string& path, int* year, int* month, int* day) {
    std::string name = lastPathPart(path);
    size_t paren = name.rfind('(');
    if (paren == std::string::npos)
        return false;
    std::string_view date = std::string_view(name).substr(paren + 1);
    size_t at = 0;
    if (!readField(date, at, 1, 2, ".", month) || !readField(date, at, 1, 2, ".", day) ||
        !readField(date, at, 4, 4, ").way", year) || at != date.size())
        return false;
    static const int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    bool leap = (*year % 4 == 0 && *year % 100 != 0) || *year % 400 == 0;
    return *year >= 1 && *month >= 1 && *month <= 12 && *day >= 1 &&
           *day <= kDays[*month - 1] && (*month != 2 || *day != 29 || leap);
}

bool commentTime(const std::string& comment, int* hour, int* minute, int* second) {
    size_t label = comment.rfind("Time: ");
    if (label == std::string::npos)
        return false;
    std::string_view time = std::string_view(comment).substr(label + 6);
    size_t at = 0;
    if (!readField(time, at, 2, 2, ":", hour) || !readField(time, at, 2, 2, ":", minute) ||
        !readField(time, at, 2, 2, "", second) || at != time.size())
        return false;
    return *hour <= 23 && *minute <= 59 && *second <= 59;
}

// ---- The commands ----

ToolReport trackInfo(const NamedBytes& file) {
    ToolReport report;
    TrackFileHead head = readTrackHead(file.bytes.data(), file.bytes.size());
    std::string error = headError(file, head);
    if (file.bytes.size() <= kMaxToolFileBytes)
        describeHead(file, head, report.text);
    if (!error.empty()) {
        report.errors.push_back(error);
        return report;
    }

    ByteReader in = byteReader(file.bytes.data(), file.bytes.size(), kTrackRecordsOffset);
    TrackRecord record;
    for (int32_t i = 0; i < head.count; ++i) {
        if (!readTrackRecord(in, &record)) {
            report.errors.push_back(truncationError(file, i, head.count, record.offset));
            report.text += "end: truncated: " + number(i) + " of " + number(head.count) +
                           " records whole; record " + number(i + 1) + " starts at offset " +
                           number(static_cast<int64_t>(record.offset)) +
                           " and the file ends at offset " +
                           number(static_cast<int64_t>(file.bytes.size())) + "\n";
            return report;
        }
        report.text += recordLine(i, record);
    }
    std::string end = "end: the records end at offset " + number(static_cast<int64_t>(in.position));
    if (in.position == file.bytes.size())
        end += ", the end of the file";
    else
        end += "; " + number(static_cast<int64_t>(file.bytes.size() - in.position)) +
               " bytes follow (left by an append that was cut off; the next append writes over "
               "them)";
    report.text += end + "\n";
    return report;
}

ToolReport tracksToGpx(const std::vector<NamedBytes>& files) {
    ToolReport report;
    std::vector<Track> tracks;
    if (!readTracks(files, &tracks, report))
        return report;

    std::string& out = report.text;
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
               xmlEscaped(track.fileName) + "</desc>\n    <trkseg>\n";
        for (const Point& point : track.points)
            gpxPoint(out, "trkpt", "      ", point);
        out += "    </trkseg>\n  </trk>\n";
    }
    out += "</gpx>\n";
    return report;
}

ToolReport tracksToGeoJson(const std::vector<NamedBytes>& files) {
    ToolReport report;
    std::vector<Track> tracks;
    if (!readTracks(files, &tracks, report))
        return report;

    std::vector<std::string> features;
    for (const Track& track : tracks) {
        features.push_back(geoJsonTrack(track));
        if (!track.points.empty())
            features.push_back(geoJsonNewest(track));
    }
    std::string& out = report.text;
    out += "{\"type\": \"FeatureCollection\", \"features\": [\n";
    for (size_t i = 0; i < features.size(); ++i)
        out += features[i] + (i + 1 < features.size() ? ",\n" : "\n");
    out += "]}\n";
    return report;
}

ToolReport listTables(const std::string& cdpdPath, const std::vector<uint8_t>* cdpd,
                      const std::string& targetPath, const std::vector<uint8_t>* targets) {
    ToolReport report;
    if (cdpd == nullptr && targets == nullptr) {
        report.errors.push_back(cdpdPath + " and " + targetPath +
                                ": neither list file exists (is this a device root?)");
        return report;
    }
    report.text += cdpdTable(cdpdPath, cdpd, report.errors);
    report.text += "\n";
    report.text += targetTable(targetPath, targets, report.errors);
    return report;
}
