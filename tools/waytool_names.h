// What waytool reads out of names and comments. The day comes from the track file's name,
// "NAME(M.D.YYYY).way", and the time of day from each record's comment,
// "Address: Unknown  Time: HH:MM:SS"; both are the device's local time.
#pragma once

#include <string>

// The day in a track file's name: the last part of `path` must end in "(M.D.YYYY).way". False
// when it does not, or the date is not a real one.
bool trackFileDay(const std::string& path, int* year, int* month, int* day);

// The time of day in a comment that ends in "Time: HH:MM:SS". False when it does not.
bool commentTime(const std::string& comment, int* hour, int* minute, int* second);

// "YYYY-MM-DD".
std::string isoDate(int year, int month, int day);

// The file name up to its last '(' (or its ".way"): the target's name.
std::string trackTitle(const std::string& fileName);
