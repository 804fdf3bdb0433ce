// Local readings to UTC over a zone's offset function (see local_time.h).
#include "tools/local_time.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int64_t kDay = 86400;

// Days since 1970-01-01 of a civil date, and back (H. Hinnant's algorithms).
int64_t daysFromCivil(int64_t year, int month, int day) {
    year -= month <= 2;
    int64_t era = (year >= 0 ? year : year - 399) / 400;
    int64_t yearOfEra = year - era * 400;
    int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

void civilFromDays(int64_t days, int64_t* year, int* month, int* day) {
    days += 719468;
    int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    int64_t dayOfEra = days - era * 146097;
    int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    int64_t shifted = (5 * dayOfYear + 2) / 153;
    *day = static_cast<int>(dayOfYear - (153 * shifted + 2) / 5 + 1);
    *month = static_cast<int>(shifted < 10 ? shifted + 3 : shifted - 9);
    *year = yearOfEra + era * 400 + (*month <= 2);
}

}  // namespace

int64_t civilSeconds(int year, int month, int day, int hour, int minute, int second) {
    return daysFromCivil(year, month, day) * kDay + hour * 3600 + minute * 60 + second;
}

int64_t localToUtc(const TimeZone& zone, int64_t localSeconds, const int64_t* previousUtc) {
    // No zone is more than a day from UTC, so the offsets a day either side of the reading are
    // the ones before and after any change near it.
    int before = zone.offsetAt(zone, localSeconds - kDay);
    int after = zone.offsetAt(zone, localSeconds + kDay);
    int64_t candidates[2];
    int found = 0;
    for (int offset : {before, after}) {
        int64_t utc = localSeconds - offset;
        bool fits = zone.offsetAt(zone, utc) == offset;
        if (fits && (found == 0 || candidates[0] != utc))
            candidates[found++] = utc;
    }
    if (found == 0)
        return localSeconds - before;  // skipped by a change forward
    if (found == 1)
        return candidates[0];
    // The repeated hour: the earlier instant, unless the point before is already past it.
    int64_t earlier = std::min(candidates[0], candidates[1]);
    int64_t later = std::max(candidates[0], candidates[1]);
    return previousUtc != nullptr && earlier < *previousUtc ? later : earlier;
}

std::string utcText(int64_t utcSeconds) {
    int64_t days = utcSeconds / kDay - (utcSeconds % kDay < 0);
    int64_t second = utcSeconds - days * kDay;
    int64_t year;
    int month, day;
    civilFromDays(days, &year, &month, &day);
    char text[40];
    std::snprintf(text, sizeof text, "%04lld-%02d-%02dT%02d:%02d:%02dZ",
                  static_cast<long long>(year), month, day, static_cast<int>(second / 3600),
                  static_cast<int>(second / 60 % 60), static_cast<int>(second % 60));
    return text;
}

namespace {

int fixedOffsetAt(const TimeZone& zone, int64_t) {
    return zone.fixedOffset;
}

}  // namespace

TimeZone fixedTimeZone(const std::string& name, int offsetSeconds) {
    return {name, fixedOffsetAt, offsetSeconds};
}
