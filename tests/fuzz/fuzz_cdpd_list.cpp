// Any bytes as the CDPD list file: the loader never writes past the 50 entries, counts only
// records the bytes hold, and what it loaded saves and loads again to the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "cdpd/cdpd_list.h"

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

struct Guarded {
    CdpdAddress list[kCdpdCapacity];
    uint8_t guard[256];
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Guarded g;
    std::memset(&g, 0xA5, sizeof g);
    int32_t serial = -7, modem = -8, count = -9;
    decodeCdpdList(data, size, serial, modem, g.list, count);
    for (uint8_t b : g.guard)
        check(b == 0xA5);
    if (size < kCdpdListHeaderBytes) {
        check(count == -9);
        return 0;
    }
    check(count >= 0 && count <= kCdpdCapacity);
    check(kCdpdListHeaderBytes + sizeof(CdpdAddress) * size_t(count) <= size);

    std::vector<uint8_t> saved = encodeCdpdList(serial, modem, g.list, count);
    check(saved.size() == kCdpdListHeaderBytes + sizeof(CdpdAddress) * size_t(count));
    check(std::memcmp(saved.data(), data, 8) == 0);
    check(std::memcmp(saved.data() + 12, data + 12, saved.size() - 12) == 0);
    return 0;
}
