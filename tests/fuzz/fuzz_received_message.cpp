// Any bytes a datagram can carry, read the way the receiver reads them, against a second reading
// made here straight from the raw bytes by the datagram's layout: the decoder must keep exactly
// the first 152 bytes, and each decision the receiver makes (server kind, valid position, what a
// report says, the id) must be the one the raw bytes give. An offset read wrong, a bound off by
// one, or a sign lost fails here.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "exchange/position_message.h"
#include "module/bytes.h"

namespace {

void check(bool condition) {
    if (!condition)
        std::abort();
}

struct Raw {
    uint8_t bytes[kMessageSize];
};

Raw rawOf(const uint8_t* data, size_t size) {
    Raw raw{};
    if (size > 0)
        std::memcpy(raw.bytes, data, size < kMessageSize ? size : kMessageSize);
    return raw;
}

bool rawValidPosition(const Raw& r) {
    int64_t latitude = static_cast<int32_t>(getLe32(r.bytes + 24));
    int64_t longitude = static_cast<int32_t>(getLe32(r.bytes + 28));
    uint8_t quality = r.bytes[37];
    return !(latitude == 0 && longitude == 0) && quality > 2 && latitude > -900000000 &&
           latitude < 900000000 && longitude > -1800000000 && longitude < 1800000000;
}

TargetReportContent rawReportContent(const Raw& r) {
    bool zeroPlace = getLe32(r.bytes + 24) == 0 && getLe32(r.bytes + 28) == 0;
    uint8_t quality = r.bytes[37];
    if (zeroPlace && quality == 0)
        return TargetReportContent::NotLocatedYet;
    if (!zeroPlace && quality != 0)
        return TargetReportContent::Position;
    return TargetReportContent::Nothing;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    PositionMessage m = decodeReceived(data, size);
    Raw raw = rawOf(data, size);
    check(std::memcmp(&m, raw.bytes, kMessageSize) == 0);

    char kind = static_cast<char>(raw.bytes[0]);
    check(isServerKind(m.kind) == (kind == 'm' || kind == 'n' || kind == 'o'));
    check(isValidPosition(m) == rawValidPosition(raw));
    check(classifyTargetReport(m) == rawReportContent(raw));

    char id[kMessageIdSize + 1];
    messageIdText(m, id);
    size_t length = 0;
    while (length < kMessageIdSize && raw.bytes[8 + length] != 0)
        ++length;
    check(std::strlen(id) == length && std::memcmp(id, raw.bytes + 8, length) == 0);
    return 0;
}
