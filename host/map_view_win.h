// The host's map drawn with GDI: the town's streets, the day's tracks over them with the icon of
// each newest point, the labels placed so that none covers another, a scale bar, and beside the
// map a legend of every track (icon, name, number of points, age of its newest point).
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "host/town_map.h"
#include "host/track_map.h"

struct MapView {
    std::vector<TownStreet> streets;
    std::vector<MapTrack> tracks;  // in the order of their names
    HICON icons[6];                // the module's target icons, by icon index
};

// 8-bit text (track and street names, file names) as wide text, each byte taken as Latin-1.
std::wstring widen(const std::string& text);

// Draws `view` into `map` and its legend into `legend`; `nowLocal` is the local time
// (civilSeconds' count) the ages are counted to.
void paintMapView(HDC dc, const RECT& map, const RECT& legend, const MapView& view,
                  int64_t nowLocal);
