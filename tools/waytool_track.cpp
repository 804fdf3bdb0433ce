// A track file read whole for the exports: its name, day and points, or the first fault in it.
#include "tools/waytool_track.h"

#include <cstdio>

#include "module/bytes.h"
#include "tools/waytool_checks.h"
#include "tools/waytool_names.h"
#include "tools/waytool_text.h"

Point pointFrom(const TrackRecord& record, const std::string& date) {
    Point point{};
    point.offset = record.offset;
    point.name = latin1Text(record.name, record.nameLength);
    point.comment = latin1Text(record.comment, record.commentLength);
    point.longitude = record.longitude;
    point.latitude = record.latitude;
    point.hasSymbol = record.symbolFlag != 0;
    point.symbol = record.symbol;
    int hour, minute, second;
    std::string comment(record.comment, record.commentLength);
    if (!date.empty() && commentTime(comment, &hour, &minute, &second)) {
        char time[16];
        std::snprintf(time, sizeof time, "T%02d:%02d:%02d", hour, minute, second);
        point.time = date + time;
    }
    return point;
}

namespace {

// Reads a whole track for the exports. False, with the reason, for a damaged file or a point off
// the earth; trailing bytes after the count's records (an append cut off) are not a fault.
bool readTrack(const NamedBytes& file, Track* track, std::vector<std::string>& warnings,
               std::string* error) {
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
    for (int32_t i = 0; i < head.count; ++i) {
        if (!readTrackRecord(in, &record)) {
            *error = truncationError(file, i, head.count, record.offset);
            return false;
        }
        Point point = pointFrom(record, track->date);
        *error = rangeError(file.path, point.name, point.longitude, point.latitude,
                            record.offset + record.nameLength + record.commentLength + 2);
        if (!error->empty())
            return false;
        track->points.push_back(point);
    }
    return true;
}

}  // namespace

bool readTracks(const std::vector<NamedBytes>& files, std::vector<Track>* tracks,
                ToolReport& report) {
    for (const NamedBytes& file : files) {
        Track track;
        std::string error;
        if (readTrack(file, &track, report.warnings, &error))
            tracks->push_back(std::move(track));
        else
            report.errors.push_back(error);
    }
    return report.errors.empty();
}
