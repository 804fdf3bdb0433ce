// The CDPD list file's bytes, without I/O, so that the fuzzer and the tests can drive the loader's
// rules with plain bytes. The records go as module/list_records.h says.
#include "cdpd/cdpd_list.h"

#include "module/list_records.h"

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

void decodeCdpdList(const uint8_t* bytes, size_t size, int32_t& serialPortIndex,
                    int32_t& modemModelIndex, CdpdAddress* list, int32_t& count) {
    ByteReader in = byteReader(bytes, size);
    auto port = static_cast<int32_t>(readU32(in));
    auto model = static_cast<int32_t>(readU32(in));
    auto fileCount = static_cast<int32_t>(readU32(in));
    // A file cut inside its header still gives the words it holds whole: the reader stopped at
    // the first word it did not have.
    if (in.position >= 4)
        serialPortIndex = port;
    if (in.position >= 8)
        modemModelIndex = model;
    if (in.failed)
        return;
    count = readRecords(in, fileCount, kCdpdCapacity, list);
}

std::vector<uint8_t> encodeCdpdList(int32_t serialPortIndex, int32_t modemModelIndex,
                                    const CdpdAddress* list, int32_t count) {
    int32_t n = countWithinRoom(count, kCdpdCapacity);
    std::vector<uint8_t> bytes = listFileBytes(kCdpdListHeaderBytes, list, n);
    putLe32(bytes.data(), static_cast<uint32_t>(serialPortIndex));
    putLe32(bytes.data() + 4, static_cast<uint32_t>(modemModelIndex));
    putLe32(bytes.data() + 8, static_cast<uint32_t>(n));
    return bytes;
}
