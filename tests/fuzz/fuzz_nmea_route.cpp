// Any bytes as a route file of the modem stand-in. Every point it yields lies within the fix
// record's ranges and is one the module takes for a position; a text without line breaks reads
// as that one line; a point is written only when the line is one.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "modem/route.h"

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

void checkPoint(const RoutePoint& p) {
    check(p.latitude >= -900000000 && p.latitude <= 900000000);
    check(p.longitude >= -1800000000 && p.longitude <= 1800000000);
    check(p.latitude / 10 != 0 || p.longitude / 10 != 0);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* text = reinterpret_cast<const char*>(data);
    Route route = readRoute(text, size);
    for (const RoutePoint& p : route.points)
        checkPoint(p);
    size_t lines = 0;
    for (size_t i = 0; i < size; ++i)
        lines += text[i] == '\n';
    check(route.points.size() + route.badLines <= lines + 1);
    check((route.badLines == 0) == (route.firstBadLine == 0));
    check(route.firstBadLine <= lines + 1);

    RoutePoint point{-1, -1};
    RouteLine result = parseRouteLine(text, size, &point);
    if (result == RouteLine::Point)
        checkPoint(point);
    else
        check(point.latitude == -1 && point.longitude == -1);
    if (size > 0 && std::memchr(text, '\n', size) == nullptr) {
        check(route.points.size() == (result == RouteLine::Point ? 1u : 0u));
        check(route.badLines == (result == RouteLine::Bad ? 1u : 0u));
        if (result == RouteLine::Point)
            check(std::memcmp(&route.points[0], &point, sizeof point) == 0);
    }
    return 0;
}
