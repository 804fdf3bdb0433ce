// The 3G target list file \Windows\zq3GTrack, little-endian:
//      0  4  count, signed 32-bit
//      4     count ThreeGTarget records of 120 bytes, in list order; nothing follows
// The list has room for kTargetCapacity targets, so a count outside 0 to 25 is clamped both ways.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "threeg/threeg_target.h"

constexpr size_t kTargetListHeaderBytes = 4;
constexpr size_t kTargetListMaxBytes =
    kTargetListHeaderBytes + sizeof(ThreeGTarget) * kTargetCapacity;

// Reads the file into `list` from slot 0 and the number of targets into `count`. True when
// the file could be opened and read; otherwise the list and the count stay as they are. The
// count becomes the file's count clamped to 0..25 and to the whole records the file holds; slots
// it does not reach keep what they held. Called at attach with targetCount.
bool loadTargetList(const char16_t* path, ThreeGTarget* list, int32_t& count);

// Writes `count` (clamped to 0..25) and that many slots of `list`. The file is written whole
// beside the old one as "<path>.new" and then put in its place, so a save that fails or is cut
// off leaves the old file as it was; false then.
bool saveTargetList(const char16_t* path, const ThreeGTarget* list, int32_t count);

// The same without the file: decoding takes what `bytes` holds by the rules of loadTargetList
// (bytes too short for the count change nothing); encoding gives the file's bytes.
void decodeTargetList(const uint8_t* bytes, size_t size, ThreeGTarget* list, int32_t& count);
std::vector<uint8_t> encodeTargetList(const ThreeGTarget* list, int32_t count);
