// The CDPD address list file \Windows\zqCDPD, little-endian:
//      0  4  serialPortIndex, signed 32-bit
//      4  4  modemModelIndex, signed 32-bit
//      8  4  count of entries, signed 32-bit
//     12     count CdpdAddress records of 76 bytes, entry 0 first; nothing follows
// The two header words are changed by nothing in the module: read at attach, written back by
// every save. The list has room for kCdpdCapacity entries, so a count outside 0 to 50 is clamped
// both ways.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "cdpd/cdpd_address.h"

constexpr size_t kCdpdListHeaderBytes = 12;
constexpr size_t kCdpdListMaxBytes = kCdpdListHeaderBytes + sizeof(CdpdAddress) * kCdpdCapacity;

// The names the two header words select. The setup dialog gives them to controls 1001 and 1002,
// which it does not have, so no user sees them; waytool prints them.
extern const char* const serialPortNames[6];
extern const char* const modemModelNames[9];
// The name an index selects, or null when it lies outside its table.
const char* serialPortName(int32_t index);
const char* modemModelName(int32_t index);

// Reads the file into the header words (module state), the list and the count. A missing or
// unreadable file leaves all of them as they were and returns false. The count becomes the
// file's count clamped to 0..50 and to the whole records the file holds; slots it does not reach
// keep what they held. Called at attach with cdpdList and cdpdCount.
bool loadCdpdList(const char16_t* path, CdpdAddress* list, int32_t& count);

// Writes the header words, the count (clamped to 0..50) and that many entries. The file is
// written whole beside the old one as "<path>.new" and then put in its place, so a save that
// fails or is cut off leaves the old file as it was; false then.
bool saveCdpdList(const char16_t* path, const CdpdAddress* list, int32_t count);

// The same without the file: decoding takes what `bytes` holds by the rules of loadCdpdList
// (a word the bytes do not hold whole keeps its value); encoding gives the file's bytes.
void decodeCdpdList(const uint8_t* bytes, size_t size, int32_t& serialPortIndex,
                    int32_t& modemModelIndex, CdpdAddress* list, int32_t& count);
std::vector<uint8_t> encodeCdpdList(int32_t serialPortIndex, int32_t modemModelIndex,
                                    const CdpdAddress* list, int32_t count);
