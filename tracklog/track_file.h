// The track log: every accepted position becomes a waypoint at the end of the track file of its
// target and day in the documents folder, and the host window is told the file's name.
#pragma once

#include <cstdint>

#include "module/platform.h"

// Appends one waypoint to "<documentsFolder>\<name>(<month>.<day>.<year>).way", opening the file
// with share mode 0 and creating it (never over an existing one) when it is missing; a file it
// created is removed again when its head and first record do not fit whole (a full disk), so that
// the next append makes it anew with a new file's header. Demotes the symbols of the file's
// earlier newest points to 17; then sets lastTrackFileName to the file's 8-bit name and tells
// hostWindow, also when nothing could be written (file held by another program, a folder that
// does not exist, a name no file can have, a coordinate whose tenfold does not fit 32 bits).
// `latitude` and `longitude` are in message units; the file gets ten times them. `name` is 8-bit
// text, as the lists and the datagrams hold it. Runs on the receiver thread; returns nothing, as
// nobody acts on the outcome, and throws nothing: an append that runs out of memory is a failed
// append.
void appendTrackPoint(const char* name, const LocalTime& receivedAt, int32_t latitude,
                      int32_t longitude, int32_t iconIndex);
