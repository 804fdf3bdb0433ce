// Building and reading PositionMessages. Every builder starts from an all-zero message, so each
// byte that its kind does not fill is zero.
#include "exchange/position_message.h"

#include <bit>
#include <cstring>

#include "module/text.h"

static_assert(std::endian::native == std::endian::little,
              "the message is copied whole into datagrams: a little-endian processor is assumed");

namespace {

// The position body, bytes 24 to 47, the same for a position and an own report. C++ division
// truncates toward zero: -15 gives -1, 19 gives 1.
void fillPositionBody(PositionMessage* m, const ZQGPS_POSITIONALDATA& fix) {
    m->latitude = fix.latitude / 10;
    m->longitude = fix.longitude / 10;
    m->speed = fix.speed;
    m->course = fix.course;
    m->altitude = fix.altitude;
    m->status = kStatusFix;
    m->quality = kQualityOwnFix;
}

// An ID of at most 15 characters and its zero; a longer one is cut so the zero always fits.
void fillId(PositionMessage* m, const char16_t* id) {
    if (id != nullptr)
        copyFieldToNarrow(id, kMessageIdSize - 1, m->id);
}

} // namespace

PositionMessage makePosition(const ZQGPS_POSITIONALDATA& fix) {
    PositionMessage m{};
    m.kind = kPosition;
    fillPositionBody(&m, fix);
    return m;
}

PositionMessage makeOwnReport(const ZQGPS_POSITIONALDATA& fix, const char16_t* accountId) {
    PositionMessage m{};
    m.kind = kOwnReport;
    fillId(&m, accountId);
    fillPositionBody(&m, fix);
    return m;
}

PositionMessage makeLocateRequest() {
    PositionMessage m{};
    m.kind = kLocateRequest;
    m.status = kStatusLocate;
    return m;
}

PositionMessage makeModemQuery() {
    PositionMessage m{};
    m.kind = kPosition;
    return m;
}

PositionMessage makeTargetQuery(const char16_t* targetId) {
    PositionMessage m{};
    m.kind = kTargetQuery;
    fillId(&m, targetId);
    return m;
}

PositionMessage decodeReceived(const uint8_t* bytes, size_t length) {
    PositionMessage m{};
    if (bytes != nullptr)
        std::memcpy(&m, bytes, length < kMessageSize ? length : kMessageSize);
    return m;
}

bool isServerKind(char kind) {
    return kind == kTargetQuery || kind == kTargetReport || kind == kOwnReport;
}

bool isValidPosition(const PositionMessage& m) {
    if (m.latitude == 0 && m.longitude == 0)
        return false;
    if (m.quality <= 2)
        return false;
    return m.latitude > -900000000 && m.latitude < 900000000 && m.longitude > -1800000000 &&
           m.longitude < 1800000000;
}

TargetReportContent classifyTargetReport(const PositionMessage& m) {
    bool origin = m.latitude == 0 && m.longitude == 0;
    if (!origin && m.quality != 0)
        return TargetReportContent::Position;
    if (origin && m.quality == 0)
        return TargetReportContent::NotLocatedYet;
    return TargetReportContent::Nothing;
}

void messageIdText(const PositionMessage& m, char out[kMessageIdSize + 1]) {
    size_t n = fieldLength(m.id, kMessageIdSize);
    std::memcpy(out, m.id, n);
    out[n] = 0;
}
