#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "exchange/position_message.h"
#include "exchange/socket_address.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes bytesOf(const PositionMessage& m, size_t length) {
    const auto* p = reinterpret_cast<const uint8_t*>(&m);
    return Bytes(p, p + length);
}

// A fix whose fields are all distinct, so a value landing at the wrong offset shows.
ZQGPS_POSITIONALDATA sampleFix() {
    ZQGPS_POSITIONALDATA fix{};
    fix.year = 2002;
    fix.mode = 3;
    fix.longitude = -1234567891;  // message: -123456789
    fix.latitude = 523456789;     // message: 52345678
    fix.altitude = -42;           // relayed at 40
    fix.course = 0x1234;          // relayed at 34
    fix.speed = 0xBEEF;           // relayed at 32
    fix.satellites = 9;
    fix.hdop = 12;
    return fix;
}

void putLe32(Bytes& b, size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}

// The expected bytes of a message carrying sampleFix's position body.
Bytes withSampleBody(Bytes b) {
    putLe32(b, 24, 52345678);
    putLe32(b, 28, -123456789);
    b[32] = 0xEF;
    b[33] = 0xBE;
    b[34] = 0x34;
    b[35] = 0x12;
    b[36] = 'A';
    b[37] = 4;
    b[40] = static_cast<uint8_t>(-42 & 0xFF);
    b[41] = 0xFF;
    return b;
}

struct LayoutCase {
    const char* name;
    PositionMessage message;
    size_t length;
    Bytes expected;
};

std::vector<LayoutCase> layoutCases() {
    Bytes zero152(152, 0), zero24(24, 0);

    Bytes locate = zero152;
    locate[0] = 'l';
    locate[36] = 4;

    Bytes modem = zero24;
    modem[0] = 'U';

    Bytes query = zero24;
    query[0] = 'm';
    query[8] = 'T';
    query[9] = '7';

    Bytes position = withSampleBody(zero152);
    position[0] = 'U';

    Bytes own = withSampleBody(zero152);
    own[0] = 'o';
    own[8] = 'a';
    own[9] = 'b';
    own[10] = 'c';

    Bytes longId = zero24;
    longId[0] = 'm';
    for (int i = 0; i < 15; ++i)
        longId[8 + i] = static_cast<uint8_t>('A' + i);

    return {
        {"locate request", makeLocateRequest(), kLocateRequestLength, locate},
        {"modem query", makeModemQuery(), kModemQueryLength, modem},
        {"target query", makeTargetQuery(u"T7"), kTargetQueryLength, query},
        {"position", makePosition(sampleFix()), kPositionLength, position},
        {"own report", makeOwnReport(sampleFix(), u"abc"), kOwnReportLength, own},
        // A 16-character ID keeps 15 and its zero.
        {"target query, id too long", makeTargetQuery(u"ABCDEFGHIJKLMNOP"), kTargetQueryLength,
         longId},
    };
}

TEST(PositionMessageLayout, EveryKindIsBuiltByteForByte) {
    for (const LayoutCase& c : layoutCases()) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(bytesOf(c.message, c.length), c.expected);
        // Nothing past the sent length is anything but zero either.
        Bytes tail = bytesOf(c.message, kMessageSize);
        for (size_t i = c.length; i < kMessageSize; ++i)
            ASSERT_EQ(tail[i], 0) << "byte " << i;
    }
}

TEST(PositionMessageLayout, CoordinatesAreDividedTruncatingTowardZero) {
    struct {
        int32_t fix, message;
    } cases[] = {{-15, -1}, {9, 0}, {19, 1}, {-9, 0}, {-10, -1}, {0, 0},
                 {1799999999, 179999999}, {-1800000000, -180000000}, {INT32_MIN, -214748364}};
    for (auto c : cases) {
        ZQGPS_POSITIONALDATA fix{};
        fix.latitude = c.fix;
        fix.longitude = c.fix;
        PositionMessage m = makePosition(fix);
        EXPECT_EQ(m.latitude, c.message) << "fix " << c.fix;
        EXPECT_EQ(m.longitude, c.message) << "fix " << c.fix;
    }
}

TEST(PositionValidity, BoundsAreExclusiveAndQualityMustExceedTwo) {
    struct {
        int32_t latitude, longitude;
        uint8_t quality;
        bool valid;
    } cases[] = {
        {100, 200, 3, true},
        {100, 200, 2, false},
        {100, 200, 0, false},
        {100, 200, 255, true},
        {0, 0, 4, false},
        {0, 5, 4, true},
        {5, 0, 4, true},
        {899999999, 1, 4, true},
        {900000000, 1, 4, false},
        {-900000000, 1, 4, false},
        {-899999999, 1, 4, true},
        {1, 1799999999, 4, true},
        {1, 1800000000, 4, false},
        {1, -1800000000, 4, false},
        {1, -1799999999, 4, true},
        {INT32_MIN, INT32_MAX, 4, false},
    };
    for (auto c : cases) {
        PositionMessage m{};
        m.kind = kPosition;
        m.latitude = c.latitude;
        m.longitude = c.longitude;
        m.quality = c.quality;
        EXPECT_EQ(isValidPosition(m), c.valid)
            << c.latitude << ", " << c.longitude << " quality " << int(c.quality);
    }
}

TEST(PositionValidity, AModemQueryArrivingAtADeviceIsNoPosition) {
    EXPECT_FALSE(isValidPosition(makeModemQuery()));
}

TEST(TargetReport, ThreeOutcomes) {
    struct {
        int32_t latitude, longitude;
        uint8_t quality;
        TargetReportContent content;
    } cases[] = {
        {10, 20, 1, TargetReportContent::Position},
        {0, 20, 4, TargetReportContent::Position},
        {2000000000, -2000000000, 4, TargetReportContent::Position},  // no range test
        {0, 0, 0, TargetReportContent::NotLocatedYet},
        {0, 0, 1, TargetReportContent::Nothing},
        {10, 0, 0, TargetReportContent::Nothing},
    };
    for (auto c : cases) {
        PositionMessage m{};
        m.kind = kTargetReport;
        m.latitude = c.latitude;
        m.longitude = c.longitude;
        m.quality = c.quality;
        EXPECT_EQ(classifyTargetReport(m), c.content)
            << c.latitude << ", " << c.longitude << " quality " << int(c.quality);
    }
}

TEST(ReceivedMessage, AShortDatagramReadsAsZeroBeyondItsEnd) {
    Bytes wire(152, 0xAB);
    wire[0] = 'n';
    PositionMessage m = decodeReceived(wire.data(), 48);
    Bytes seen = bytesOf(m, kMessageSize);
    for (size_t i = 1; i < 48; ++i)
        ASSERT_EQ(seen[i], 0xAB) << "byte " << i;
    for (size_t i = 48; i < kMessageSize; ++i)
        ASSERT_EQ(seen[i], 0) << "byte " << i;
}

TEST(ReceivedMessage, NeverReadsMoreThanAMessage) {
    Bytes wire(400, 0x11);
    PositionMessage m = decodeReceived(wire.data(), wire.size());
    EXPECT_EQ(bytesOf(m, kMessageSize), Bytes(152, 0x11));
}

TEST(ReceivedMessage, ServerKindsAreMNAndO) {
    for (int k = -128; k < 128; ++k) {
        char kind = static_cast<char>(k);
        EXPECT_EQ(isServerKind(kind), kind == 'm' || kind == 'n' || kind == 'o') << k;
    }
}

TEST(ReceivedMessage, IdIsTheTextBeforeItsFirstZeroAndAtMostSixteenBytes) {
    PositionMessage m{};
    char text[kMessageIdSize + 1];
    std::memcpy(m.id, "T7\0junk", 7);
    messageIdText(m, text);
    EXPECT_STREQ(text, "T7");
    std::memset(m.id, 'Z', sizeof m.id);  // no zero in the field
    messageIdText(m, text);
    EXPECT_EQ(std::string(text), std::string(16, 'Z'));
}

TEST(Destination, PortFieldBytesGiveTheWirePort) {
    SocketAddress peer = destinationFor(0x0100007F, kDevicePort);
    const auto* bytes = reinterpret_cast<const uint8_t*>(&peer);
    EXPECT_EQ(peer.family, kAfInet);
    EXPECT_EQ(peer.portField, 6000);  // the number stored, as the senders store it
    EXPECT_EQ(bytes[2], 0x70);
    EXPECT_EQ(bytes[3], 0x17);
    EXPECT_EQ(wirePortOf(peer), 28695);
    EXPECT_EQ(bytes[4], 127);
    EXPECT_EQ(bytes[7], 1);
    for (int i = 8; i < 16; ++i)
        EXPECT_EQ(bytes[i], 0);

    SocketAddress modem = destinationFor(0x0100007F, kModemPort);
    bytes = reinterpret_cast<const uint8_t*>(&modem);
    EXPECT_EQ(modem.portField, 28695);
    EXPECT_EQ(bytes[2], 0x17);
    EXPECT_EQ(bytes[3], 0x70);
    EXPECT_EQ(wirePortOf(modem), 6000);
}

} // namespace
