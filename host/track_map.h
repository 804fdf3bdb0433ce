// The host's map: the day's track files read into tracks, the projection that fits them and the
// town on the canvas, the scale bar, and the texts of the legend. Portable, so the host's reading
// of track files is the tested reader's.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct MapPoint {
    double latitude, longitude;  // degrees
};

struct MapTrack {
    std::string name;               // the file's name without "(date).way"
    std::vector<MapPoint> points;   // oldest first
    int icon;                       // from the newest point's symbol (24 + icon), 0 otherwise
    bool timed;                     // the file's name has a day and the newest comment a time
    int64_t newestLocal;            // the newest point's local time, in civilSeconds' count
};

// Reads a track file's whole records into `track`; false when it holds none.
bool readMapTrack(const std::string& fileName, const std::vector<uint8_t>& bytes, MapTrack* track);

// The date part of a track file's name, "12.8.2002" in "Truck 7(12.8.2002).way"; empty when the
// name is not a track file's.
std::string trackFileDate(const std::string& fileName);

// Degrees to canvas pixels: one scale for both axes (longitude shrunk by the cosine of the middle
// latitude), every given point inside the canvas less a margin, centred.
struct MapProjection {
    double west, north, scale, longitudeFactor;  // scale: pixels per degree of latitude
    int marginX, marginY;
};
MapProjection fitProjection(const std::vector<MapPoint>& points, int width, int height);
void project(const MapProjection& p, const MapPoint& point, int* x, int* y);

// The scale bar: the longest round length (1, 2 or 5 times a power of ten metres) that fits in
// `mostPixels`, and its length in pixels.
struct ScaleBar {
    int metres;
    int pixels;
};
ScaleBar scaleBar(const MapProjection& p, int mostPixels);

// "12 s ago", "3 min ago", "2 h 5 min ago"; "in the future" for a clock behind the file's.
std::string ageText(int64_t seconds);
