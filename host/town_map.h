// The town under the tracks: its streets as named polylines, read from the town file that the
// demo's routes are made from (tools/town/town.txt). Portable, so the native tests read the file
// the host reads.
#pragma once

#include <string>
#include <vector>

#include "host/track_map.h"

struct TownStreet {
    std::string name;
    std::vector<MapPoint> points;  // in the street's order, two or more
};

// The file's "junction NAME LAT,LON" and "street NAME: JUNCTION ..." lines; comments (#), blank
// lines and the routes are skipped. False, with the line number and what is wrong, for a line
// that cannot be read, a street through an unknown junction, or one with fewer than two.
bool readTownMap(const std::string& text, std::vector<TownStreet>* streets, std::string* error);
