// A track file read whole for the exports: its name, day and points, or the first fault in it.
#include "tools/waytool_track.h"

#include <cstdio>

#include "module/bytes.h"
#include "tools/local_time.h"
#include "tools/waytool_checks.h"
#include "tools/waytool_names.h"
#include "tools/waytool_text.h"

Point pointFrom(const TrackRecord& record) {
    Point point{};
    point.offset = record.offset;
    point.name = latin1Text(record.name, record.nameLength);
    point.comment = latin1Text(record.comment, record.commentLength);
    point.longitude = record.longitude;
    point.latitude = record.latitude;
    point.hasSymbol = record.symbolFlag != 0;
    point.symbol = record.symbol;
    return point;
}

std::vector<Segment> trackSegments(const Track& track, int gapMinutes) {
    std::vector<Segment> segments;
    const std::vector<Point>& points = track.points;
    int64_t gap = int64_t(gapMinutes) * 60;
    for (size_t i = 0; i < points.size(); ++i) {
        bool apart = i > 0 && points[i].timed && points[i - 1].timed &&
                     (points[i].utc - points[i - 1].utc > gap ||
                      points[i - 1].utc - points[i].utc > gap);
        if (i == 0 || apart)
            segments.push_back({i, i});
        segments.back().end = i + 1;
    }
    return segments;
}

std::string trackDescription(const Track& track, const ExportOptions& options) {
    if (track.date.empty())
        return track.fileName + ": no local date, points without times";
    return track.fileName + ": local date " + track.date + ", times in UTC from " +
           options.zone->name;
}

namespace {

// Reads a whole track for the exports. False, with the reason, for a damaged file or a point off
// the earth; trailing bytes after the count's records (an append cut off) are not a fault.
bool readTrack(const NamedBytes& file, const TimeZone& zone, Track* track,
               std::vector<std::string>& warnings, std::string* error) {
    TrackFileHead head = readTrackHead(file.bytes.data(), file.bytes.size());
    *error = headError(file, head);
    if (!error->empty())
        return false;

    std::string rawName = lastPathPart(file.path);
    track->path = file.path;
    track->fileName = fileNameText(rawName);
    track->title = fileNameText(trackTitle(rawName));
    int year, month, day;
    if (trackFileDay(file.path, &year, &month, &day))
        track->date = isoDate(year, month, day);
    else
        warnings.push_back(file.path +
                           ": no date in the file name (NAME(M.D.YYYY).way): points have no time");

    ByteReader in = byteReader(file.bytes.data(), file.bytes.size(), kTrackRecordsOffset);
    TrackRecord record;
    int64_t previousUtc = 0;
    bool hasPrevious = false;
    for (int32_t i = 0; i < head.count; ++i) {
        if (!readTrackRecord(in, &record)) {
            *error = truncationError(file, i, head.count, record.offset);
            return false;
        }
        Point point = pointFrom(record);
        int hour, minute, second;
        std::string comment(record.comment, record.commentLength);
        if (!track->date.empty() && commentTime(comment, &hour, &minute, &second)) {
            point.timed = true;
            point.local = civilSeconds(year, month, day, hour, minute, second);
            point.utc = localToUtc(zone, point.local, hasPrevious ? &previousUtc : nullptr);
            point.time = utcText(point.utc);
            previousUtc = point.utc;
            hasPrevious = true;
        }
        *error = rangeError(file.path, point.name, point.longitude, point.latitude,
                            record.offset + record.nameLength + record.commentLength + 2);
        if (!error->empty())
            return false;
        track->points.push_back(point);
    }
    return true;
}

}  // namespace

ToolReport exportTracks(const std::vector<NamedBytes>& files, const ExportOptions& options,
                        TrackWriter write) {
    ToolReport report;
    std::vector<Track> tracks;
    for (const NamedBytes& file : files) {
        Track track;
        std::string error;
        if (readTrack(file, *options.zone, &track, report.warnings, &error))
            tracks.push_back(std::move(track));
        else
            report.errors.push_back(error);
    }
    if (report.errors.empty())
        write(tracks, options, report.text);
    return report;
}
