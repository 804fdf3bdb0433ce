// The receiver's dispatch: each datagram goes by its first byte to the server handler ('m', 'n',
// 'o') or to the peer handler (everything else). Runs on the receiver thread only.
#pragma once

#include <cstddef>
#include <cstdint>

#include "exchange/position_message.h"
#include "exchange/socket_address.h"

// One received datagram of `length` bytes (1 to 152) from `sender`.
void handleDatagram(const uint8_t* bytes, size_t length, const SocketAddress& sender);

// Peer handler: logs a valid position ('U') under the name of the matching CDPD entry (or the
// sender's dotted address, unless logPolicy is Listed), and answers a locate request with the own
// fix, sent to the sender's address and port (endpointBound is not consulted: only a valid
// socket and a fix are needed) when answerPolicy lets that sender have one and the answer limit
// admits it (exchange/answer_limit.h).
void handlePeerMessage(const PositionMessage& message, const SocketAddress& sender);

// Server handler: target reports from the tracking server (serverAddress) are logged for the
// listed target they name; "not located yet" is shown while tracking is off.
void handleServerMessage(const PositionMessage& message, const SocketAddress& sender);
