// What the two list files share after their headers: the records, copied whole as they lie in
// memory (they have the file's layout, including any bytes after a text's zero), as many as the
// count says within the list's room. The CDPD list (cdpd_list_codec.cpp) and the 3G target list
// (target_list_codec.cpp) differ only in their headers and record types.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "module/bytes.h"

static_assert(std::endian::native == std::endian::little, "records are copied as they lie");

// A count within 0 to `capacity`: what a save writes and a load may take.
inline int32_t countWithinRoom(int32_t count, int32_t capacity) {
    return count < 0 ? 0 : count > capacity ? capacity : count;
}

// Reads the records after a header that gave `fileCount`: that count within the room and within
// the whole records left in `in`. Returns how many were read into `list`; the slots beyond keep
// what they held.
template <typename Record>
int32_t readRecords(ByteReader& in, int32_t fileCount, int32_t capacity, Record* list) {
    size_t whole = (in.size - in.position) / sizeof(Record);
    int32_t n = countWithinRoom(fileCount, capacity);
    if (static_cast<size_t>(n) > whole)
        n = static_cast<int32_t>(whole);
    readBytes(in, list, sizeof(Record) * static_cast<size_t>(n));
    return n;
}

// A list file's bytes: `headerBytes` zero bytes for the caller to fill, then the first `count`
// records (already within the room).
template <typename Record>
std::vector<uint8_t> listFileBytes(size_t headerBytes, const Record* list, int32_t count) {
    size_t recordBytes = sizeof(Record) * static_cast<size_t>(count);
    std::vector<uint8_t> bytes(headerBytes + recordBytes);
    if (recordBytes > 0)
        std::memcpy(bytes.data() + headerBytes, list, recordBytes);
    return bytes;
}
