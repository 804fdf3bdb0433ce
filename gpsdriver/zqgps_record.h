// The GPS driver library's fix record, ZQGPS_POSITIONALDATA: 40 bytes, little-endian, no padding.
// The module reads only the coordinates and the three relayed values; the rest is the driver's.
//
// Offset Width Field          Meaning (as this driver fills it)
//   0     2    year           UTC date and time of the fix, from the receiver
//   2     2    month
//   4     2    day
//   6     2    hour
//   8     2    minute
//  10     2    second
//  12     4    mode           2 = 2D fix, 3 = 3D fix (0 or 1: no fix; never returned as a fix)
//  16     4    longitude      degrees x 10^7, signed (east positive); +-1,800,000,000 at most
//  20     4    latitude       degrees x 10^7, signed (north positive); +-900,000,000 at most
//  24     2    altitude       metres above mean sea level, signed, clamped to +-32767
//                             (relayed at message offset 40)
//  26     2    satellites     satellites used in the fix, 0 when unknown
//  28     2    course         course over ground in tenths of a degree, 0 to 3599
//                             (relayed at message offset 34)
//  30     2    reserved       zero
//  32     2    speed          speed over ground in tenths of km/h, clamped to 65535
//                             (relayed at message offset 32)
//  34     2    hdop           horizontal dilution of precision x 10, 0 when unknown
//  36     4    reserved       zero
//
// With degrees x 10^7 every coordinate fits 32 bits in the fix, in a position message (fix / 10)
// and in a track file (10 x message).
#pragma once

#include <cstddef>
#include <cstdint>

struct ZQGPS_POSITIONALDATA {
    uint16_t year;
    uint16_t month;
    uint16_t day;
    uint16_t hour;
    uint16_t minute;
    uint16_t second;
    int32_t mode;
    int32_t longitude;
    int32_t latitude;
    int16_t altitude;
    uint16_t satellites;
    uint16_t course;
    uint16_t reserved30;
    uint16_t speed;
    uint16_t hdop;
    uint32_t reserved36;
};

static_assert(sizeof(ZQGPS_POSITIONALDATA) == 40);
static_assert(offsetof(ZQGPS_POSITIONALDATA, mode) == 12);
static_assert(offsetof(ZQGPS_POSITIONALDATA, longitude) == 16);
static_assert(offsetof(ZQGPS_POSITIONALDATA, latitude) == 20);
static_assert(offsetof(ZQGPS_POSITIONALDATA, altitude) == 24);
static_assert(offsetof(ZQGPS_POSITIONALDATA, course) == 28);
static_assert(offsetof(ZQGPS_POSITIONALDATA, speed) == 32);
static_assert(offsetof(ZQGPS_POSITIONALDATA, reserved36) == 36);
