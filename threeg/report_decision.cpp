#include "threeg/report_decision.h"

#include <cmath>
#include <cstring>

namespace {

constexpr double kEarthRadiusMetres = 6371008.8;
constexpr double kPi = 3.14159265358979323846;
constexpr double kRadiansPerUnit = kPi / 180.0 / 1e6;  // message units are degrees x 10^6

// East and north offsets of B from A in metres, the longitude scaled at their mean latitude.
// Longitudes that differ by more than half the globe are taken the short way round.
void offsetMetres(int32_t latA, int32_t lonA, int32_t latB, int32_t lonB, double* east,
                  double* north) {
    double dLon = double(lonB) - double(lonA);
    if (dLon > 180e6)
        dLon -= 360e6;
    else if (dLon < -180e6)
        dLon += 360e6;
    double meanLat = (double(latA) + double(latB)) / 2 * kRadiansPerUnit;
    *east = dLon * kRadiansPerUnit * std::cos(meanLat) * kEarthRadiusMetres;
    *north = (double(latB) - double(latA)) * kRadiansPerUnit * kEarthRadiusMetres;
}

uint64_t elapsedMs(uint64_t since, uint64_t now) { return now > since ? now - since : 0; }

void followHeading(ReportTrack* t, int32_t latitude, int32_t longitude) {
    if (!t->anchorKnown) {
        t->anchorKnown = true;
        t->anchorLatitude = latitude;
        t->anchorLongitude = longitude;
        return;
    }
    if (metresBetween(t->anchorLatitude, t->anchorLongitude, latitude, longitude) <
        kHeadingMinMetres)
        return;
    t->heading = bearingDegrees(t->anchorLatitude, t->anchorLongitude, latitude, longitude);
    t->headingKnown = true;
    t->anchorLatitude = latitude;
    t->anchorLongitude = longitude;
    // A report sent while no heading was known measures turns from the first heading after it.
    if (t->reported && !t->reportedHeadingKnown) {
        t->reportedHeading = t->heading;
        t->reportedHeadingKnown = true;
    }
}

} // namespace

bool anyReportRule(const ReportRules& rules) {
    return rules.metres > 0 || rules.turnDegrees > 0 || rules.maxSeconds > 0;
}

void resetReportTrack(ReportTrack* track) { std::memset(track, 0, sizeof *track); }

bool ownReportDue(const ReportRules& rules, ReportTrack* track, int32_t latitude,
                  int32_t longitude, uint64_t nowMs) {
    followHeading(track, latitude, longitude);
    if (!anyReportRule(rules) || !track->reported)
        return true;
    if (rules.metres > 0 && metresBetween(track->reportedLatitude, track->reportedLongitude,
                                          latitude, longitude) >= rules.metres)
        return true;
    if (rules.turnDegrees > 0 && track->headingKnown && track->reportedHeadingKnown &&
        turnBetween(track->reportedHeading, track->heading) >= rules.turnDegrees)
        return true;
    return rules.maxSeconds > 0 &&
           double(elapsedMs(track->reportedAt, nowMs)) >= rules.maxSeconds * 1000.0;
}

void noteOwnReportSent(ReportTrack* track, int32_t latitude, int32_t longitude, uint64_t nowMs) {
    track->reported = true;
    track->reportedLatitude = latitude;
    track->reportedLongitude = longitude;
    track->reportedAt = nowMs;
    track->reportedHeadingKnown = track->headingKnown;
    track->reportedHeading = track->heading;
}

double metresBetween(int32_t latitudeA, int32_t longitudeA, int32_t latitudeB,
                     int32_t longitudeB) {
    double east, north;
    offsetMetres(latitudeA, longitudeA, latitudeB, longitudeB, &east, &north);
    return std::sqrt(east * east + north * north);
}

double bearingDegrees(int32_t latitudeA, int32_t longitudeA, int32_t latitudeB,
                      int32_t longitudeB) {
    double east, north;
    offsetMetres(latitudeA, longitudeA, latitudeB, longitudeB, &east, &north);
    if (east == 0 && north == 0)
        return 0;
    double degrees = std::atan2(east, north) * 180.0 / kPi;
    return degrees < 0 ? degrees + 360.0 : degrees;
}

double turnBetween(double headingA, double headingB) {
    double d = std::fmod(std::fabs(headingB - headingA), 360.0);
    return d > 180.0 ? 360.0 - d : d;
}
