// The CDPD list file's bytes, without I/O, so that the fuzzer and the tests can drive the loader's
// rules with plain bytes. The records are copied whole: they have the file's layout in memory,
// including any bytes after a description's zero.
#include "cdpd/cdpd_list.h"

#include <bit>
#include <cstring>

static_assert(std::endian::native == std::endian::little, "records are copied as they lie");

const char* const serialPortNames[6] = {"COM1", "COM2", "COM3", "COM4", "COM5", "COM6"};
const char* const modemModelNames[9] = {"AirCard 200", "AirCard 210", "AirCard 300",
                                        "MP 200",      "MP 205",      "MP 210",
                                        "SB 220",      "SB 300",      "SB 320"};

const char* serialPortName(int32_t index) {
    return index >= 0 && index < 6 ? serialPortNames[index] : nullptr;
}

const char* modemModelName(int32_t index) {
    return index >= 0 && index < 9 ? modemModelNames[index] : nullptr;
}

namespace {

int32_t getLe32(const uint8_t* bytes) {
    return static_cast<int32_t>(uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 |
                                uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24);
}

void putLe32(std::vector<uint8_t>& out, int32_t value) {
    uint32_t v = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

int32_t clampCount(int32_t count) {
    return count < 0 ? 0 : count > kCdpdCapacity ? kCdpdCapacity : count;
}

}  // namespace

void decodeCdpdList(const uint8_t* bytes, size_t size, int32_t& serialPortIndex,
                    int32_t& modemModelIndex, CdpdAddress* list, int32_t& count) {
    if (size >= 4)
        serialPortIndex = getLe32(bytes);
    if (size >= 8)
        modemModelIndex = getLe32(bytes + 4);
    if (size < kCdpdListHeaderBytes)
        return;
    size_t whole = (size - kCdpdListHeaderBytes) / sizeof(CdpdAddress);
    int32_t n = clampCount(getLe32(bytes + 8));
    if (static_cast<size_t>(n) > whole)
        n = static_cast<int32_t>(whole);
    std::memcpy(list, bytes + kCdpdListHeaderBytes, sizeof(CdpdAddress) * static_cast<size_t>(n));
    count = n;
}

std::vector<uint8_t> encodeCdpdList(int32_t serialPortIndex, int32_t modemModelIndex,
                                    const CdpdAddress* list, int32_t count) {
    int32_t n = clampCount(count);
    std::vector<uint8_t> bytes;
    bytes.reserve(kCdpdListHeaderBytes + sizeof(CdpdAddress) * static_cast<size_t>(n));
    putLe32(bytes, serialPortIndex);
    putLe32(bytes, modemModelIndex);
    putLe32(bytes, n);
    const auto* records = reinterpret_cast<const uint8_t*>(list);
    bytes.insert(bytes.end(), records, records + sizeof(CdpdAddress) * static_cast<size_t>(n));
    return bytes;
}
