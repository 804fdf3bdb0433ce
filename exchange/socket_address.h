// SocketAddress: the 16 bytes of an IPv4 socket address as the platform's sockaddr_in lays them
// out, so the core can build every destination and read every sender without windows.h.
//
// The port field holds a number stored in the processor's (little-endian) order without
// conversion, as the senders of this system store it; the network reads the two bytes first byte
// first. So the number 6000 (bytes 0x70 0x17) is port 28695 on the wire, and the number 28695
// (bytes 0x17 0x70) is port 6000 on the wire.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint16_t kAfInet = 2;
constexpr uint16_t kDevicePort = 28695;  // on the wire: devices and the tracking server
constexpr uint16_t kModemPort = 6000;    // on the wire: CDPD modems

struct SocketAddress {
    uint16_t family;    // 0: AF_INET
    uint16_t portField; // 2: the port's number as stored (see above)
    uint32_t address;   // 4: IPv4, network byte order (first dotted number in the lowest byte)
    uint8_t zero[8];    // 8: always zero
};

static_assert(sizeof(SocketAddress) == 16);
static_assert(offsetof(SocketAddress, portField) == 2);
static_assert(offsetof(SocketAddress, address) == 4);

// A destination built for one send alone: AF_INET, the given address, and the port field that
// puts wirePort on the wire.
SocketAddress destinationFor(uint32_t addressNetworkOrder, uint16_t wirePort);

// The port a socket address names on the wire (its two port bytes read first byte first).
uint16_t wirePortOf(const SocketAddress& address);

// An IPv4 address in network byte order as dotted text, its first byte first ("10.1.2.3"), as
// inet_ntoa shows it: narrow, zero-terminated, at most 15 characters. The CDPD rows and combo box,
// the server dialog and a CDPD sender's track name all show an address this way.
constexpr size_t kDottedAddressSize = 16;
void formatDottedAddress(uint32_t addressNetworkOrder, char out[kDottedAddressSize]);
