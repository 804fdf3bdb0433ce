// Where a file stops making sense, said with its offset ("x.way: offset 68: ..."). The exports and
// `info` share the track-file checks; `lists` the list-file check.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "tools/waytool_core.h"
#include "tracklog/track_format.h"

// What is wrong with the file's size or head, or empty.
std::string headError(const NamedBytes& file, const TrackFileHead& head);

// Record `index` of `count`, starting at `recordStart`, runs past the end: which field does, and
// where.
std::string truncationError(const NamedBytes& file, int32_t index, int32_t count,
                            size_t recordStart);

bool onTheEarth(int32_t longitude, int32_t latitude);

// Which coordinate of record `name` lies outside the earth's range, with its offset; empty if
// none. `coordinatesAt` is the offset of the longitude.
std::string rangeError(const std::string& path, const std::string& name, int32_t longitude,
                       int32_t latitude, size_t coordinatesAt);

// The count and size of a list file against each other: errors for what the module's load would
// cut or leave out.
void checkListFile(const std::string& path, size_t size, size_t headBytes, size_t countAt,
                   size_t recordBytes, int32_t capacity, const uint8_t* bytes,
                   std::vector<std::string>& errors);
