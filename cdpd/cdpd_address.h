// CdpdAddress: one entry of the CDPD address list, 76 bytes, the same in memory and in the list
// file \Windows\zqCDPD. Little-endian, no padding.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr int kCdpdCapacity = 50;

struct CdpdAddress {
    uint32_t address;      //  0: IPv4, network byte order, as inet_addr gives it
    float frequency;       //  4: minutes between polls; polled only while > 0.0
    int32_t resolution;    //  8: feet; shown and edited, used by nothing else
    char description[52];  // 12: narrow text, zero-terminated when the module wrote it
    int32_t iconIndex;     // 64: 0 to 5, icons 195 to 200
    int32_t enabled;       // 68: nonzero: the poller asks this entry
    int32_t modemFlag;     // 72: 1: a CDPD modem (query at port 6000); 0: a device
};

static_assert(sizeof(CdpdAddress) == 76);
static_assert(offsetof(CdpdAddress, frequency) == 4);
static_assert(offsetof(CdpdAddress, resolution) == 8);
static_assert(offsetof(CdpdAddress, description) == 12);
static_assert(offsetof(CdpdAddress, iconIndex) == 64);
static_assert(offsetof(CdpdAddress, enabled) == 68);
static_assert(offsetof(CdpdAddress, modemFlag) == 72);
