// The CDPD modem stand-in's route: the points it reports, one per query, in turn. A route file
// is text, one item a line (LF or CRLF), and may mix two kinds of line:
//   - NMEA 0183 sentences, as a GPS receiver logs them: only RMC sentences with status A carry
//     a point ("$GPRMC,hhmmss,A,ddmm.mmmm,N,dddmm.mmmm,E,..."); any other sentence, and an RMC
//     with status V (no fix), is skipped;
//   - the modem's own lines: latitude and longitude in decimal degrees, north and east
//     positive, separated by blanks ("52.3712 4.8934"); '#' starts a comment line.
// Blank lines are skipped. A line that fits neither is bad: the route leaves it out and counts
// it, so a log with a garbled line still gives its other points.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Degrees x 10^7, the unit of the driver's fix record.
struct RoutePoint {
    int32_t latitude;   // north positive, +-900,000,000 at most
    int32_t longitude;  // east positive, +-1,800,000,000 at most
};

enum class RouteLine {
    Point,    // *point holds the line's point
    Skipped,  // blank, comment, another sentence, or an RMC without a fix
    Bad,      // neither a sentence nor a point, or one that does not add up
};

// Reads one line of `length` bytes (without its LF; blanks and a CR around it are ignored).
// *point is written only for Point.
//
// A sentence is '$', a tag (GPRMC, GNRMC ...: not empty) and its fields separated by ',', and
// optionally '*' and two hex digits: the XOR of the bytes between '$' and '*'. A sentence without
// them is taken as it is; one whose checksum is wrong or malformed is bad. In an RMC, the latitude
// is ddmm.mmmm (exactly two degree digits) and the longitude dddmm.mmmm (three), minutes below 60,
// any number of decimals (those beyond the seventh are dropped), N/S and E/W after them; the
// minutes are rounded to the nearest 10^-7 degree.
//
// A point is bad when it lies beyond 90 degrees of latitude or 180 of longitude, or so close to
// 0,0 that the message's coordinates (the fix's / 10) would both be 0: the module would read
// that as no position.
RouteLine parseRouteLine(const char* line, size_t length, RoutePoint* point);

struct Route {
    std::vector<RoutePoint> points;  // in the order of the file
    size_t badLines;                 // lines parseRouteLine called bad
    size_t firstBadLine;             // number of the first of them (1 for the first line), or 0
};

// Every line of a route file's text.
Route readRoute(const char* text, size_t length);
