// The texts waytool writes. Texts inside the files are 8-bit: bytes 0x80 to 0xFF are taken as
// Latin-1 and written as UTF-8, and control characters (C0, DEL and C1) are dropped, so no byte of
// a file can break the XML or JSON around it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The colours of the six target icons, by icon index.
extern const char* const kIconColours[6];

std::string number(int64_t value);

// "PATH: offset N: WHAT", the form of every error that has a place in a file.
std::string atOffset(const std::string& path, size_t offset, const std::string& what);

// The part of a path after its last '/' or '\' (a track file may come from either side).
std::string lastPathPart(const std::string& path);

// A file name as the host's file system gave it: kept when it is well-formed UTF-8, else taken as
// Latin-1; controls and the two code points XML refuses dropped either way.
std::string fileNameText(const std::string& name);

// A fixed-size text field of a list record: up to its first zero, or all of it.
std::string fieldText(const char* field, size_t size);

// Driver units: degrees x 10^7.
constexpr int kTrackDigits = 7;
constexpr int32_t kMaxTrackLatitude = 900000000;
constexpr int32_t kMaxTrackLongitude = 1800000000;
// Message units, which the 3G list's last position keeps: degrees x 10^6.
constexpr int kMessageDigits = 6;

// A value in units of 10^-digits degrees as an exact decimal, "-122.3320708".
std::string fixedDegrees(int32_t value, int digits);

// 8-bit text from a file as UTF-8: Latin-1, control characters dropped.
std::string latin1Text(const char* bytes, size_t length);

// Text for XML character data or attribute values, and the inside of a JSON string.
std::string xmlEscaped(const std::string& utf8);
std::string jsonEscaped(const std::string& utf8);
// A JSON string with its quotes.
std::string jsonString(const std::string& utf8);
