// The 3G target list file's bytes, without I/O, so that the fuzzer and the tests can drive the
// loader's rules with plain bytes. The records go as module/list_records.h says.
#include "threeg/target_list.h"

#include "module/list_records.h"

void decodeTargetList(const uint8_t* bytes, size_t size, ThreeGTarget* list, int32_t& count) {
    ByteReader in = byteReader(bytes, size);
    auto fileCount = static_cast<int32_t>(readU32(in));
    if (in.failed)
        return;
    count = readRecords(in, fileCount, kTargetCapacity, list);
}

std::vector<uint8_t> encodeTargetList(const ThreeGTarget* list, int32_t count) {
    int32_t n = countWithinRoom(count, kTargetCapacity);
    std::vector<uint8_t> bytes = listFileBytes(kTargetListHeaderBytes, list, n);
    putLe32(bytes.data(), static_cast<uint32_t>(n));
    return bytes;
}
