// The receiver's dispatch: each datagram goes by its first byte to the server handler ('m', 'n',
// 'o') or to the peer handler (everything else). Runs on the receiver thread only.
//
// The receiver works in rounds. It takes the datagrams that wait in the socket one after the
// other (takeDatagram): a locate request is answered at once, a position to log is held. Once no
// datagram waits behind them, the held positions are written (writeHeldPositions): each track
// file is opened, walked and flushed once for all of its positions, and only then is the host
// told of each, in the order they came. A disk whose flush stalls thus makes the next round
// longer instead of letting the socket's queue overflow, and still no position is told of before
// its record is on the disk.
#pragma once

#include <cstddef>
#include <cstdint>

#include "exchange/position_message.h"
#include "exchange/socket_address.h"

// The most positions a round holds; one more writes those first. Enough for 20 files at a
// thousand positions a second behind flushes of 10 ms each, in a few tens of kilobytes.
constexpr size_t kRoundPositions = 512;

// One received datagram of `length` bytes (1 to 152) from `sender`, taken into the round:
// a peer's position ('U') is held to be logged under the name of the matching CDPD entry (or the
// sender's dotted address, unless logPolicy is Listed); a locate request is answered with the own
// fix, sent to the sender's address and port (endpointBound is not consulted: only a valid
// socket and a fix are needed) when answerPolicy lets that sender have one and the answer limit
// admits it (exchange/answer_limit.h); a target report from the tracking server (serverAddress)
// is held to be logged for the listed target it names, and "not located yet" is shown while
// tracking is off, after the positions held before it are written.
void takeDatagram(const uint8_t* bytes, size_t length, const SocketAddress& sender);

// Writes the positions held, with one flush per track file, then tells the host of each in
// order. Nothing happens when none is held.
void writeHeldPositions();

// Before each receive: writes the positions held once no datagram waits behind them
// (platformDatagramWaiting), so a lone position is on the disk and told of at once, and a queue
// of them is written as one round.
void writeHeldPositionsUnlessMoreWait();

// One datagram as a round of its own: taken, and what it logs written and told at once.
void handleDatagram(const uint8_t* bytes, size_t length, const SocketAddress& sender);
