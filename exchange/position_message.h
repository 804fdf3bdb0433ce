// PositionMessage: the one datagram format of the system. 152 bytes, or its first 24 bytes (the
// short form). Multi-byte fields are little-endian, not network order; no framing, no checksum.
// Five kinds share the layout, told apart by the first byte.
#pragma once

#include <cstddef>
#include <cstdint>

#include "gpsdriver/zqgps_record.h"

constexpr size_t kMessageSize = 152;
constexpr size_t kShortMessageSize = 24;
constexpr size_t kMessageIdSize = 16;

enum MessageKind : char {
    kPosition = 'U',      // device to device; also the 24-byte modem query
    kLocateRequest = 'l', // device to device
    kTargetQuery = 'm',   // device to server, 24 bytes
    kTargetReport = 'n',  // server to device
    kOwnReport = 'o',     // device to server
};

constexpr uint8_t kStatusFix = 'A';     // status of a position or own report
constexpr uint8_t kStatusLocate = 4;    // status of a locate request
constexpr uint8_t kQualityOwnFix = 4;   // quality of a position or own report

struct PositionMessage {
    char kind;                  //   0
    uint8_t reserved1[7];       //   1: zero
    char id[kMessageIdSize];    //   8: narrow account or target ID, zero-padded
    int32_t latitude;           //  24: the fix's latitude / 10
    int32_t longitude;          //  28: the fix's longitude / 10
    uint16_t speed;             //  32: the fix's speed, relayed as the driver gives it
    uint16_t course;            //  34: the fix's course, likewise
    uint8_t status;             //  36: 'A' in a position or own report, 4 in a locate request
    uint8_t quality;            //  37: 4 in a position or own report; tested on receipt
    uint8_t reserved38[2];      //  38: zero
    int16_t altitude;           //  40: the fix's altitude, likewise; no receiver reads the three
    uint8_t reserved42[6];      //  42: zero
    uint8_t reserved48[104];    //  48: zero
};

static_assert(sizeof(PositionMessage) == kMessageSize);
static_assert(offsetof(PositionMessage, id) == 8);
static_assert(offsetof(PositionMessage, latitude) == 24);
static_assert(offsetof(PositionMessage, longitude) == 28);
static_assert(offsetof(PositionMessage, speed) == 32);
static_assert(offsetof(PositionMessage, course) == 34);
static_assert(offsetof(PositionMessage, status) == 36);
static_assert(offsetof(PositionMessage, quality) == 37);
static_assert(offsetof(PositionMessage, altitude) == 40);
static_assert(offsetof(PositionMessage, reserved48) == 48);

// Builders. Each returns a whole message, every byte not filled by its kind zero; the bytes to
// send are the kind's length below (a modem query and a target query send only the short form).
PositionMessage makePosition(const ZQGPS_POSITIONALDATA& fix);
PositionMessage makeOwnReport(const ZQGPS_POSITIONALDATA& fix, const char16_t* accountId);
PositionMessage makeLocateRequest();
PositionMessage makeModemQuery();
PositionMessage makeTargetQuery(const char16_t* targetId);

// Bytes on the wire for each message that the module sends.
constexpr size_t kPositionLength = kMessageSize;
constexpr size_t kOwnReportLength = kMessageSize;
constexpr size_t kLocateRequestLength = kMessageSize;
constexpr size_t kModemQueryLength = kShortMessageSize;
constexpr size_t kTargetQueryLength = kShortMessageSize;

// A received datagram as the receiver sees it: its first min(length, 152) bytes, the rest zero.
PositionMessage decodeReceived(const uint8_t* bytes, size_t length);

// The receiver hands 'm', 'n' and 'o' to the server handler and everything else to the peer
// handler.
bool isServerKind(char kind);

// A received position ('U') is valid when its coordinates are not both 0, its quality is above 2,
// and both coordinates lie strictly inside +-900,000,000 and +-1,800,000,000.
bool isValidPosition(const PositionMessage& message);

enum class TargetReportContent {
    Position,        // coordinates not both 0 and quality not 0 (no range test)
    NotLocatedYet,   // coordinates and quality all 0
    Nothing,         // anything else
};
TargetReportContent classifyTargetReport(const PositionMessage& message);

// The message's id as text: the bytes before the first zero, at most 16 of them, followed by a
// zero. out must hold kMessageIdSize + 1 characters.
void messageIdText(const PositionMessage& message, char out[kMessageIdSize + 1]);
