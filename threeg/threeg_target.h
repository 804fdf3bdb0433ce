// ThreeGTarget: one entry of the 3G target list, 120 bytes, the same in memory and in the list
// file \Windows\zq3GTrack. Little-endian, no padding.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kTargetCapacity = 25;

struct ThreeGTarget {
    char16_t targetId[16];  //   0: the ID at the server, UTF-16, at most 15 units and a zero
    float frequency;        //  32: minutes between target queries while tracked
    int32_t resolution;     //  36: feet; shown and edited only
    char description[64];   //  40: narrow text, zero-terminated when the module wrote it
    int32_t iconIndex;      // 104: 0 to 5, icons 195 to 200
    int32_t enabled;        // 108: the row's check state in the setup list
    int32_t lastLongitude;  // 112: last logged position, in message units; written by the receiver
    int32_t lastLatitude;   // 116
};

static_assert(sizeof(ThreeGTarget) == 120);
static_assert(offsetof(ThreeGTarget, frequency) == 32);
static_assert(offsetof(ThreeGTarget, resolution) == 36);
static_assert(offsetof(ThreeGTarget, description) == 40);
static_assert(offsetof(ThreeGTarget, iconIndex) == 104);
static_assert(offsetof(ThreeGTarget, enabled) == 108);
static_assert(offsetof(ThreeGTarget, lastLongitude) == 112);
static_assert(offsetof(ThreeGTarget, lastLatitude) == 116);
