// waytool: reads a device's track files and list files on a desktop, natively or as waytool.exe.
//
//   waytool info FILE          the head, every record and where the file ends
//   waytool gpx FILE...        GPX 1.1: the newest point of each file as a waypoint, a track each
//   waytool geojson FILE...    GeoJSON: a LineString per file and a Point for its newest point
//   waytool kml FILE...        KML 2.2: a placemark for each file's newest point, a line each
//     --tz Area/City           the device's zone (default: this machine's); times go out in UTC
//     --gap MINUTES            a longer pause starts a new track segment (default 10)
//   waytool lists DIR          the CDPD and 3G lists of a device root (DIR/Windows/zqCDPD and
//                              DIR/Windows/zq3GTrack) as tables
//   waytool --version          the version of the tree it was built from
//
// Exit 0 on success, 1 when a file is missing or damaged (each error names the file and the
// offset), 2 on a usage error. Only the standard library: the same source builds for Windows.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "lorvane.h"
#include "lorvane_version.h"
#include "tools/waytool_core.h"

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: waytool info FILE\n"
                 "       waytool gpx|geojson|kml [--tz Area/City] [--gap MINUTES] FILE...\n"
                 "       waytool lists DIR\n"
                 "       waytool --version\n"
                 "The files hold the device's local time (the day from the file name\n"
                 "NAME(M.D.YYYY).way, the time of day from each record's comment); the exports\n"
                 "write it in UTC, taken in the zone --tz names (default: this machine's zone).\n"
                 "--gap: a pause of more minutes between two points starts a new track segment\n"
                 "(default 10).\n");
    return 2;
}

// Reads a whole file, at most one byte more than a track file may hold so that the size check
// still sees it is too large. False, with the reason, when the file cannot be read.
bool readFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error) {
    std::error_code code;
    if (!std::filesystem::is_regular_file(path, code)) {
        *error = path + (std::filesystem::exists(path, code) ? ": not a file" : ": no such file");
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = path + ": cannot open";
        return false;
    }
    char buffer[65536];
    while (bytes->size() <= kMaxToolFileBytes) {
        in.read(buffer, sizeof buffer);
        bytes->insert(bytes->end(), buffer, buffer + in.gcount());
        if (!in)
            break;
    }
    if (in.bad()) {
        *error = path + ": offset " + std::to_string(bytes->size()) + ": read failed";
        return false;
    }
    return true;
}

// Prints the report; errors and warnings go to standard error. 1 when there were errors.
int finish(const ToolReport& report) {
    std::fwrite(report.text.data(), 1, report.text.size(), stdout);
    std::fflush(stdout);
    for (const std::string& warning : report.warnings)
        std::fprintf(stderr, "waytool: warning: %s\n", warning.c_str());
    for (const std::string& error : report.errors)
        std::fprintf(stderr, "waytool: %s\n", error.c_str());
    return report.errors.empty() ? 0 : 1;
}

int failed(const std::string& error) {
    std::fprintf(stderr, "waytool: %s\n", error.c_str());
    return 1;
}

int tracks(const std::string& verb, const std::vector<std::string>& paths,
           const ExportOptions& options) {
    std::vector<NamedBytes> files;
    ToolReport unread;
    for (const std::string& path : paths) {
        NamedBytes file{path, {}};
        std::string error;
        if (readFile(file.path, &file.bytes, &error))
            files.push_back(std::move(file));
        else
            unread.errors.push_back(error);
    }
    if (!unread.errors.empty())
        return finish(unread);
    if (verb == "info")
        return finish(trackInfo(files[0]));
    if (verb == "gpx")
        return finish(tracksToGpx(files, options));
    return finish(verb == "kml" ? tracksToKml(files, options) : tracksToGeoJson(files, options));
}

// Minutes of --gap: a whole number from 1 to a week.
bool gapMinutes(const std::string& text, int* minutes) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    *minutes = std::stoi(text);
    return *minutes >= 1 && *minutes <= 7 * 24 * 60;
}

// An export's options and files. 2 on a usage error, 1 when the zone cannot be had, else 0.
int exportArguments(int count, char** arguments, std::string* zoneName, int* gap,
                    std::vector<std::string>* paths) {
    for (int i = 0; i < count; ++i) {
        std::string argument = arguments[i];
        if ((argument == "--tz" || argument == "--gap") && i + 1 == count)
            return usage();
        if (argument == "--tz")
            *zoneName = arguments[++i];
        else if (argument == "--gap" && !gapMinutes(arguments[++i], gap))
            return usage();
        else if (argument != "--gap")
            paths->push_back(argument);
    }
    return paths->empty() ? usage() : 0;
}

int exportTracks(const std::string& verb, int count, char** arguments) {
    std::string zoneName;
    int gap = kDefaultGapMinutes;
    std::vector<std::string> paths;
    if (int code = exportArguments(count, arguments, &zoneName, &gap, &paths))
        return code;
    TimeZone zone;
    std::string error;
    if (!openTimeZone(zoneName, &zone, &error))
        return failed(error);
    return tracks(verb, paths, {&zone, gap});
}

// A list file as the core takes it: its bytes, or nothing when it does not exist.
bool readListFile(const std::string& path, std::vector<uint8_t>* bytes, bool* present,
                  std::string* error) {
    std::error_code code;
    *present = std::filesystem::exists(path, code);
    return !*present || readFile(path, bytes, error);
}

int lists(const std::string& root) {
    std::error_code code;
    if (!std::filesystem::is_directory(root, code))
        return failed(root + ": not a folder");
    std::filesystem::path windows = std::filesystem::path(root) / "Windows";
    std::string cdpdPath = (windows / LORVANE_CDPD_LIST_NAME).string();
    std::string targetPath = (windows / LORVANE_TARGET_LIST_NAME).string();
    std::vector<uint8_t> cdpd, targets;
    bool hasCdpd, hasTargets;
    std::string error;
    if (!readListFile(cdpdPath, &cdpd, &hasCdpd, &error) ||
        !readListFile(targetPath, &targets, &hasTargets, &error))
        return failed(error);
    return finish(listTables(cdpdPath, hasCdpd ? &cdpd : nullptr, targetPath,
                             hasTargets ? &targets : nullptr));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--version") {
        std::printf("waytool %s\n", LORVANE_VERSION);
        return 0;
    }
    if (argc < 3)
        return usage();
    std::string verb = argv[1];
    if (verb == "info" && argc == 3)
        return tracks(verb, {argv[2]}, {});
    if (verb == "gpx" || verb == "geojson" || verb == "kml")
        return exportTracks(verb, argc - 2, argv + 2);
    if (verb == "lists" && argc == 3)
        return lists(argv[2]);
    return usage();
}
