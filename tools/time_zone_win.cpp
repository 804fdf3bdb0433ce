// Time zones on Windows, which keeps no time-zone database: only the machine's own zone, through
// the C runtime's local time (the zone and daylight-saving rules set in Windows). A named zone is
// refused with a message that says so.
#include "tools/time_zone.h"

#include <ctime>

#include "tools/local_time.h"

namespace {

int runtimeOffsetAt(const TimeZone&, int64_t utcSeconds) {
    __time64_t instant = utcSeconds;
    struct tm local;
    if (_localtime64_s(&local, &instant) != 0)
        return 0;
    int64_t reading = civilSeconds(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                                   local.tm_hour, local.tm_min, local.tm_sec);
    return static_cast<int>(reading - utcSeconds);
}

}  // namespace

bool openTimeZone(const std::string& name, TimeZone* zone, std::string* error) {
    if (!name.empty()) {
        *error = "--tz " + name + ": Windows has no time-zone database to take a named zone " +
                 "from; leave out --tz to use this machine's zone";
        return false;
    }
    _tzset();
    *zone = {"the machine's zone", runtimeOffsetAt, 0};
    return true;
}
