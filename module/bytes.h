// Little-endian bytes of outside files and datagrams: get and put helpers that cast each byte
// before shifting, and a reader that always knows how many bytes it has. Every reader of a file
// or datagram in the tree uses these, so none has a private copy to get wrong.
#pragma once

#include <cstddef>
#include <cstdint>

inline uint16_t getLe16(const uint8_t* bytes) {
    return static_cast<uint16_t>(uint16_t(bytes[0]) | uint16_t(bytes[1]) << 8);
}

inline uint32_t getLe32(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 |
           uint32_t(bytes[3]) << 24;
}

inline void putLe16(uint8_t* out, uint16_t value) {
    out[0] = static_cast<uint8_t>(value);
    out[1] = static_cast<uint8_t>(value >> 8);
}

inline void putLe32(uint8_t* out, uint32_t value) {
    out[0] = static_cast<uint8_t>(value);
    out[1] = static_cast<uint8_t>(value >> 8);
    out[2] = static_cast<uint8_t>(value >> 16);
    out[3] = static_cast<uint8_t>(value >> 24);
}

// A span and a position with a sticky error: a read past the end yields zero, sets `failed` and
// leaves the position where it was, so a reader checks once at the end and still knows, from
// `position`, the offset where the bytes stopped making sense.
struct ByteReader {
    const uint8_t* bytes;
    size_t size;
    size_t position;
    bool failed;
};

// A position beyond the end starts the reader failed, at the end.
ByteReader byteReader(const uint8_t* bytes, size_t size, size_t position = 0);
uint8_t readU8(ByteReader& in);
uint16_t readU16(ByteReader& in);
uint32_t readU32(ByteReader& in);
void skipBytes(ByteReader& in, size_t count);
// Copies `count` bytes to `out`; on failure `out` is zeroed whole.
void readBytes(ByteReader& in, void* out, size_t count);
// A zero-terminated text of any length; the result points into the span (without the zero), or
// is null with `length` 0 when no zero byte comes before the end.
const char* readText(ByteReader& in, size_t* length);
