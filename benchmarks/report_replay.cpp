// report_replay: how many own reports a drive costs, and how far the track the server draws
// strays from the drive, for the fixed 6-second schedule and for the owner's report rules.
//
//   report_replay ROUTE.nmea... [--rules METRES/DEGREES/SECONDS]...
//
// A route file (modem/route.h: NMEA or the modem's own lines) is taken as one fix a second. The
// own report timer ticks every 6 s from the start; at each tick the fix of that second goes
// through the module's own decision (threeg/report_decision.h) with the tick's time as the
// clock, in message units as the report carries it. The server draws straight lines between
// the reports it got, moving along each in time; the deviation of each second from the first
// report to the last is the distance between the true fix and that drawn point. (After the
// last report the route simply ends, so nothing is measured there.)
// Without --rules it compares the fixed schedule with 50/30/120.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "modem/route.h"
#include "threeg/report_decision.h"

namespace {

constexpr uint32_t kTickSeconds = 6;

struct Fix {
    int32_t latitude, longitude;  // message units, as the own report carries them
};

struct Report {
    uint32_t second;
    Fix at;
};

struct Result {
    size_t reports;
    double perHour, largest, mean;
};

std::vector<Report> replay(const std::vector<Fix>& fixes, const ReportRules* rules) {
    std::vector<Report> reports;
    ReportTrack track;
    resetReportTrack(&track);
    for (uint32_t s = kTickSeconds; s < fixes.size(); s += kTickSeconds) {
        const Fix& f = fixes[s];
        uint64_t now = uint64_t(s) * 1000;
        bool due = rules == nullptr ||
                   ownReportDue(*rules, &track, f.latitude, f.longitude, now);
        if (due) {
            noteOwnReportSent(&track, f.latitude, f.longitude, now);
            reports.push_back({s, f});
        }
    }
    return reports;
}

// The drawn point at `second`, which lies from the first report to the last; *next is the
// first report after it.
Fix drawnAt(const std::vector<Report>& reports, size_t* next, uint32_t second) {
    while (*next < reports.size() - 1 && reports[*next].second <= second)
        ++*next;
    const Report& before = reports[*next - 1];
    const Report& after = reports[*next];
    double f = double(second - before.second) / double(after.second - before.second);
    auto between = [f](int32_t a, int32_t b) { return int32_t(a + (double(b) - a) * f); };
    return {between(before.at.latitude, after.at.latitude),
            between(before.at.longitude, after.at.longitude)};
}

Result measure(const std::vector<Fix>& fixes, const std::vector<Report>& reports) {
    Result r{reports.size(), 0, 0, 0};
    r.perHour = double(reports.size()) * 3600.0 / double(fixes.size());
    if (reports.size() < 2)
        return r;
    size_t next = 1, counted = 0;
    double sum = 0;
    for (uint32_t s = reports.front().second; s <= reports.back().second; ++s) {
        Fix drawn = drawnAt(reports, &next, s);
        double d = metresBetween(fixes[s].latitude, fixes[s].longitude, drawn.latitude,
                                 drawn.longitude);
        r.largest = d > r.largest ? d : r.largest;
        sum += d;
        ++counted;
    }
    r.mean = sum / double(counted);
    return r;
}

bool readFixes(const char* path, std::vector<Fix>* fixes) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return false;
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Route route = readRoute(text.data(), text.size());
    for (const RoutePoint& p : route.points)
        fixes->push_back({p.latitude / 10, p.longitude / 10});  // as the own report divides
    return !fixes->empty();
}

bool parseRules(const char* text, ReportRules* rules) {
    return std::sscanf(text, "%lf/%lf/%lf", &rules->metres, &rules->turnDegrees,
                       &rules->maxSeconds) == 3;
}

const char* baseName(const char* path) {
    const char* slash = std::strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

void printRow(const char* route, const std::string& schedule, const Result& r,
              const Result& fixed) {
    double fewer = fixed.reports > 0 ? 100.0 * (1.0 - double(r.reports) / double(fixed.reports)) : 0;
    if (r.reports < 2) {  // no line drawn, nothing to measure
        std::printf("| %s | %s | %zu | %.0f | %.0f%% | - | - |\n", route, schedule.c_str(),
                    r.reports, r.perHour, fewer);
        return;
    }
    std::printf("| %s | %s | %zu | %.0f | %.0f%% | %.1f | %.1f |\n", route, schedule.c_str(),
                r.reports, r.perHour, fewer, r.largest, r.mean);
}

} // namespace

int main(int argc, char** argv) {
    std::vector<const char*> routes;
    std::vector<ReportRules> ruleSets;
    for (int i = 1; i < argc; ++i) {
        ReportRules rules{};
        if (std::strcmp(argv[i], "--rules") == 0 && i + 1 < argc && parseRules(argv[i + 1], &rules)) {
            ruleSets.push_back(rules);
            ++i;
        } else if (argv[i][0] == '-') {
            std::fprintf(stderr, "usage: report_replay ROUTE... [--rules METRES/DEGREES/SECONDS]...\n");
            return 2;
        } else {
            routes.push_back(argv[i]);
        }
    }
    if (routes.empty()) {
        std::fprintf(stderr, "usage: report_replay ROUTE... [--rules METRES/DEGREES/SECONDS]...\n");
        return 2;
    }
    if (ruleSets.empty())
        ruleSets.push_back({50, 30, 120});

    std::printf("| route | schedule | reports | per hour | fewer | largest m | mean m |\n");
    std::printf("|---|---|---:|---:|---:|---:|---:|\n");
    for (const char* path : routes) {
        std::vector<Fix> fixes;
        if (!readFixes(path, &fixes)) {
            std::fprintf(stderr, "report_replay: %s: no route\n", path);
            return 1;
        }
        std::string name = std::string(baseName(path)) + " (" + std::to_string(fixes.size()) + " s)";
        Result fixed = measure(fixes, replay(fixes, nullptr));
        printRow(name.c_str(), "every 6 s", fixed, fixed);
        for (const ReportRules& rules : ruleSets) {
            char schedule[64];
            std::snprintf(schedule, sizeof schedule, "%g m / %g deg / %g s", rules.metres,
                          rules.turnDegrees, rules.maxSeconds);
            printRow(name.c_str(), schedule, measure(fixes, replay(fixes, &rules)), fixed);
        }
    }
    return 0;
}
