// What the CDPD modem stand-in answers. A modem query is exactly 24 bytes starting with 'U'
// (the module sends 'U' and 23 zeros; the other 23 bytes are not looked at). Its answer is a
// 152-byte position laid out as the module lays out its own: the route point as the fix's
// coordinates, divided by 10 in the message, status 'A', quality 4, every other byte zero. The
// n-th query gets the n-th point of the route, from the first again after the last.
//
// Every other datagram is dropped unanswered and does not move along the route: a 152-byte
// position or locate request sent to a modem by mistake, a 'U' of another length, any other kind.
// The answer goes to the querier's address at port 28695, not to the port the query came from:
// the module listens there, whatever port its query left from.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "exchange/position_message.h"
#include "modem/route.h"

struct ModemState {
    std::vector<RoutePoint> route;  // the points to report, at least one
    uint64_t answered;              // queries answered so far
};

enum class ModemOutcome {
    Answered,      // *reply is the position of point number `answered` (before the count grew)
    WrongLength,   // a 'U' that is not 24 bytes
    NotAQuery,     // first byte not 'U', or no byte at all
    NoRoute,       // the route is empty: nothing to report
};

// The position the modem reports for a route point.
PositionMessage modemPosition(const RoutePoint& point);

// Decides the answer to a datagram of `length` bytes. *replyLength is 152 with *reply to send,
// or 0 when nothing is sent.
ModemOutcome answerModemDatagram(ModemState* state, const uint8_t* bytes, size_t length,
                                 PositionMessage* reply, size_t* replyLength);

const char* modemOutcomeText(ModemOutcome outcome);
