#include "exchange/socket_address.h"

#include "module/text.h"

SocketAddress destinationFor(uint32_t addressNetworkOrder, uint16_t wirePort) {
    SocketAddress to{};
    to.family = kAfInet;
    // The number whose little-endian bytes read, first byte first, as wirePort: 28695 is stored
    // as 6000 and 6000 as 28695.
    to.portField = static_cast<uint16_t>((wirePort >> 8) | (wirePort << 8));
    to.address = addressNetworkOrder;
    return to;
}

uint16_t wirePortOf(const SocketAddress& address) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(&address.portField);
    return static_cast<uint16_t>(uint16_t(bytes[0]) << 8 | uint16_t(bytes[1]));
}

void formatDottedAddress(uint32_t addressNetworkOrder, char out[kDottedAddressSize]) {
    const auto* b = reinterpret_cast<const uint8_t*>(&addressNetworkOrder);
    char* end = formatDecimal(b[0], out);
    for (int i = 1; i < 4; ++i) {
        *end++ = '.';
        end = formatDecimal(b[i], end);
    }
}
