// waytool's work on bytes: the report of a track file and where a damaged one stops, the GPX and
// GeoJSON of track files (coordinates, times from the file name and the comments, the newest point
// as waypoint, escaping), the tables of a device's two lists, and the errors with their offsets.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cdpd/cdpd_list.h"
#include "tests/core/track_bytes.h"
#include "threeg/target_list.h"
#include "tools/local_time.h"
#include "tools/waytool_core.h"
#include "tools/waytool_names.h"
#include "tools/waytool_text.h"

namespace {

using Bytes = std::vector<uint8_t>;

void put32(Bytes& b, uint32_t v) { appendLe32(b, v); }

// One record as a file holds it (symbolFlag 0 leaves the symbol out); the plain track point
// unless a symbol is given.
struct Rec : TrackRecordFields {
    Rec(std::string name, std::string comment, int32_t longitude, int32_t latitude,
        uint32_t symbol = 17, uint8_t symbolFlag = 1) {
        this->name = std::move(name);
        this->comment = std::move(comment);
        this->longitude = longitude;
        this->latitude = latitude;
        this->symbol = symbol;
        this->symbolFlag = symbolFlag;
    }
};

Bytes trackBytes(int32_t count, const std::vector<Rec>& records) {
    return trackBytes(newTrackHead(count),
                      std::vector<TrackRecordFields>(records.begin(), records.end()));
}

// Two points of Truck 7 on 8 December 2002, the second the newest (symbol 24 + icon 2). Records
// start at 68 and 136; the file is 204 bytes.
const std::vector<Rec> kTruck7 = {
    {"Truck 7.1", "Address: Unknown  Time: 14:05:09", -1223000000, 476000000, 17},
    {"Truck 7.2", "Address: Unknown  Time: 14:06:00", -1223320708, 476062095, 26},
};
const char kTruck7Path[] = "device/My Documents/Truck 7(12.8.2002).way";

NamedBytes truck7() {
    return {kTruck7Path, trackBytes(2, kTruck7)};
}

// The device's zone in most tests: eight hours behind UTC all year.
const TimeZone kMinus8 = fixedTimeZone("UTC-8", -8 * 3600);
const ExportOptions kOptions = {&kMinus8, kDefaultGapMinutes};

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines)
        text += line + "\n";
    return text;
}

// ---- Shared pieces ----

TEST(WaytoolText, DegreesAreExactDecimals) {
    struct Case {
        int32_t value;
        int digits;
        const char* text;
    } cases[] = {
        {476062095, 7, "47.6062095"},   {-1223320708, 7, "-122.3320708"},
        {-340, 7, "-0.0000340"},        {0, 7, "0.0000000"},
        {1800000000, 7, "180.0000000"}, {INT32_MIN, 7, "-214.7483648"},
        {-47606209, 6, "-47.606209"},   {5, 6, "0.000005"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fixedDegrees(c.value, c.digits), c.text) << c.value;
}

TEST(WaytoolText, FileTextIsLatin1WithoutControlsAndEscapesForXmlAndJson) {
    std::string raw = "M\xfcller\t<&>\"\\\x01\x7f\x85\xa0\xff";
    std::string utf8 = latin1Text(raw.data(), raw.size());
    EXPECT_EQ(utf8, "M\xc3\xbcller<&>\"\\\xc2\xa0\xc3\xbf");
    EXPECT_EQ(xmlEscaped(utf8), "M\xc3\xbcller&lt;&amp;&gt;&quot;\\\xc2\xa0\xc3\xbf");
    EXPECT_EQ(jsonEscaped(utf8), "M\xc3\xbcller<&>\\\"\\\\\xc2\xa0\xc3\xbf");
    EXPECT_EQ(jsonEscaped("a\nb"), "a\\u000ab");
}

TEST(WaytoolText, DayComesFromTheFileName) {
    struct Case {
        const char* path;
        bool dated;
        int year, month, day;
    } cases[] = {
        {"Truck 7(12.8.2002).way", true, 2002, 12, 8},
        {"/a/b(1.1.1999)/Van (2)(2.29.2004).way", true, 2004, 2, 29},
        {"C:\\docs\\(12.31.2002).way", true, 2002, 12, 31},
        {"Truck 7(2.29.2003).way", false},  // not a leap year
        {"Truck 7(13.1.2002).way", false},
        {"Truck 7(4.31.2002).way", false},
        {"Truck 7(12.0.2002).way", false},
        {"Truck 7(12.8.02).way", false},
        {"Truck 7(12.8.2002).WAY", false},
        {"Truck 7(12.8.2002).way.bak", false},
        {"Truck 7.way", false},
        {"Truck 7(12.8.2002)/x.way", false},  // the date belongs to a folder
    };
    for (const Case& c : cases) {
        int year = 0, month = 0, day = 0;
        EXPECT_EQ(trackFileDay(c.path, &year, &month, &day), c.dated) << c.path;
        if (c.dated)
            EXPECT_EQ(year * 10000 + month * 100 + day, c.year * 10000 + c.month * 100 + c.day)
                << c.path;
    }
}

TEST(WaytoolText, TimeComesFromTheCommentsEnd) {
    struct Case {
        const char* comment;
        bool timed;
        int seconds;  // of the day
    } cases[] = {
        {"Address: Unknown  Time: 14:05:09", true, 14 * 3600 + 5 * 60 + 9},
        {"Address: Time: 1 Main St  Time: 00:00:00", true, 0},
        {"Time: 23:59:59", true, 86399},
        {"Address: Unknown  Time: 24:00:00", false},
        {"Address: Unknown  Time: 12:60:00", false},
        {"Address: Unknown  Time: 1:02:03", false},
        {"Address: Unknown  Time: 14:05:09 ", false},
        {"Address: Unknown", false},
        {"", false},
    };
    for (const Case& c : cases) {
        int hour = -1, minute = -1, second = -1;
        EXPECT_EQ(commentTime(c.comment, &hour, &minute, &second), c.timed) << c.comment;
        if (c.timed)
            EXPECT_EQ(hour * 3600 + minute * 60 + second, c.seconds) << c.comment;
    }
}

// ---- info ----

TEST(WaytoolInfo, ShowsTheHeadEveryRecordAndTheEnd) {
    ToolReport report = trackInfo(truck7());
    EXPECT_TRUE(report.errors.empty());
    EXPECT_EQ(report.text,
              joined({
                  "file: device/My Documents/Truck 7(12.8.2002).way (204 bytes)",
                  "day: 2002-12-08 (from the file name)",
                  "header words: 0 4098 1 (offsets 16, 18, 20)",
                  "count: 2",
                  "record 1 at offset 68: \"Truck 7.1\"  \"Address: Unknown  Time: 14:05:09\"  "
                  "latitude 47.6000000 longitude -122.3000000  symbol 17 (track point)",
                  "record 2 at offset 136: \"Truck 7.2\"  \"Address: Unknown  Time: 14:06:00\"  "
                  "latitude 47.6062095 longitude -122.3320708  symbol 26 (newest point, icon 2 "
                  "yellow)",
                  "end: the records end at offset 204, the end of the file",
              }));
}

TEST(WaytoolInfo, ShowsWhatAnotherWriterLeft) {
    // No symbol, non-zero short texts and word, a point off the earth, a name without a date,
    // stray header bytes, and the tail of an append that was cut off.
    std::vector<Rec> records = {{"x", "", 0, 900000001, 0, 0}};
    Bytes bytes = trackBytes(1, records);
    size_t shortTexts = 68 + 2 + 1 + 8;
    bytes[shortTexts] = 'A';
    bytes[shortTexts + 7] = 0xff;
    bytes[shortTexts + 8] = 5;
    bytes[3] = 1;
    bytes.insert(bytes.end(), {'T', 'r', 0});
    ToolReport report = trackInfo({"x.way", bytes});
    EXPECT_TRUE(report.errors.empty());
    EXPECT_EQ(report.text,
              joined({
                  "file: x.way (95 bytes)",
                  "day: none in the file name",
                  "header words: 0 4098 1 (offsets 16, 18, 20)",
                  "header: 1 other byte is not zero",
                  "count: 1",
                  "record 1 at offset 68: \"x\"  \"\"  latitude 90.0000001 longitude 0.0000000 "
                  "(off the earth)  no symbol  short texts 41000000 000000ff  word 5",
                  "end: the records end at offset 92; 3 bytes follow (left by an append "
                  "that was cut off; the next append writes over them)",
              }));
}

// A damaged file: what info still shows last, and the error (also what gpx and geojson say).
struct DamageCase {
    const char* what;
    Bytes bytes;
    const char* lastLine;
    const char* error;
};

Bytes cut(Bytes bytes, size_t size) {
    bytes.resize(size);
    return bytes;
}

Bytes withCount(Bytes bytes, int32_t count) {
    for (int i = 0; i < 4; ++i)
        bytes[64 + i] = uint8_t(uint32_t(count) >> (8 * i));
    return bytes;
}

const std::string kT = "T(12.8.2002).way: ";

std::vector<DamageCase> damageCases() {
    Bytes whole = trackBytes(2, kTruck7);
    return {
        {"empty", {}, "header words: 0 0 0 (offsets 16, 18, 20)",
         "offset 0: the file ends inside its 68-byte head (64-byte header and count)"},
        {"in the count", cut(whole, 66), "header words: 0 4098 1 (offsets 16, 18, 20)",
         "offset 66: the file ends inside its 68-byte head (64-byte header and count)"},
        {"negative count", withCount(whole, -2), "count: -2",
         "offset 64: negative record count -2"},
        {"no records", cut(whole, 68), "end: truncated: 0 of 2 records whole; record 1 starts at "
                                       "offset 68 and the file ends at offset 68",
         "offset 68: record 1 of 2 (from offset 68) runs past the end of the file in its name; "
         "the file ends at offset 68"},
        {"in a name", cut(whole, 140), "end: truncated: 1 of 2 records whole; record 2 starts at "
                                       "offset 136 and the file ends at offset 140",
         "offset 136: record 2 of 2 (from offset 136) runs past the end of the file in its name; "
         "the file ends at offset 140"},
        {"in a comment", cut(whole, 160), "end: truncated: 1 of 2 records whole; record 2 starts "
                                          "at offset 136 and the file ends at offset 160",
         "offset 146: record 2 of 2 (from offset 136) runs past the end of the file in its "
         "comment; the file ends at offset 160"},
        {"in a latitude", cut(whole, 185), "end: truncated: 1 of 2 records whole; record 2 starts "
                                           "at offset 136 and the file ends at offset 185",
         "offset 183: record 2 of 2 (from offset 136) runs past the end of the file in its "
         "latitude; the file ends at offset 185"},
        {"in a symbol", cut(whole, 203), "end: truncated: 1 of 2 records whole; record 2 starts "
                                         "at offset 136 and the file ends at offset 203",
         "offset 200: record 2 of 2 (from offset 136) runs past the end of the file in its symbol "
         "number; the file ends at offset 203"},
        {"count too high", withCount(whole, 3), "end: truncated: 2 of 3 records whole; record 3 "
                                                "starts at offset 204 and the file ends at offset "
                                                "204",
         "offset 204: record 3 of 3 (from offset 204) runs past the end of the file in its name; "
         "the file ends at offset 204"},
    };
}

void PrintTo(const DamageCase& c, std::ostream* out) {
    *out << c.what;
}

class WaytoolDamage : public testing::TestWithParam<DamageCase> {};

TEST_P(WaytoolDamage, InfoShowsWhereTheFileStopsAndFails) {
    const DamageCase& c = GetParam();
    ToolReport report = trackInfo({"T(12.8.2002).way", c.bytes});
    ASSERT_EQ(report.errors.size(), 1u);
    EXPECT_EQ(report.errors[0], kT + c.error);
    ASSERT_FALSE(report.text.empty());
    std::string text = report.text.substr(0, report.text.size() - 1);
    EXPECT_EQ(text.substr(text.rfind('\n') + 1), c.lastLine);
}

TEST_P(WaytoolDamage, ExportsWriteNothingAndFail) {
    const DamageCase& c = GetParam();
    std::vector<NamedBytes> files = {truck7(), {"T(12.8.2002).way", c.bytes}};
    for (const ToolReport& report : {tracksToGpx(files, kOptions), tracksToGeoJson(files, kOptions)}) {
        EXPECT_EQ(report.text, "");
        EXPECT_EQ(report.errors, std::vector<std::string>{kT + c.error});
    }
}

INSTANTIATE_TEST_SUITE_P(Table, WaytoolDamage, testing::ValuesIn(damageCases()),
                         [](const testing::TestParamInfo<DamageCase>& info) {
                             std::string name = info.param.what;
                             for (char& ch : name)
                                 if (ch == ' ')
                                     ch = '_';
                             return name;
                         });

// ---- gpx and geojson ----

TEST(WaytoolGpx, WritesTheNewestPointAsWaypointAndEachFileAsATrack) {
    std::vector<Rec> van = {{"Van (2).1 <M\xfcller & Co>", "Address: Unknown  Time: 23:59:59",
                             1800000000, -900000000, 29}};
    ToolReport report =
        tracksToGpx({truck7(), {"Van (2)(2.29.2004).way", trackBytes(1, van)}}, kOptions);
    EXPECT_TRUE(report.errors.empty());
    EXPECT_TRUE(report.warnings.empty());
    EXPECT_EQ(report.text,
              joined({
                  R"(<?xml version="1.0" encoding="UTF-8"?>)",
                  R"(<gpx xmlns="http://www.topografix.com/GPX/1/1" )"
                  R"(version="1.1" creator="waytool">)",
                  R"(  <wpt lat="47.6062095" lon="-122.3320708"><time>2002-12-08T22:06:00Z</time>)"
                  R"(<name>Truck 7.2</name><cmt>Address: Unknown  Time: 14:06:00</cmt></wpt>)",
                  // GPX has no longitude 180: the same meridian is -180.
                  R"(  <wpt lat="-90.0000000" lon="-180.0000000"><time>2004-03-01T07:59:59Z</time>)"
                  "<name>Van (2).1 &lt;M\xc3\xbcller &amp; Co&gt;</name>"
                  R"(<cmt>Address: Unknown  Time: 23:59:59</cmt></wpt>)",
                  "  <trk>",
                  "    <name>Truck 7</name>",
                  "    <desc>Truck 7(12.8.2002).way: local date 2002-12-08, times in UTC from UTC-8</desc>",
                  "    <trkseg>",
                  R"(      <trkpt lat="47.6000000" lon="-122.3000000">)"
                  R"(<time>2002-12-08T22:05:09Z</time>)"
                  R"(<name>Truck 7.1</name><cmt>Address: Unknown  Time: 14:05:09</cmt></trkpt>)",
                  R"(      <trkpt lat="47.6062095" lon="-122.3320708">)"
                  R"(<time>2002-12-08T22:06:00Z</time>)"
                  R"(<name>Truck 7.2</name><cmt>Address: Unknown  Time: 14:06:00</cmt></trkpt>)",
                  "    </trkseg>",
                  "  </trk>",
                  "  <trk>",
                  "    <name>Van (2)</name>",
                  "    <desc>Van (2)(2.29.2004).way: local date 2004-02-29, times in UTC from UTC-8</desc>",
                  "    <trkseg>",
                  R"(      <trkpt lat="-90.0000000" lon="-180.0000000">)"
                  R"(<time>2004-03-01T07:59:59Z</time>)"
                  "<name>Van (2).1 &lt;M\xc3\xbcller &amp; Co&gt;</name>"
                  R"(<cmt>Address: Unknown  Time: 23:59:59</cmt></trkpt>)",
                  "    </trkseg>",
                  "  </trk>",
                  "</gpx>",
              }));
}

TEST(WaytoolGpx, PointsWithoutADayOrATimeHaveNoTime) {
    std::vector<Rec> records = {{"a.1", "Address: Unknown  Time: 14:05:09", 10, 20},
                                {"a.2", "no time here", 30, 40}};
    ToolReport undated = tracksToGpx({{"dir/a.way", trackBytes(2, records)}}, kOptions);
    EXPECT_TRUE(undated.errors.empty());
    EXPECT_EQ(undated.warnings,
              std::vector<std::string>{
                  "dir/a.way: no date in the file name (NAME(M.D.YYYY).way): points have no time"});
    EXPECT_EQ(undated.text.find("<time>"), std::string::npos);
    EXPECT_NE(undated.text.find("<name>a</name>"), std::string::npos) << undated.text;
    EXPECT_NE(undated.text.find("<desc>a.way: no local date, points without times</desc>"),
              std::string::npos)
        << undated.text;

    ToolReport dated = tracksToGpx({{"a(1.2.2003).way", trackBytes(2, records)}}, kOptions);
    EXPECT_TRUE(dated.warnings.empty());
    EXPECT_NE(dated.text.find("<time>2003-01-02T22:05:09Z</time><name>a.1</name>"),
              std::string::npos);
    EXPECT_NE(dated.text.find(R"(lon="0.0000030"><name>a.2</name>)"), std::string::npos)
        << dated.text;
}

TEST(WaytoolGpx, RefusesPointsOffTheEarthWithTheirOffset) {
    struct Case {
        int32_t longitude, latitude;
        const char* error;
    } cases[] = {
        {0, 900000001,
         "offset 103: record \"p\" has latitude 90.0000001, outside -90 to 90"},
        {0, -900000001,
         "offset 103: record \"p\" has latitude -90.0000001, outside -90 to 90"},
        {1800000001, 0,
         "offset 99: record \"p\" has longitude 180.0000001, outside -180 to 180"},
        {INT32_MIN, INT32_MIN,
         "offset 99: record \"p\" has longitude -214.7483648, outside -180 to 180"},
    };
    for (const Case& c : cases) {
        // The bad point is the second record: it starts at 68 + 28, its coordinates at 99.
        Bytes bytes = trackBytes(2, {{"o", "", 0, 0}, {"p", "", c.longitude, c.latitude}});
        for (const ToolReport& report : {tracksToGpx({{"p.way", bytes}}, kOptions),
                                         tracksToGeoJson({{"p.way", bytes}}, kOptions),
                                         tracksToKml({{"p.way", bytes}}, kOptions)}) {
            EXPECT_EQ(report.text, "");
            EXPECT_EQ(report.errors, std::vector<std::string>{std::string("p.way: ") + c.error});
        }
    }
}

TEST(WaytoolGeoJson, WritesALineStringPerFileAndThePointOfTheNewest) {
    ToolReport report = tracksToGeoJson({truck7()}, kOptions);
    EXPECT_TRUE(report.errors.empty());
    EXPECT_EQ(
        report.text,
        joined({
            R"({"type": "FeatureCollection", "features": [)",
            R"({"type": "Feature", "geometry": {"type": "LineString", "coordinates": )"
            R"([[-122.3000000, 47.6000000], [-122.3320708, 47.6062095]]}, "properties": )"
            R"({"name": "Truck 7", "file": "Truck 7(12.8.2002).way", "date": "2002-12-08", )"
            R"("description": "Truck 7(12.8.2002).way: local date 2002-12-08, times in UTC )"
            R"(from UTC-8", "pointNames": ["Truck 7.1", "Truck 7.2"], )"
            R"("times": ["2002-12-08T22:05:09Z", "2002-12-08T22:06:00Z"]}},)",
            R"({"type": "Feature", "geometry": {"type": "Point", "coordinates": )"
            R"([-122.3320708, 47.6062095]}, "properties": {"name": "Truck 7.2", )"
            R"("track": "Truck 7", "file": "Truck 7(12.8.2002).way", )"
            R"("time": "2002-12-08T22:06:00Z", "comment": "Address: Unknown  Time: 14:06:00", )"
            R"("symbol": 26}})",
            "]}",
        }));
}

TEST(WaytoolGeoJson, FewerThanTwoPointsMakeNoLineAndTextsAreEscaped) {
    ToolReport report = tracksToGeoJson(
        {{"a\"b.way", trackBytes(1, {{"q\"\\\x01\xe9", "x", 10, 20, 0, 0}})},
         {"e(1.2.2003).way", trackBytes(0, {})}},
        kOptions);
    EXPECT_TRUE(report.errors.empty());
    EXPECT_EQ(
        report.text,
        joined({
            R"({"type": "FeatureCollection", "features": [)",
            R"({"type": "Feature", "geometry": null, "properties": {"name": "a\"b", )"
            R"("file": "a\"b.way", "date": null, "description": "a\"b.way: no local date, points )"
            R"(without times", "pointNames": ["q\"\\)"
            "\xc3\xa9"
            R"("], "times": [null]}},)",
            R"({"type": "Feature", "geometry": {"type": "Point", "coordinates": )"
            R"([0.0000010, 0.0000020]}, "properties": {"name": "q\"\\)"
            "\xc3\xa9"
            R"(", "track": "a\"b", "file": "a\"b.way", "time": null, "comment": "x", )"
            R"("symbol": null}},)",
            R"({"type": "Feature", "geometry": null, "properties": {"name": "e", )"
            R"("file": "e(1.2.2003).way", "date": "2003-01-02", "description": "e(1.2.2003).way: )"
            R"(local date 2003-01-02, times in UTC from UTC-8", "pointNames": [], "times": []}})",
            "]}",
        }));
}

TEST(WaytoolKml, WritesTheNewestPointAsPlacemarkAndALinePerFile) {
    ToolReport report = tracksToKml({truck7()}, kOptions);
    EXPECT_TRUE(report.errors.empty());
    std::string styles;
    const char* colours[6] = {"ff1e1ec8", "ff289614", "ff00a0be",
                              "ffd23c1e", "ffaaa000", "ffb41ebe"};
    for (int i = 0; i < 6; ++i)
        styles += "    <Style id=\"icon" + std::to_string(i) + "\"><IconStyle><color>" +
                  colours[i] + "</color></IconStyle><LineStyle><color>" + colours[i] +
                  "</color><width>3</width></LineStyle></Style>\n";
    EXPECT_EQ(report.text,
              joined({
                  R"(<?xml version="1.0" encoding="UTF-8"?>)",
                  R"(<kml xmlns="http://www.opengis.net/kml/2.2">)",
                  "  <Document>",
                  "    <name>waytool</name>",
              }) + styles +
                  joined({
                      "    <Placemark>",
                      "      <name>Truck 7.2</name>",
                      "      <description>Address: Unknown  Time: 14:06:00</description>",
                      "      <TimeStamp><when>2002-12-08T22:06:00Z</when></TimeStamp>",
                      "      <styleUrl>#icon2</styleUrl>",
                      "      <Point><coordinates>-122.3320708,47.6062095</coordinates></Point>",
                      "    </Placemark>",
                      "    <Placemark>",
                      "      <name>Truck 7</name>",
                      "      <description>Truck 7(12.8.2002).way: local date 2002-12-08, times "
                      "in UTC from UTC-8</description>",
                      "      <TimeSpan><begin>2002-12-08T22:05:09Z</begin>"
                      "<end>2002-12-08T22:06:00Z</end></TimeSpan>",
                      "      <styleUrl>#icon2</styleUrl>",
                      "      <MultiGeometry>",
                      "        <LineString><tessellate>1</tessellate><coordinates>"
                      "-122.3000000,47.6000000 -122.3320708,47.6062095</coordinates></LineString>",
                      "      </MultiGeometry>",
                      "    </Placemark>",
                      "  </Document>",
                      "</kml>",
                  }));
}

// ---- times in UTC and segments ----

// A track of `times` (local "HH:MM:SS") on the day in `path`, one point each.
NamedBytes timedTrack(const std::string& path, const std::vector<std::string>& times) {
    std::vector<Rec> records;
    for (size_t i = 0; i < times.size(); ++i)
        records.push_back({"v." + std::to_string(i + 1), "Address: Unknown  Time: " + times[i],
                           48800000 + int32_t(i) * 1000, 523700000, 17});
    return {path, trackBytes(int32_t(records.size()), records)};
}

// The texts between `open` and the next '<' in `text`, in order.
std::vector<std::string> elements(const std::string& text, const std::string& open) {
    std::vector<std::string> found;
    for (size_t at = text.find(open); at != std::string::npos; at = text.find(open, at + 1)) {
        size_t start = at + open.size();
        found.push_back(text.substr(start, text.find('<', start) - start));
    }
    return found;
}

size_t occurrences(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST(WaytoolTimes, CivilSecondsAndUtcTextAgree) {
    struct Case {
        int year, month, day, hour, minute, second;
        const char* text;
    } cases[] = {
        {1970, 1, 1, 0, 0, 0, "1970-01-01T00:00:00Z"},
        {2004, 2, 29, 23, 59, 59, "2004-02-29T23:59:59Z"},
        {1969, 12, 31, 23, 59, 59, "1969-12-31T23:59:59Z"},
        {2038, 1, 19, 3, 14, 8, "2038-01-19T03:14:08Z"},  // past 32-bit seconds
        {2100, 3, 1, 12, 0, 0, "2100-03-01T12:00:00Z"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(utcText(civilSeconds(c.year, c.month, c.day, c.hour, c.minute, c.second)),
                  c.text);
    EXPECT_EQ(civilSeconds(2002, 12, 8, 14, 5, 9), 1039356309);
}

// The device's clock in Berlin through both changes of 2026, written out in UTC and read back
// through the zone to the same clock readings, in order. In October the hour from 02:00 repeats;
// in March the clock jumps from 02:00 to 03:00, and one minute of driving stays one segment.
TEST(WaytoolTimes, RoundTripAcrossDaylightSavingChangesInBerlin) {
    TimeZone berlin;
    std::string error;
    ASSERT_TRUE(openTimeZone("Europe/Berlin", &berlin, &error)) << error;
    struct Case {
        const char* path;
        const char* day;
        std::vector<std::string> local;
        std::vector<std::string> utc;
    } cases[] = {
        {"Van(10.25.2026).way", "2026-10-25",
         {"01:58:00", "02:04:00", "02:30:00", "02:56:00", "02:02:00", "02:08:00", "03:01:00"},
         {"2026-10-24T23:58:00Z", "2026-10-25T00:04:00Z", "2026-10-25T00:30:00Z",
          "2026-10-25T00:56:00Z", "2026-10-25T01:02:00Z", "2026-10-25T01:08:00Z",
          "2026-10-25T02:01:00Z"}},
        {"Van(3.29.2026).way", "2026-03-29",
         {"01:58:00", "01:59:30", "03:00:30", "03:02:00"},
         {"2026-03-29T00:58:00Z", "2026-03-29T00:59:30Z", "2026-03-29T01:00:30Z",
          "2026-03-29T01:02:00Z"}},
    };
    for (const Case& c : cases) {
        ToolReport report = tracksToGpx({timedTrack(c.path, c.local)}, {&berlin, 60});
        ASSERT_TRUE(report.errors.empty()) << c.path;
        std::vector<std::string> times = elements(report.text, "<time>");
        times.erase(times.begin());  // the waypoint's
        EXPECT_EQ(times, c.utc) << c.path;
        EXPECT_EQ(occurrences(report.text, "<trkseg>"), 1u) << c.path << "\n" << report.text;
        EXPECT_NE(report.text.find("local date 2026-"), std::string::npos) << c.path;
        // Back through the zone: each instant shows the clock reading it came from.
        for (size_t i = 0; i < times.size() && i < c.local.size(); ++i) {
            int year, month, day, hour, minute, second;
            ASSERT_EQ(std::sscanf(times[i].c_str(), "%d-%d-%dT%d:%d:%dZ", &year, &month, &day,
                                  &hour, &minute, &second),
                      6);
            int64_t instant = civilSeconds(year, month, day, hour, minute, second);
            int64_t reading = instant + berlin.offsetAt(berlin, instant);
            EXPECT_EQ(utcText(reading).substr(11, 8), c.local[i]) << c.path << " point " << i;
            EXPECT_EQ(utcText(reading).substr(0, 10), c.day) << c.path << " point " << i;
        }
    }
}

TEST(WaytoolTimes, ZonesAreNamedAreaCityFromTheDatabase) {
    TimeZone zone;
    std::string error;
    for (const char* bad : {"Nowhere/Atlantis", "../../etc/passwd", "/usr/share/zoneinfo/UTC",
                            "Europe/Berlin;rm", "zone1970.tab"}) {
        EXPECT_FALSE(openTimeZone(bad, &zone, &error)) << bad;
        EXPECT_NE(error.find("no such time zone"), std::string::npos) << error;
    }
    ASSERT_TRUE(openTimeZone("America/Los_Angeles", &zone, &error)) << error;
    EXPECT_EQ(zone.offsetAt(zone, civilSeconds(2002, 12, 8, 22, 0, 0)), -8 * 3600);
    EXPECT_EQ(zone.offsetAt(zone, civilSeconds(2002, 7, 8, 22, 0, 0)), -7 * 3600);
}

// More minutes between two points than --gap allows start a new segment, in GPX and in KML (where
// a segment of one point is a Point). The pause is measured in UTC.
TEST(WaytoolSegments, AGapStartsANewSegment) {
    struct Case {
        const char* name;
        int gap;
        std::vector<std::string> times;
        size_t segments;
        size_t lines, points;  // KML: LineStrings and Points in the track's MultiGeometry
    } cases[] = {
        {"no gap", 10, {"14:00:00", "14:05:00", "14:15:00"}, 1, 1, 0},
        {"one gap", 10, {"14:00:00", "14:05:00", "14:15:01", "14:16:00"}, 2, 2, 0},
        {"one point alone", 10, {"14:00:00", "14:01:00", "14:30:00"}, 2, 1, 1},
        {"a shorter gap", 2, {"14:00:00", "14:01:00", "14:03:30", "14:04:00"}, 2, 2, 0},
        {"clock set back", 10, {"14:00:00", "13:00:00", "13:01:00"}, 2, 1, 1},
    };
    for (const Case& c : cases) {
        NamedBytes file = timedTrack("Van(6.1.2026).way", c.times);
        ToolReport gpx = tracksToGpx({file}, {&kMinus8, c.gap});
        ToolReport kml = tracksToKml({file}, {&kMinus8, c.gap});
        EXPECT_EQ(occurrences(gpx.text, "<trkseg>"), c.segments) << c.name << "\n" << gpx.text;
        EXPECT_EQ(occurrences(gpx.text, "<trkpt"), c.times.size()) << c.name;
        EXPECT_EQ(occurrences(kml.text, "<LineString>"), c.lines) << c.name << "\n" << kml.text;
        // One more Point: the newest point's placemark.
        EXPECT_EQ(occurrences(kml.text, "<Point>"), c.points + 1) << c.name;
    }
}

// ---- lists ----

CdpdAddress cdpdEntry(const char* address, const char* description, float frequency,
                      int32_t resolution, int32_t icon, int32_t enabled, int32_t modem) {
    CdpdAddress e{};
    const char* p = address;
    for (int i = 0; i < 4; ++i) {  // dotted, first number in the lowest byte
        e.address |= uint32_t(std::strtoul(p, const_cast<char**>(&p), 10)) << (8 * i);
        ++p;
    }
    e.frequency = frequency;
    e.resolution = resolution;
    std::strncpy(e.description, description, sizeof e.description);
    e.iconIndex = icon;
    e.enabled = enabled;
    e.modemFlag = modem;
    return e;
}

ThreeGTarget target(const std::u16string& id, const char* description, float frequency,
                    int32_t resolution, int32_t icon, int32_t enabled, int32_t lastLongitude,
                    int32_t lastLatitude) {
    ThreeGTarget t{};
    std::memcpy(t.targetId, id.data(), std::min(id.size(), size_t(16)) * 2);
    t.frequency = frequency;
    t.resolution = resolution;
    std::strncpy(t.description, description, sizeof t.description);
    t.iconIndex = icon;
    t.enabled = enabled;
    t.lastLongitude = lastLongitude;
    t.lastLatitude = lastLatitude;
    return t;
}

const char kCdpdPath[] = "root/Windows/zqCDPD";
const char kTargetPath[] = "root/Windows/zq3GTrack";

TEST(WaytoolLists, ShowsBothListsAsTables) {
    CdpdAddress cdpd[3] = {
        cdpdEntry("10.0.0.7", "Truck 7/day shift", 1.0f, 500, 2, 1, 0),
        cdpdEntry("192.168.200.1", "Modem \xe9", 0.5f, 0, 5, 0, 1),
        // Another writer's values: flags the module reads as set, no such icon, a description
        // filling its field with no zero.
        cdpdEntry("1.2.3.4", "", 0.0f, -3, 9, -1, 7),
    };
    std::memset(cdpd[2].description, 'D', sizeof cdpd[2].description);
    ThreeGTarget targets[2] = {
        // The add dialog keeps IDs widened from 8-bit text: 0xE9 comes back as U+FFE9.
        target(u"AB\uFFE9", "Van 2", 2.5f, 100, 0, 1, -122332070, 47606209),
        target(u"0123456789ABCDEFG", "New", 0.0f, 0, 3, 0, 0, 0),
    };
    Bytes cdpdFile = encodeCdpdList(0, 8, cdpd, 3);
    Bytes targetFile = encodeTargetList(targets, 2);
    ToolReport report = listTables(kCdpdPath, &cdpdFile, kTargetPath, &targetFile);
    EXPECT_TRUE(report.errors.empty());
    std::string d52(52, 'D');
    EXPECT_EQ(
        report.text,
        joined({
            "CDPD list root/Windows/zqCDPD: 3 entries; serial port COM1 (0), modem model SB 320 "
            "(8)",
            "#  address        description" + std::string(43, ' ') +
                "frequency  resolution  icon              enabled   modem",
            "1  10.0.0.7       Truck 7/day shift" + std::string(37, ' ') +
                "1 min      500 ft      2 yellow          yes       device",
            "2  192.168.200.1  Modem \xc3\xa9" + std::string(47, ' ') +
                "0.5 min    0 ft        5 magenta         no        modem",
            "3  1.2.3.4        " + d52 + "  0 min      -3 ft       9 (no such icon)  yes (-1)  "
                                         "modem (7)",
            "",
            "3G list root/Windows/zq3GTrack: 2 targets",
            "#  target ID         description  frequency  resolution  icon    enabled  "
            "last latitude  last longitude",
            "1  AB\xc3\xa9               Van 2        2.5 min    100 ft      0 red   yes      "
            "47.606209      -122.332070",
            "2  0123456789ABCDEF  New          0 min      0 ft        3 blue  no       "
            "none           none",
        }));
}

TEST(WaytoolLists, AMissingFileIsAnEmptyListAndTwoMissingFilesAnError) {
    Bytes targetFile = encodeTargetList(nullptr, 0);
    ToolReport one = listTables(kCdpdPath, nullptr, kTargetPath, &targetFile);
    EXPECT_TRUE(one.errors.empty());
    EXPECT_EQ(one.text, joined({"CDPD list root/Windows/zqCDPD: no file (the module starts with "
                                "an empty list)",
                                "", "3G list root/Windows/zq3GTrack: 0 targets"}));

    ToolReport none = listTables(kCdpdPath, nullptr, kTargetPath, nullptr);
    EXPECT_EQ(none.text, "");
    EXPECT_EQ(none.errors, std::vector<std::string>{
                               "root/Windows/zqCDPD and root/Windows/zq3GTrack: neither list "
                               "file exists (is this a device root?)"});
}

TEST(WaytoolLists, SizesThatDoNotMatchTheCountAreErrorsWithOffsets) {
    // Zero records: only the count and the size matter here.
    auto cdpdFile = [&](int32_t count, size_t records) {
        Bytes b;
        put32(b, 0);
        put32(b, 0);
        put32(b, uint32_t(count));
        b.insert(b.end(), records * sizeof(CdpdAddress), 0);
        return b;
    };
    auto targetFile = [&](int32_t count, size_t records) {
        Bytes b;
        put32(b, uint32_t(count));
        b.insert(b.end(), records * sizeof(ThreeGTarget), 0);
        return b;
    };
    struct Case {
        const char* what;
        Bytes cdpd;
        Bytes targets;
        std::vector<std::string> errors;
        const char* heads;  // the two tables' first lines
    } cases[] = {
        {"short heads", Bytes(7, 0), Bytes(3, 0),
         {"root/Windows/zqCDPD: offset 7: the file ends inside its 12-byte head",
          "root/Windows/zq3GTrack: offset 3: the file ends inside its 4-byte head"},
         "0 entries|0 targets"},
        {"records missing", cut(cdpdFile(2, 2), 12 + 76 + 10), targetFile(3, 1),
         {"root/Windows/zqCDPD: offset 88: record 2 of 2 runs past the end of the file (98 "
          "bytes)",
          "root/Windows/zq3GTrack: offset 124: record 2 of 3 runs past the end of the file (124 "
          "bytes)"},
         "1 entry|1 target"},
        {"bytes left over", cdpdFile(1, 2), cut(targetFile(0, 0), 9),
         {"root/Windows/zqCDPD: offset 88: 76 bytes after the last record",
          "root/Windows/zq3GTrack: offset 4: 5 bytes after the last record"},
         "1 entry|0 targets"},
        {"negative counts", cdpdFile(-1, 0), targetFile(-5, 0),
         {"root/Windows/zqCDPD: offset 8: negative count -1",
          "root/Windows/zq3GTrack: offset 0: negative count -5"},
         "0 entries|0 targets"},
        {"more than the room", cdpdFile(51, 51), targetFile(26, 26),
         {"root/Windows/zqCDPD: offset 8: count 51 is more than the list's room of 50; the module "
          "loads at most 50",
          "root/Windows/zq3GTrack: offset 0: count 26 is more than the list's room of 25; the "
          "module loads at most 25"},
         "50 entries|25 targets"},
    };
    for (const Case& c : cases) {
        ToolReport report = listTables(kCdpdPath, &c.cdpd, kTargetPath, &c.targets);
        EXPECT_EQ(report.errors, c.errors) << c.what;
        std::string heads = c.heads;
        std::string cdpdHead = heads.substr(0, heads.find('|'));
        std::string targetHead = heads.substr(heads.find('|') + 1);
        EXPECT_NE(report.text.find("zqCDPD: " + cdpdHead), std::string::npos)
            << c.what << "\n" << report.text;
        EXPECT_NE(report.text.find("zq3GTrack: " + targetHead), std::string::npos)
            << c.what << "\n" << report.text;
    }
}

}  // namespace
