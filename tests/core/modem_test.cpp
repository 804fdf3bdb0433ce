// The CDPD modem stand-in's core: route files (our NMEA logs, the modem's own lines, bad lines)
// and its answers byte for byte, in turn along the route, with everything but a query dropped.
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "modem/modem_answer.h"
#include "modem/route.h"

namespace {

using Bytes = std::vector<uint8_t>;

std::string readDataFile(const std::string& name) {
    std::ifstream in(std::string(LORVANE_TEST_DATA) + "/" + name, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

TEST(Route, OurNmeaLogsGiveOnePointPerRmcSentence) {
    struct Case {
        const char* file;
        size_t points;
        RoutePoint first, last;
    } cases[] = {
        {"route-north.nmea", 145, {523640000, 48880000}, {523745000, 48898000}},
        {"route-east.nmea", 125, {523712000, 48800000}, {523714000, 49000000}},
        {"route-loop.nmea", 221, {523655000, 48905000}, {523655000, 48905000}},
    };
    for (const Case& c : cases) {
        std::string text = readDataFile(c.file);
        ASSERT_FALSE(text.empty()) << c.file;
        Route route = readRoute(text.data(), text.size());
        EXPECT_EQ(route.badLines, 0u) << c.file << ": first bad line " << route.firstBadLine;
        ASSERT_EQ(route.points.size(), c.points) << c.file;
        EXPECT_EQ(route.points.front().latitude, c.first.latitude) << c.file;
        EXPECT_EQ(route.points.front().longitude, c.first.longitude) << c.file;
        EXPECT_EQ(route.points.back().latitude, c.last.latitude) << c.file;
        EXPECT_EQ(route.points.back().longitude, c.last.longitude) << c.file;
    }
}

// An RMC sentence with its checksum, around the given fields 1 to 6 (and the rest of a real one).
std::string rmc(const std::string& fields, const char* talker = "GP") {
    std::string body = std::string(talker) + "RMC," + fields + ",21.598,95.3,101226,,,A";
    unsigned x = 0;
    for (char ch : body)
        x ^= static_cast<unsigned char>(ch);
    char sum[4];
    std::snprintf(sum, sizeof sum, "%02X", x);
    return "$" + body + "*" + sum;
}

struct LineCase {
    const char* name;
    std::string line;
    RouteLine result;
    RoutePoint point;  // for Point
};

std::vector<LineCase> lineCases() {
    const RouteLine P = RouteLine::Point, S = RouteLine::Skipped, B = RouteLine::Bad;
    std::string real = "$GPRMC,121001.00,A,5222.27144,N,00452.80978,E,21.598,95.3,101226,,,A*5D";
    std::string badSum = real;
    badSum.back() = 'E';
    std::string lowerSum = real;
    lowerSum.back() = 'd';
    std::string noSum = real.substr(0, real.size() - 3);
    return {
        // 22.27144' = 0.37119066..7 degrees: rounded to the nearest 10^-7.
        {"a line of our logs", real, P, {523711907, 48801630}},
        {"with CRLF's CR", real + "\r", P, {523711907, 48801630}},
        {"checksum in lower case", lowerSum, P, {523711907, 48801630}},
        {"no checksum", noSum, P, {523711907, 48801630}},
        {"south and west", rmc("1,A,3345.07407,S,15112.34567,W"), P, {-337512345, -1512057612}},
        {"no decimals", rmc("1,A,5222,N,00452,E"), P, {523666667, 48666667}},
        {"decimals beyond the seventh dropped",
         rmc("1,A,0030.000000099,N,00000.000000099,E"), P, {5000000, 0}},
        {"90 degrees", rmc("1,A,9000.0000,N,18000.0000,W"), P, {900000000, -1800000000}},
        {"another talker", rmc("1,A,5222.27200,N,00452.80000,E", "GN"), P, {523712000, 48800000}},
        {"ends after E/W", "$GPRMC,1,A,5222.27200,N,00452.80000,E", P, {523712000, 48800000}},

        {"GGA", "$GPGGA,121000.00,5222.27200,N,00452.80000,E,1,08,0.9,2.0,M,47.0,M,,*65", S, {}},
        {"GSA", "$GPGSA,A,3,02,05,09,12,15,18,21,25,,,,,1.6,0.9,1.3*3A", S, {}},
        {"no fix (status V)", rmc("1,V,5222.27200,N,00452.80000,E"), S, {}},
        {"blank", " \t\r", S, {}},
        {"empty", "", S, {}},
        {"comment", "# 52.0 4.0", S, {}},

        {"wrong checksum", badSum, B, {}},
        {"one checksum digit", noSum + "*5", B, {}},
        {"checksum not hex", noSum + "*5G", B, {}},
        {"only '$'", "$", B, {}},
        {"RMC without fields", "$GPRMC", B, {}},
        {"RMC cut after the latitude", "$GPRMC,1,A,5222.27200,N", B, {}},
        {"status other than A or V", rmc("1,X,5222.27200,N,00452.80000,E"), B, {}},
        {"empty position (no fix yet)", rmc("1,A,,,,"), B, {}},
        {"minutes 60", rmc("1,A,5260.00000,N,00452.80000,E"), B, {}},
        {"latitude above 90", rmc("1,A,9000.00001,N,00452.80000,E"), B, {}},
        {"longitude above 180", rmc("1,A,5222.27200,N,18000.00001,E"), B, {}},
        {"three latitude degree digits", rmc("1,A,05222.272,N,00452.80000,E"), B, {}},
        {"two longitude degree digits", rmc("1,A,5222.27200,N,0452.80000,E"), B, {}},
        {"hemisphere E for latitude", rmc("1,A,5222.27200,E,00452.80000,E"), B, {}},
        {"hemisphere missing", rmc("1,A,5222.27200,,00452.80000,E"), B, {}},
        {"letter in the minutes", rmc("1,A,5222.2x200,N,00452.80000,E"), B, {}},
        {"point without decimals", rmc("1,A,5222.,N,00452.80000,E"), B, {}},
        {"sign in an NMEA angle", rmc("1,A,-522.27200,N,00452.80000,E"), B, {}},
        {"0,0: no position for the module", rmc("1,A,0000.00000,N,00000.00000,E"), B, {}},
    };
}

std::vector<LineCase> ownLineCases() {
    const RouteLine P = RouteLine::Point, B = RouteLine::Bad;
    return {
        {"two numbers", "52.3712 4.8934", P, {523712000, 48934000}},
        {"signs, tabs, blanks around", "  -33.8688\t+151.2093 \r", P, {-338688000, 1512093000}},
        {"integers", "52 4", P, {520000000, 40000000}},
        {"decimals beyond the seventh dropped", "1.123456789 -0.000000099", P, {11234567, 0}},
        {"the limits", "-90 180.0", P, {-900000000, 1800000000}},
        {"just off 0,0", "0.000001 0", P, {10, 0}},

        {"one number", "52.3712", B, {}},
        {"three numbers", "52.3712 4.8934 7", B, {}},
        {"comma between", "52.3712,4.8934", B, {}},
        {"latitude above 90", "90.0000001 4", B, {}},
        {"longitude above 180", "52 -180.1", B, {}},
        {"four integer digits", "52 0180", B, {}},
        {"sign alone", "- 4", B, {}},
        {"point alone", ". 4", B, {}},
        {"point without decimals", "52. 4", B, {}},
        {"exponent", "5e1 4", B, {}},
        {"0,0: no position for the module", "0.0000009 -0.0000009", B, {}},
    };
}

void checkLines(const std::vector<LineCase>& cases) {
    for (const LineCase& c : cases) {
        RoutePoint point{-1, -1};
        RouteLine result = parseRouteLine(c.line.data(), c.line.size(), &point);
        EXPECT_EQ(int(result), int(c.result)) << c.name << ": " << c.line;
        if (c.result == RouteLine::Point) {
            EXPECT_EQ(point.latitude, c.point.latitude) << c.name;
            EXPECT_EQ(point.longitude, c.point.longitude) << c.name;
        } else {
            EXPECT_EQ(point.latitude, -1) << c.name << ": point written";
        }
    }
}

TEST(Route, NmeaLines) {
    checkLines(lineCases());
}

TEST(Route, OwnLines) {
    checkLines(ownLineCases());
}

TEST(Route, BadLinesAreLeftOutAndCounted) {
    std::string text = "# a route of its own\r\n"
                       "52.1 4.1\r\n"
                       "\r\n"
                       "52.2,4.2\r\n"  // line 4: bad
                       "$GPRMC,1,A,5206.00000,N,00418.00000,E*00\n"  // line 5: bad checksum
                       "$GPRMC,1,A,5206.00000,N,00418.00000,E\n"
                       "52.3 4.3";  // no newline at the end
    Route route = readRoute(text.data(), text.size());
    ASSERT_EQ(route.points.size(), 3u);
    EXPECT_EQ(route.points[0].latitude, 521000000);
    EXPECT_EQ(route.points[1].latitude, 521000000);
    EXPECT_EQ(route.points[1].longitude, 43000000);
    EXPECT_EQ(route.points[2].longitude, 43000000);
    EXPECT_EQ(route.points[2].latitude, 523000000);
    EXPECT_EQ(route.badLines, 2u);
    EXPECT_EQ(route.firstBadLine, 4u);

    Route empty = readRoute("", 0);
    EXPECT_TRUE(empty.points.empty());
    EXPECT_EQ(empty.firstBadLine, 0u);
}

// ---- Answers ----

Bytes modemQuery() {
    Bytes b(kModemQueryLength, 0);
    b[0] = 'U';
    return b;
}

void putLe32(Bytes& b, size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(uint32_t(v) >> (8 * i));
}

// The position as a device of this system would send it: 'U', the coordinates / 10 at 24 and
// 28, 'A' at 36, quality 4 at 37, every other byte zero.
Bytes expectedPosition(int32_t latitudeMessage, int32_t longitudeMessage) {
    Bytes b(kMessageSize, 0);
    b[0] = 'U';
    putLe32(b, 24, latitudeMessage);
    putLe32(b, 28, longitudeMessage);
    b[36] = 'A';
    b[37] = 4;
    return b;
}

class Modem : public testing::Test {
  protected:
    ModemOutcome send(const Bytes& datagram) {
        std::memset(&reply, 0xA5, sizeof reply);
        replyLength = 99;
        return answerModemDatagram(&state, datagram.data(), datagram.size(), &reply,
                                   &replyLength);
    }
    Bytes sent() const {
        const auto* p = reinterpret_cast<const uint8_t*>(&reply);
        return Bytes(p, p + replyLength);
    }

    // Truncation toward zero shows in the last digits: -337512345 / 10 is -33751234.
    ModemState state{{{523712345, 48934567}, {-337512345, -1512057619}, {100, -15}}, 0};
    PositionMessage reply;
    size_t replyLength = 0;
};

TEST_F(Modem, QueriesGetTheRoutePointsInTurnByteForByte) {
    const Bytes expected[] = {
        expectedPosition(52371234, 4893456),
        expectedPosition(-33751234, -151205761),
        expectedPosition(10, -1),
    };
    for (int i = 0; i < 7; ++i) {
        ASSERT_EQ(send(modemQuery()), ModemOutcome::Answered) << i;
        EXPECT_EQ(sent(), expected[i % 3]) << "query " << i;
        EXPECT_TRUE(isValidPosition(reply)) << "query " << i;
    }
    EXPECT_EQ(state.answered, 7u);
}

TEST_F(Modem, OnlyA24ByteUIsAnswered) {
    Bytes shortQuery = modemQuery();
    shortQuery.pop_back();
    Bytes longQuery = modemQuery();
    longQuery.push_back(0);
    Bytes position = expectedPosition(52371234, 4893456);
    Bytes locate(kMessageSize, 0);
    locate[0] = 'l';
    locate[36] = 4;
    Bytes targetQuery = modemQuery();
    targetQuery[0] = 'm';

    struct Case {
        const char* name;
        Bytes datagram;
        ModemOutcome outcome;
    } cases[] = {
        {"empty", {}, ModemOutcome::NotAQuery},
        {"'U' of 23 bytes", shortQuery, ModemOutcome::WrongLength},
        {"'U' of 25 bytes", longQuery, ModemOutcome::WrongLength},
        {"a position", position, ModemOutcome::WrongLength},
        {"a locate request", locate, ModemOutcome::NotAQuery},
        {"'m' of 24 bytes", targetQuery, ModemOutcome::NotAQuery},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(send(c.datagram), c.outcome) << c.name;
        EXPECT_EQ(replyLength, 0u) << c.name;
    }
    EXPECT_EQ(state.answered, 0u) << "a dropped datagram moved along the route";
    send(modemQuery());
    EXPECT_EQ(sent(), expectedPosition(52371234, 4893456));
}

TEST_F(Modem, NoRouteNoAnswer) {
    state.route.clear();
    EXPECT_EQ(send(modemQuery()), ModemOutcome::NoRoute);
    EXPECT_EQ(replyLength, 0u);
}

} // namespace
