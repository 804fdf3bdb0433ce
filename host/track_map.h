// The host's map: the day's track files read into tracks, and the projection that fits them all
// on the canvas. Portable, so the host's reading of track files is the tested reader's.
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
};

// Reads a track file's whole records into `track`; false when it holds none.
bool readMapTrack(const std::string& fileName, const std::vector<uint8_t>& bytes, MapTrack* track);

// The date part of a track file's name, "12.8.2002" in "Truck 7(12.8.2002).way"; empty when the
// name is not a track file's.
std::string trackFileDate(const std::string& fileName);

// Degrees to canvas pixels: one scale for both axes (longitude shrunk by the cosine of the middle
// latitude), all points inside the canvas less a margin, with room on the right for the labels
// beside the newest points.
struct MapProjection {
    double west, north, scale, longitudeFactor;
    int marginX, marginY;
};
constexpr int kMapLabelRoom = 170;
MapProjection fitProjection(const std::vector<MapTrack>& tracks, int width, int height);
void project(const MapProjection& p, const MapPoint& point, int* x, int* y);
