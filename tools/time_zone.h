// The device's time zone, as waytool turns the device's local times into UTC. The zone is reached
// through one function, its offset from UTC at an instant, so the conversion itself (local_time.h)
// is portable and a test can hand it a zone of its own. Two sides implement `openTimeZone`:
// time_zone_posix.cpp reads the system's time-zone database; time_zone_win.cpp has only the
// machine's own zone, since Windows keeps no such database.
#pragma once

#include <cstdint>
#include <string>

struct TimeZone {
    std::string name;  // "Europe/Berlin"; for the machine's zone, its name where the system says
    // The zone's offset east of UTC, in seconds, at `utcSeconds` since 1970-01-01T00:00:00Z.
    int (*offsetAt)(const TimeZone& zone, int64_t utcSeconds);
    int fixedOffset;  // the offset of a zone made by `fixedTimeZone`
};

// Opens the zone named "Area/City" from the system's time-zone database, or this machine's own
// zone when `name` is empty. False, with a message for the user, when there is no such zone or
// no database to take it from. The zones share the C library's one zone setting: a program uses
// the zone it opened last.
bool openTimeZone(const std::string& name, TimeZone* zone, std::string* error);

// A zone that keeps one offset all year (UTC when 0).
TimeZone fixedTimeZone(const std::string& name, int offsetSeconds);
