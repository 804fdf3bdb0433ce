// Time zones from the system's time-zone database (Debian's tzdata, in /usr/share/zoneinfo or
// $TZDIR), read by the C library: the zone goes into TZ, and localtime_r says the offset at an
// instant, with every daylight-saving change the database knows.
#include "tools/time_zone.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <unistd.h>

namespace {

int libraryOffsetAt(const TimeZone&, int64_t utcSeconds) {
    time_t instant = static_cast<time_t>(utcSeconds);
    struct tm local;
    if (localtime_r(&instant, &local) == nullptr)
        return 0;
    return static_cast<int>(local.tm_gmtoff);
}

std::string zoneFolder() {
    const char* folder = std::getenv("TZDIR");
    return folder != nullptr && *folder != '\0' ? folder : "/usr/share/zoneinfo";
}

// Area/City and nothing that could leave the database's folder.
bool plausibleName(const std::string& name) {
    if (name.empty() || name[0] == '/' || name.find("..") != std::string::npos)
        return false;
    for (char c : name) {
        bool fits = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                    c == '/' || c == '_' || c == '-' || c == '+';
        if (!fits)
            return false;
    }
    return true;
}

// The database's files begin with "TZif"; the folder also holds tables that are not zones.
bool isZoneFile(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return false;
    char magic[4] = {};
    bool zone = std::fread(magic, 1, 4, file) == 4 && std::memcmp(magic, "TZif", 4) == 0;
    std::fclose(file);
    return zone;
}

// The machine's zone by name: TZ when it is set, else where /etc/localtime points.
std::string machineZoneName() {
    const char* tz = std::getenv("TZ");
    if (tz != nullptr && *tz != '\0')
        return tz[0] == ':' ? tz + 1 : tz;
    char target[512];
    ssize_t n = readlink("/etc/localtime", target, sizeof target - 1);
    if (n <= 0)
        return "local time";
    std::string path(target, static_cast<size_t>(n));
    size_t at = path.find("zoneinfo/");
    return at == std::string::npos ? "local time" : path.substr(at + 9);
}

}  // namespace

bool openTimeZone(const std::string& name, TimeZone* zone, std::string* error) {
    if (name.empty()) {
        tzset();
        *zone = {machineZoneName(), libraryOffsetAt, 0};
        return true;
    }
    std::string path = zoneFolder() + "/" + name;
    if (!plausibleName(name) || !isZoneFile(path)) {
        *error = "--tz " + name + ": no such time zone in " + zoneFolder() +
                 " (give Area/City, for instance Europe/Berlin)";
        return false;
    }
    setenv("TZ", (":" + name).c_str(), 1);
    tzset();
    *zone = {name, libraryOffsetAt, 0};
    return true;
}
