// Any bytes as the 3G target list file: the loader never writes past the 25 targets, counts only
// records the bytes hold, and what it loaded saves to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "threeg/target_list.h"

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

struct Guarded {
    ThreeGTarget list[kTargetCapacity];
    uint8_t guard[256];
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Guarded g;
    std::memset(&g, 0xA5, sizeof g);
    int32_t count = -9;
    decodeTargetList(data, size, g.list, count);
    for (uint8_t b : g.guard)
        check(b == 0xA5);
    if (size < kTargetListHeaderBytes) {
        check(count == -9);
        return 0;
    }
    check(count >= 0 && count <= kTargetCapacity);
    check(kTargetListHeaderBytes + sizeof(ThreeGTarget) * size_t(count) <= size);

    std::vector<uint8_t> saved = encodeTargetList(g.list, count);
    check(saved.size() == kTargetListHeaderBytes + sizeof(ThreeGTarget) * size_t(count));
    check(std::memcmp(saved.data() + 4, data + 4, saved.size() - 4) == 0);
    return 0;
}
