// The gpsd stream reader: which lines make news, how lines are put together from arbitrary
// pieces, and how each TPV member lands in the 40-byte fix record.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "gpsdriver/gpsd_stream.h"

namespace {

// A session as gpsd 3.22 sends it after ?WATCH, ending in a 3D fix.
const char kVersion[] = R"({"class":"VERSION","release":"3.22","rev":"3.22","proto_major":3,)"
                        R"("proto_minor":14})";
const char kDevices[] =
    R"({"class":"DEVICES","devices":[{"class":"DEVICE","path":"/dev/ttyUSB0",)"
    R"("driver":"NMEA0183","activated":"2026-12-10T12:00:00.512Z","flags":1,"native":0,)"
    R"("bps":4800,"parity":"N","stopbits":1,"cycle":1.00}]})";
const char kWatch[] = R"({"class":"WATCH","enable":true,"json":true,"nmea":false,"raw":0,)"
                      R"("scaled":false,"timing":false,"split24":false,"pps":false})";
const char kSky[] =
    R"({"class":"SKY","device":"/dev/ttyUSB0","xdop":0.62,"ydop":0.91,"vdop":1.20,)"
    R"("tdop":0.84,"hdop":1.10,"gdop":1.86,"pdop":1.63,"satellites":[{"PRN":5,"el":41.0,)"
    R"("az":289.0,"ss":42.0,"used":true},{"PRN":12,"el":10.0,"az":40.0,"ss":0.0,"used":false}]})";
const char kTpv3d[] =
    R"({"class":"TPV","device":"/dev/ttyUSB0","mode":3,"time":"2026-12-10T12:00:05.000Z",)"
    R"("ept":0.005,"lat":52.371234500,"lon":-4.893456700,"altHAE":48.200,"altMSL":3.900,)"
    R"("alt":3.900,"epx":4.512,"epy":6.104,"epv":11.270,"track":87.5000,"magtrack":89.1,)"
    R"("magvar":1.6,"speed":8.333,"climb":0.000,"eps":12.20,"epc":22.54,"geoidSep":44.300,)"
    R"("eph":7.100,"sep":13.200})";
const char kTpvNoFix[] =
    R"({"class":"TPV","device":"/dev/ttyUSB0","mode":1,"time":"2026-12-10T12:00:04.000Z"})";

ZQGPS_POSITIONALDATA tpv3dRecord() {
    ZQGPS_POSITIONALDATA r{};
    r.year = 2026;
    r.month = 12;
    r.day = 10;
    r.hour = 12;
    r.second = 5;
    r.mode = 3;
    r.latitude = 523712345;
    r.longitude = -48934567;
    r.altitude = 4;   // altMSL 3.9
    r.course = 875;   // 87.5 degrees
    r.speed = 300;    // 8.333 m/s = 29.9988 km/h
    return r;
}

std::string session() {
    return std::string(kVersion) + "\n" + kDevices + "\n" + kWatch + "\n" + kSky + "\n" +
           kTpvNoFix + "\n" + kTpv3d + "\n";
}

// A TPV line with a 3D fix at 52.5 N 4.9 E plus `members`.
std::string tpvWith(const std::string& members) {
    return R"({"class":"TPV","device":"/dev/ttyUSB0","mode":3,"lat":52.5,"lon":4.9,)" + members +
           "}\n";
}

void expectRecord(const ZQGPS_POSITIONALDATA& got, const ZQGPS_POSITIONALDATA& want) {
    EXPECT_EQ(got.year, want.year);
    EXPECT_EQ(got.month, want.month);
    EXPECT_EQ(got.day, want.day);
    EXPECT_EQ(got.hour, want.hour);
    EXPECT_EQ(got.minute, want.minute);
    EXPECT_EQ(got.second, want.second);
    EXPECT_EQ(got.mode, want.mode);
    EXPECT_EQ(got.longitude, want.longitude);
    EXPECT_EQ(got.latitude, want.latitude);
    EXPECT_EQ(got.altitude, want.altitude);
    EXPECT_EQ(got.satellites, want.satellites);
    EXPECT_EQ(got.course, want.course);
    EXPECT_EQ(got.reserved30, want.reserved30);
    EXPECT_EQ(got.speed, want.speed);
    EXPECT_EQ(got.hdop, want.hdop);
    EXPECT_EQ(got.reserved36, want.reserved36);
}

const char* newsName(GpsdNews news) {
    switch (news) {
    case GpsdNews::None: return "None";
    case GpsdNews::Fix: return "Fix";
    case GpsdNews::NoFix: return "NoFix";
    }
    return "?";
}

class GpsdStreamTest : public testing::Test {
  protected:
    void SetUp() override {
        resetGpsdStream(&stream);
        std::memset(&latest, kUntouched, sizeof latest);
    }

    GpsdNews feed(const std::string& bytes) {
        return feedGpsdStream(&stream, bytes.data(), bytes.size(), &latest);
    }

    bool latestUntouched() const {
        const auto* p = reinterpret_cast<const unsigned char*>(&latest);
        for (size_t i = 0; i < sizeof latest; ++i)
            if (p[i] != kUntouched)
                return false;
        return true;
    }

    static constexpr unsigned char kUntouched = 0x5A;
    GpsdStream stream;
    ZQGPS_POSITIONALDATA latest;
};

TEST_F(GpsdStreamTest, SessionEndsInItsTpvFix) {
    EXPECT_STREQ(newsName(feed(session())), "Fix");
    expectRecord(latest, tpv3dRecord());
}

TEST_F(GpsdStreamTest, OnlyTpvReportsMakeNews) {
    struct Case {
        const char* name;
        std::string line;
        GpsdNews news;
    } cases[] = {
        {"version", std::string(kVersion) + "\n", GpsdNews::None},
        {"devices", std::string(kDevices) + "\n", GpsdNews::None},
        {"watch", std::string(kWatch) + "\n", GpsdNews::None},
        {"sky", std::string(kSky) + "\n", GpsdNews::None},
        {"tpv mode 1", std::string(kTpvNoFix) + "\n", GpsdNews::NoFix},
        {"tpv 3d", std::string(kTpv3d) + "\n", GpsdNews::Fix},
        {"tpv 3d crlf", std::string(kTpv3d) + "\r\n", GpsdNews::Fix},
        {"not yet ended", kTpv3d, GpsdNews::None},
        {"empty line", "\n", GpsdNews::None},
        {"class of another case", R"({"class":"tpv","mode":3,"lat":1,"lon":1})"
                                  "\n",
         GpsdNews::None},
        {"no class", R"({"mode":3,"lat":1,"lon":1})"
                     "\n",
         GpsdNews::None},
        {"class not a string", R"({"class":["TPV"],"mode":3,"lat":1,"lon":1})"
                               "\n",
         GpsdNews::None},
        {"escaped key and class", R"({"cl\u0061ss":"T\u0050V","mode":3,"lat":1,"lon":1})"
                                  "\n",
         GpsdNews::Fix},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        EXPECT_STREQ(newsName(feed(c.line)), newsName(c.news));
        EXPECT_EQ(latestUntouched(), c.news != GpsdNews::Fix);
    }
}

// Wherever the bytes are cut, the fix comes out once, whole, in the call that completes it.
TEST_F(GpsdStreamTest, SplitAnywhereGivesTheSameFix) {
    std::string all = session();
    size_t tpvStart = all.size() - std::strlen(kTpv3d) - 1;  // just after the no-fix line
    for (size_t cut = 0; cut <= all.size(); ++cut) {
        SCOPED_TRACE("cut at " + std::to_string(cut));
        SetUp();
        GpsdNews first = feed(all.substr(0, cut));
        GpsdNews second = feed(all.substr(cut));
        if (cut == all.size()) {
            EXPECT_STREQ(newsName(first), "Fix");
            EXPECT_STREQ(newsName(second), "None");
        } else {
            EXPECT_STREQ(newsName(first), cut >= tpvStart ? "NoFix" : "None");
            EXPECT_STREQ(newsName(second), "Fix");
        }
        expectRecord(latest, tpv3dRecord());
    }
}

TEST_F(GpsdStreamTest, ByteByByteGivesTheSameFix) {
    std::string all = session();
    int fixes = 0;
    for (char ch : all)
        fixes += feed(std::string(1, ch)) == GpsdNews::Fix;
    EXPECT_EQ(fixes, 1);
    expectRecord(latest, tpv3dRecord());
}

// The news of one call is that of its last complete TPV line; a fix that a later report
// withdrew is not handed out.
TEST_F(GpsdStreamTest, LastTpvWins) {
    std::string fixA = tpvWith(R"("speed":1)");
    std::string fixB = tpvWith(R"("speed":2)");
    std::string noFix = std::string(kTpvNoFix) + "\n";
    std::string sky = std::string(kSky) + "\n";
    std::string broken = R"({"class":"TPV","mode":3,"lat":10,"lon":10)"
                         "\n";
    struct Case {
        const char* name;
        std::string bytes;
        GpsdNews news;
        int speed;  // of the fix handed out
    } cases[] = {
        {"fix then fix", fixA + fixB, GpsdNews::Fix, 72},
        {"fix then no fix", fixA + noFix, GpsdNews::NoFix, 0},
        {"no fix then fix", noFix + fixB, GpsdNews::Fix, 72},
        {"fix then sky", fixA + sky, GpsdNews::Fix, 36},
        {"fix then malformed tpv", fixA + broken, GpsdNews::Fix, 36},
        {"fix then unfinished fix", fixA + fixB.substr(0, fixB.size() - 1), GpsdNews::Fix, 36},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUp();
        EXPECT_STREQ(newsName(feed(c.bytes)), newsName(c.news));
        if (c.news == GpsdNews::Fix)
            EXPECT_EQ(latest.speed, c.speed);
        else
            EXPECT_TRUE(latestUntouched());
    }
}

TEST_F(GpsdStreamTest, FixNeedsModeAndUsableCoordinates) {
    struct Case {
        const char* members;
        GpsdNews news;
        int32_t mode;  // of the fix
    } cases[] = {
        {R"("mode":3,"lat":52.5,"lon":4.9)", GpsdNews::Fix, 3},
        {R"("mode":2,"lat":52.5,"lon":4.9)", GpsdNews::Fix, 2},
        {R"("mode":1,"lat":52.5,"lon":4.9)", GpsdNews::NoFix, 0},
        {R"("mode":0,"lat":52.5,"lon":4.9)", GpsdNews::NoFix, 0},
        {R"("mode":4,"lat":52.5,"lon":4.9)", GpsdNews::NoFix, 0},
        {R"("mode":2.5,"lat":52.5,"lon":4.9)", GpsdNews::NoFix, 0},
        {R"("mode":"3","lat":52.5,"lon":4.9)", GpsdNews::NoFix, 0},
        {R"("lat":52.5,"lon":4.9)", GpsdNews::NoFix, 0},
        {R"("mode":3,"lon":4.9)", GpsdNews::NoFix, 0},
        {R"("mode":3,"lat":52.5)", GpsdNews::NoFix, 0},
        {R"("mode":3,"lat":null,"lon":4.9)", GpsdNews::NoFix, 0},
        {R"("mode":3,"lat":"52.5","lon":4.9)", GpsdNews::NoFix, 0},
        {R"("mode":3,"lat":90.0000001,"lon":4.9)", GpsdNews::NoFix, 0},
        {R"("mode":3,"lat":-90.0000001,"lon":4.9)", GpsdNews::NoFix, 0},
        {R"("mode":3,"lat":52.5,"lon":180.0000001)", GpsdNews::NoFix, 0},
        {R"("mode":3,"lat":52.5,"lon":-180.0000001)", GpsdNews::NoFix, 0},
        {R"("mode":3,"lat":1e999,"lon":4.9)", GpsdNews::NoFix, 0},
        {R"("mode":3,"lat":52.5,"lon":-1e999)", GpsdNews::NoFix, 0},
        {R"("mode":3,"lat":1e-400,"lon":4.9)", GpsdNews::NoFix, 0},
        // A later duplicate replaces the earlier member.
        {R"("mode":3,"lat":52.5,"lon":4.9,"mode":1)", GpsdNews::NoFix, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.members);
        SetUp();
        std::string line = std::string(R"({"class":"TPV",)") + c.members + "}\n";
        EXPECT_STREQ(newsName(feed(line)), newsName(c.news));
        if (c.news == GpsdNews::Fix)
            EXPECT_EQ(latest.mode, c.mode);
    }
}

// Each line would be a fix if the reader were lenient about it.
TEST_F(GpsdStreamTest, MalformedLinesAreIgnored) {
    const char kNulInString[] = "{\"class\":\"TPV\",\"mode\":3,\"lat\":52.5,\"lon\":4.9,"
                                "\"x\":\"a\0b\"}";
    const char kNulAfterObject[] = "{\"class\":\"TPV\",\"mode\":3,\"lat\":52.5,\"lon\":4.9}\0";
    const std::string cases[] = {
        R"({"class":"TPV","mode":3,"lat":52.5,"lon":4.9)",
        R"({"class":"TPV","mode":3,"lat":52.5,"lon":4.9,})",
        R"({,"class":"TPV","mode":3,"lat":52.5,"lon":4.9})",
        R"({'class':'TPV','mode':3,'lat':52.5,'lon':4.9})",
        R"({class:"TPV","mode":3,"lat":52.5,"lon":4.9})",
        R"({"class":"TPV","mode" 3,"lat":52.5,"lon":4.9})",
        R"({"class":"TPV","mode":3,"lat":52.5,"lon":4.9,"x":})",
        R"({"class":"TPV","mode":3,"lat":52.5,"lon":4.9}x)",
        R"({"class":"TPV","mode":3,"lat":52.5,"lon":4.9}{})",
        R"([{"class":"TPV","mode":3,"lat":52.5,"lon":4.9}])",
        R"({"class":"TPV","mode":3,"lat":052.5,"lon":4.9})",
        R"({"class":"TPV","mode":3,"lat":+52.5,"lon":4.9})",
        R"({"class":"TPV","mode":3,"lat":.5,"lon":4.9})",
        R"({"class":"TPV","mode":3,"lat":52.,"lon":4.9})",
        R"({"class":"TPV","mode":3,"lat":5e,"lon":4.9})",
        R"({"class":"TPV","mode":3,"lat":-,"lon":4.9})",
        R"({"class":"TPV","mode":3,"lat":NaN,"lon":4.9})",
        R"({"class":"TPV","mode":3,"lat":52.5,"lon":Infinity})",
        R"({"class":"TPV","mode":3,"lat":52.5,"lon":4.9,"x":tru})",
        R"({"class":"TPV","mode":3,"lat":52.5,"lon":4.9,"x":nul})",
        R"({"class":"TPV","mode":3,"lat":52.5,"lon":4.9,"x":[1,2})",
        R"({"class":"TPV","mode":3,"lat":52.5,"lon":4.9,"x":{"a"}})",
        R"({"class":"TPV","mode":3,"lat":52.5,"lon":4.9,"x":[1,]})",
        R"({"class":"TPV","mode":3,"lat":52.5,"lon":4.9,"x":"\q"})",
        R"({"class":"TPV","mode":3,"lat":52.5,"lon":4.9,"x":"\u12"})",
        R"({"class":"TPV","mode":3,"lat":52.5,"lon":4.9,"x":"abc})",
        R"({"class":"TPV","mode":3,"lat":52.5,"lon":4.9} // fix)",
        "{\"class\":\"TPV\",\"mode\":3,\"lat\":52.5,\"lon\":4.9,\"x\":\"a\tb\"}",
        std::string(kNulInString, sizeof kNulInString - 1),
        std::string(kNulAfterObject, sizeof kNulAfterObject - 1),
        "\xEF\xBB\xBF{\"class\":\"TPV\",\"mode\":3,\"lat\":52.5,\"lon\":4.9}",
        "{\"class\":\"TPV\",\"mode\":3,\"lat\":52.5,\"lon\":4.9,\"x\":\"\xFF\"}",
        R"({"class":"TPV","mode":3,"lat":52.5,"lon":4.9,"x":"\uD800"})",
    };
    for (const std::string& line : cases) {
        SCOPED_TRACE(line);
        SetUp();
        EXPECT_STREQ(newsName(feed(line + "\n")), "None");
        EXPECT_TRUE(latestUntouched());
        // The reader carries nothing over from a bad line.
        EXPECT_STREQ(newsName(feed(tpvWith(R"("speed":0)"))), "Fix");
    }
}

TEST_F(GpsdStreamTest, NestingIsBounded) {
    auto nested = [](int depth) {
        return tpvWith(R"("x":)" + std::string(depth, '[') + std::string(depth, ']'));
    };
    EXPECT_STREQ(newsName(feed(nested(20))), "Fix");
    SetUp();
    // Deep enough to exhaust the stack of a reader without a bound.
    EXPECT_STREQ(newsName(feed(nested(4000))), "None");
}

TEST_F(GpsdStreamTest, OverlongLineIsDroppedWhole) {
    std::string fix = tpvWith(R"("speed":1)");
    // Leading blanks are fine JSON, so only the length decides.
    std::string longest = std::string(kGpsdMaxLine - (fix.size() - 1), ' ') + fix;
    ASSERT_EQ(longest.size(), kGpsdMaxLine + 1);
    EXPECT_STREQ(newsName(feed(longest)), "Fix");

    // One byte more: nothing of the line counts, whatever pieces it comes in, not even a whole
    // report after the point where it outgrew the buffer; the next line is read as usual.
    struct Case {
        const char* name;
        std::string line;
    } cases[] = {
        {"one byte too long", " " + longest},
        {"report after the overflow", std::string(kGpsdMaxLine + 1, ' ') + fix},
    };
    for (const Case& c : cases) {
        for (size_t piece : {c.line.size(), size_t(1000), size_t(1)}) {
            SCOPED_TRACE(std::string(c.name) + ", pieces of " + std::to_string(piece));
            SetUp();
            bool news = false;
            for (size_t at = 0; at < c.line.size(); at += piece)
                news = feed(c.line.substr(at, piece)) != GpsdNews::None || news;
            EXPECT_FALSE(news);
            EXPECT_TRUE(latestUntouched());
            EXPECT_STREQ(newsName(feed(tpvWith(R"("speed":2)"))), "Fix");
            EXPECT_EQ(latest.speed, 72);
        }
    }
}

TEST_F(GpsdStreamTest, CoordinatesInTenMillionthsOfADegree) {
    struct Case {
        const char* lat;
        const char* lon;
        int32_t latitude;
        int32_t longitude;
    } cases[] = {
        {"52.3712345", "4.8934567", 523712345, 48934567},
        {"-33.8567891", "-151.2152967", -338567891, -1512152967},
        {"0.00000006", "-0.00000006", 1, -1},
        {"0.00000004", "-0.00000004", 0, 0},
        {"5.2e1", "-4.9E-0", 520000000, -49000000},
        {"90", "180", 900000000, 1800000000},
        {"-90.0", "-180.0", -900000000, -1800000000},
        {"89.99999999", "-179.99999999", 900000000, -1800000000},
        {"0", "-0", 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.lat) + " " + c.lon);
        SetUp();
        std::string line = std::string(R"({"class":"TPV","mode":2,"lat":)") + c.lat +
                           R"(,"lon":)" + c.lon + "}\n";
        ASSERT_STREQ(newsName(feed(line)), "Fix");
        EXPECT_EQ(latest.latitude, c.latitude);
        EXPECT_EQ(latest.longitude, c.longitude);
    }
}

TEST_F(GpsdStreamTest, AltitudeInMetresAboveMeanSeaLevel) {
    struct Case {
        const char* members;
        int16_t altitude;
    } cases[] = {
        {R"("altHAE":48.2,"altMSL":3.9,"alt":2.1)", 4},
        {R"("altHAE":48.2,"alt":-2.5)", -3},
        {R"("altHAE":48.6)", 49},
        {R"("altMSL":null,"alt":7)", 7},
        {R"("altMSL":"7","altHAE":9)", 9},
        {R"("altMSL":1e999,"alt":5)", 5},
        {R"("altMSL":1e999,"alt":-2e308,"altHAE":9)", 9},
        {R"("x":[1e999,{"y":-1e999}],"altMSL":6)", 6},
        {R"("altMSL":1e-400,"alt":5)", 5},
        {R"("altMSL":0e-400,"alt":5)", 0},
        {R"("altMSL":32766.6)", 32767},
        {R"("altMSL":40000)", 32767},
        {R"("altMSL":-40000)", -32767},
        {R"("altMSL":1e300)", 32767},
        {R"("altMSL":-1e300)", -32767},
        {R"("x":0)", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.members);
        SetUp();
        ASSERT_STREQ(newsName(feed(tpvWith(c.members))), "Fix");
        EXPECT_EQ(latest.altitude, c.altitude);
    }
}

TEST_F(GpsdStreamTest, CourseInTenthsOfADegree) {
    struct Case {
        const char* track;
        uint16_t course;
    } cases[] = {
        {"87.5", 875}, {"0", 0},      {"359.94", 3599}, {"359.96", 0},   {"360.0", 0},
        {"370", 100},  {"-90", 2700}, {"-0.01", 0},     {"-0.06", 3599},
        {"null", 0},   {"\"87\"", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.track);
        SetUp();
        ASSERT_STREQ(newsName(feed(tpvWith(std::string(R"("track":)") + c.track))), "Fix");
        EXPECT_EQ(latest.course, c.course);
    }
    // Any finite track lands within the range.
    for (const char* track : {"1e300", "-1e300", "1e-300", "719.99999"}) {
        SCOPED_TRACE(track);
        ASSERT_STREQ(newsName(feed(tpvWith(std::string(R"("track":)") + track))), "Fix");
        EXPECT_LT(latest.course, 3600);
    }
}

TEST_F(GpsdStreamTest, SpeedInTenthsOfKmPerHour) {
    struct Case {
        const char* speed;
        uint16_t tenths;
    } cases[] = {
        {"8.333", 300}, {"1", 36},         {"0", 0},         {"-1", 0},
        {"1820.4", 65534}, {"1820.42", 65535}, {"1e300", 65535}, {"-1e300", 0},
        {"null", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.speed);
        SetUp();
        ASSERT_STREQ(newsName(feed(tpvWith(std::string(R"("speed":)") + c.speed))), "Fix");
        EXPECT_EQ(latest.speed, c.tenths);
    }
}

TEST_F(GpsdStreamTest, DateAndTimeFromTheIsoTimestamp) {
    struct Case {
        const char* time;  // the member's value as written in the line
        uint16_t year, month, day, hour, minute, second;  // all 0: left empty
    } cases[] = {
        {R"("2026-12-10T12:00:05.000Z")", 2026, 12, 10, 12, 0, 5},
        {R"("2026-12-10T23:59:59.999999999Z")", 2026, 12, 10, 23, 59, 59},
        {R"("2026-01-01T00:00:00Z")", 2026, 1, 1, 0, 0, 0},
        {R"("2016-12-31T23:59:60.000Z")", 2016, 12, 31, 23, 59, 60},
        {R"("2028-02-29T08:30:00.000Z")", 2028, 2, 29, 8, 30, 0},
        {R"("2027-02-29T08:30:00.000Z")", 0, 0, 0, 0, 0, 0},
        {R"("2026-04-31T08:30:00.000Z")", 0, 0, 0, 0, 0, 0},
        {R"("2026-13-10T12:00:05.000Z")", 0, 0, 0, 0, 0, 0},
        {R"("2026-00-10T12:00:05.000Z")", 0, 0, 0, 0, 0, 0},
        {R"("2026-12-10T24:00:00.000Z")", 0, 0, 0, 0, 0, 0},
        {R"("2026-12-10T12:60:00.000Z")", 0, 0, 0, 0, 0, 0},
        {R"("2026-12-10 12:00:05.000Z")", 0, 0, 0, 0, 0, 0},
        {R"("2026-12-10T12:00:05.000")", 0, 0, 0, 0, 0, 0},
        {R"("2026-12-10T12:00:05.Z")", 0, 0, 0, 0, 0, 0},
        {R"("2026-12-10T12:00:05.000+01:00")", 0, 0, 0, 0, 0, 0},
        {R"("2026-12-10T12:00:05.000Zx")", 0, 0, 0, 0, 0, 0},
        {R"("26-12-10T12:00:05.000Z")", 0, 0, 0, 0, 0, 0},
        {R"("2026-12-10T12:00:05.00000000000000000000000000000000000000000000000Z")", 0, 0, 0,
         0, 0, 0},
        {"1796904005.0", 0, 0, 0, 0, 0, 0},
        {"null", 0, 0, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.time);
        SetUp();
        ASSERT_STREQ(newsName(feed(tpvWith(std::string(R"("time":)") + c.time))), "Fix");
        EXPECT_EQ(latest.year, c.year);
        EXPECT_EQ(latest.month, c.month);
        EXPECT_EQ(latest.day, c.day);
        EXPECT_EQ(latest.hour, c.hour);
        EXPECT_EQ(latest.minute, c.minute);
        EXPECT_EQ(latest.second, c.second);
    }
}

} // namespace
