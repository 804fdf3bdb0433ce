// The device's clock readings turned into UTC. A track file holds local times only (the day in its
// name, the time of day in each comment); a reading is taken in the device's zone, and in the hour
// that a change back from daylight-saving time repeats, the earlier of the two instants is taken
// unless it would put the point before the one read just before it, so a track that runs through
// the change keeps its order. A reading in the hour skipped by a change forward (no clock shows it)
// is taken with the offset in force before the change.
#pragma once

#include <cstdint>
#include <string>

#include "tools/time_zone.h"

// Seconds since 1970-01-01 of a date and time of day, counted as if it were UTC (proleptic
// Gregorian calendar).
int64_t civilSeconds(int year, int month, int day, int hour, int minute, int second);

// The local reading `localSeconds` (as civilSeconds counts it) as an instant in UTC. `previousUtc`
// is the instant of the point before, or null for the first point.
int64_t localToUtc(const TimeZone& zone, int64_t localSeconds, const int64_t* previousUtc);

// "2002-12-08T22:05:09Z".
std::string utcText(int64_t utcSeconds);
