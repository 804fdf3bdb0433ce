#include "host/track_map.h"

#include <algorithm>
#include <cmath>

#include "tools/local_time.h"
#include "tools/waytool_names.h"
#include "tracklog/track_format.h"

bool readMapTrack(const std::string& fileName, const std::vector<uint8_t>& bytes, MapTrack* track) {
    track->name = fileName.substr(0, fileName.rfind('('));
    track->points.clear();
    track->icon = 0;
    track->timed = false;
    int year, month, day, hour, minute, second;
    bool dated = trackFileDay(fileName, &year, &month, &day);
    TrackWalk walk = walkTrackFile(bytes.data(), bytes.size(), nullptr);
    ByteReader in = byteReader(bytes.data(), bytes.size(), kTrackRecordsOffset);
    TrackRecord record;
    for (int32_t i = 0; i < walk.wholeRecords && readTrackRecord(in, &record); ++i) {
        track->points.push_back({record.latitude / 1e7, record.longitude / 1e7});
        if (record.symbolFlag != 0 && record.symbol >= 24 && record.symbol < 30)
            track->icon = static_cast<int>(record.symbol - 24);
        track->timed = dated && commentTime(std::string(record.comment, record.commentLength),
                                            &hour, &minute, &second);
        if (track->timed)
            track->newestLocal = civilSeconds(year, month, day, hour, minute, second);
    }
    return !track->points.empty();
}

std::string trackFileDate(const std::string& fileName) {
    size_t open = fileName.rfind('(');
    size_t close = fileName.rfind(").way");
    if (open == std::string::npos || close == std::string::npos || close < open ||
        close + 5 != fileName.size())
        return {};
    return fileName.substr(open + 1, close - open - 1);
}

MapProjection fitProjection(const std::vector<MapPoint>& points, int width, int height) {
    double south = 90, north = -90, west = 180, east = -180;
    for (const MapPoint& p : points) {
        south = std::min(south, p.latitude);
        north = std::max(north, p.latitude);
        west = std::min(west, p.longitude);
        east = std::max(east, p.longitude);
    }
    if (south > north) {  // nothing to show
        south = north = 0;
        west = east = 0;
    }
    MapProjection p;
    p.marginX = 30;
    p.marginY = 30;
    p.longitudeFactor = std::cos((south + north) / 2 * 3.14159265358979 / 180);
    double spanX = std::max((east - west) * p.longitudeFactor, 1e-6);
    double spanY = std::max(north - south, 1e-6);
    double usableX = std::max(width - 2 * p.marginX, 1);
    double usableY = std::max(height - 2 * p.marginY, 1);
    p.scale = std::min(usableX / spanX, usableY / spanY);
    // Centre the drawing on the canvas.
    p.west = west - (usableX / p.scale - spanX) / 2 / p.longitudeFactor;
    p.north = north + (usableY / p.scale - spanY) / 2;
    return p;
}

void project(const MapProjection& p, const MapPoint& point, int* x, int* y) {
    *x = p.marginX + static_cast<int>(std::lround((point.longitude - p.west) * p.longitudeFactor * p.scale));
    *y = p.marginY + static_cast<int>(std::lround((p.north - point.latitude) * p.scale));
}

ScaleBar scaleBar(const MapProjection& p, int mostPixels) {
    // A degree of latitude is 111.32 km anywhere, near enough for a scale bar.
    double pixelsPerMetre = p.scale / 111320.0;
    ScaleBar bar{0, 0};
    for (int metres = 1; metres <= 10000000; metres *= 10) {
        for (int step : {1, 2, 5}) {
            int pixels = static_cast<int>(std::lround(metres * step * pixelsPerMetre));
            if (pixels <= mostPixels)
                bar = {metres * step, pixels};
        }
    }
    return bar;
}

std::string ageText(int64_t seconds) {
    if (seconds < 0)
        return "in the future";
    if (seconds < 60)
        return std::to_string(seconds) + " s ago";
    if (seconds < 3600)
        return std::to_string(seconds / 60) + " min ago";
    std::string text = std::to_string(seconds / 3600) + " h";
    if (seconds % 3600 >= 60)
        text += " " + std::to_string(seconds % 3600 / 60) + " min";
    return text + " ago";
}
