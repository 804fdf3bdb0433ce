// When the own report goes, once the owner has set any of "QVReportMetres", "QVReportTurn" and
// "QVReportMaxSeconds". The 6-second timer still ticks; a tick sends only when it is the first
// report since ThreeGStartSend, or the device has moved the given metres since the last report
// sent, or its heading has turned by the given degrees since then, or the given seconds have
// passed since then (a heartbeat). With none set, every tick sends, as it always did.
//
// The heading is worked out from the device's own positions, never from the driver's relayed
// values, whose meaning the module does not know: it is the bearing from the position where it
// was last worked out to the current one, once the device is kHeadingMinMetres away from there,
// so the jitter of a parked receiver never reads as a turn.
//
// Pure: positions in message units (degrees x 10^6) and a monotonic clock in milliseconds are
// passed in, so a test or a replay runs an hour of reporting in a millisecond.
#pragma once

#include <cstdint>

// The owner's thresholds; 0 means the rule is not set.
struct ReportRules {
    double metres;       // distance from the last report sent
    double turnDegrees;  // change of heading since the last report sent
    double maxSeconds;   // time since the last report sent
};

bool anyReportRule(const ReportRules& rules);

constexpr double kHeadingMinMetres = 10.0;

// What the decision remembers between ticks.
struct ReportTrack {
    bool reported;  // a report went since the start
    int32_t reportedLatitude, reportedLongitude;
    uint64_t reportedAt;
    bool reportedHeadingKnown;  // false until a heading was known at or after the last report
    double reportedHeading;

    bool anchorKnown;  // where the heading was last worked out
    int32_t anchorLatitude, anchorLongitude;
    bool headingKnown;
    double heading;  // degrees clockwise from north, 0 to 360
};

// ThreeGStartSend: the next tick is the first.
void resetReportTrack(ReportTrack* track);

// One tick with the current position: follows the heading and says whether the report is due.
// With no rule set every tick is due.
bool ownReportDue(const ReportRules& rules, ReportTrack* track, int32_t latitude,
                  int32_t longitude, uint64_t nowMs);

// A report went with this position, from a tick or a one-off send.
void noteOwnReportSent(ReportTrack* track, int32_t latitude, int32_t longitude, uint64_t nowMs);

// Distance in metres between two positions in message units, on a sphere of the earth's mean
// radius, flat over the short distances that matter here (exact to well under 1% within tens of
// kilometres).
double metresBetween(int32_t latitudeA, int32_t longitudeA, int32_t latitudeB,
                     int32_t longitudeB);

// Bearing from A to B, degrees clockwise from north, 0 to 360 (0 when they are the same point).
double bearingDegrees(int32_t latitudeA, int32_t longitudeA, int32_t latitudeB,
                      int32_t longitudeB);

// The smaller angle between two headings, 0 to 180.
double turnBetween(double headingA, double headingB);
