// The sticky-error byte reader (see bytes.h).
#include "module/bytes.h"

#include <cstring>

ByteReader byteReader(const uint8_t* bytes, size_t size, size_t position) {
    ByteReader in{bytes, size, position, false};
    if (position > size) {
        in.position = size;
        in.failed = true;
    }
    return in;
}

// True when `count` more bytes are there; otherwise the reader fails and stays where it is.
static bool have(ByteReader& in, size_t count) {
    if (in.failed || in.size - in.position < count) {
        in.failed = true;
        return false;
    }
    return true;
}

uint8_t readU8(ByteReader& in) {
    if (!have(in, 1))
        return 0;
    return in.bytes[in.position++];
}

uint16_t readU16(ByteReader& in) {
    if (!have(in, 2))
        return 0;
    uint16_t value = getLe16(in.bytes + in.position);
    in.position += 2;
    return value;
}

uint32_t readU32(ByteReader& in) {
    if (!have(in, 4))
        return 0;
    uint32_t value = getLe32(in.bytes + in.position);
    in.position += 4;
    return value;
}

void skipBytes(ByteReader& in, size_t count) {
    if (have(in, count))
        in.position += count;
}

void readBytes(ByteReader& in, void* out, size_t count) {
    if (!have(in, count)) {
        std::memset(out, 0, count);
        return;
    }
    std::memcpy(out, in.bytes + in.position, count);
    in.position += count;
}

const char* readText(ByteReader& in, size_t* length) {
    *length = 0;
    if (in.failed)
        return nullptr;
    const uint8_t* start = in.bytes + in.position;
    const void* zero = std::memchr(start, 0, in.size - in.position);
    if (zero == nullptr) {
        in.failed = true;
        return nullptr;
    }
    *length = static_cast<size_t>(static_cast<const uint8_t*>(zero) - start);
    in.position += *length + 1;
    return reinterpret_cast<const char*>(start);
}
