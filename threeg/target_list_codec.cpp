// The 3G target list file's bytes, without I/O, so that the fuzzer and the tests can drive the
// loader's rules with plain bytes. The records are copied whole: they have the file's layout in
// memory, including any units after a targetId's zero and bytes after a description's.
#include "threeg/target_list.h"

#include <bit>
#include <cstring>

static_assert(std::endian::native == std::endian::little, "records are copied as they lie");

namespace {

int32_t getLe32(const uint8_t* bytes) {
    return static_cast<int32_t>(uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 |
                                uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24);
}

int32_t clampCount(int32_t count) {
    return count < 0 ? 0 : count > kTargetCapacity ? kTargetCapacity : count;
}

}  // namespace

void decodeTargetList(const uint8_t* bytes, size_t size, ThreeGTarget* list, int32_t& count) {
    if (size < kTargetListHeaderBytes)
        return;
    size_t whole = (size - kTargetListHeaderBytes) / sizeof(ThreeGTarget);
    int32_t n = clampCount(getLe32(bytes));
    if (static_cast<size_t>(n) > whole)
        n = static_cast<int32_t>(whole);
    std::memcpy(list, bytes + kTargetListHeaderBytes,
                sizeof(ThreeGTarget) * static_cast<size_t>(n));
    count = n;
}

std::vector<uint8_t> encodeTargetList(const ThreeGTarget* list, int32_t count) {
    int32_t n = clampCount(count);
    std::vector<uint8_t> bytes;
    bytes.reserve(kTargetListHeaderBytes + sizeof(ThreeGTarget) * static_cast<size_t>(n));
    for (int shift = 0; shift < 32; shift += 8)
        bytes.push_back(static_cast<uint8_t>(static_cast<uint32_t>(n) >> shift));
    const auto* records = reinterpret_cast<const uint8_t*>(list);
    bytes.insert(bytes.end(), records, records + sizeof(ThreeGTarget) * static_cast<size_t>(n));
    return bytes;
}
