// How often the receiver answers locate requests. An answer is 152 bytes to whatever address a
// 1-byte request names as its sender, and that address can be forged: unbounded, the device
// would reflect floods at strangers and tell anyone who asks where it is. So each sender address
// (the port plays no part) gets at most one answer a second, and all senders together at most
// kAnswersPerSecond; the rest are dropped without a word. A conforming poller asks once per
// 6-second tick at most and a dialog's Query once per press, so no peer that follows the rules
// ever notices.
//
// Memory is one table of kAnswersPerSecond senders, whatever the number of senders. A sender
// answered within the last second always stays in it: a new sender is admitted only while fewer
// than kAnswersPerSecond answers went in the last second, so then at least one entry is older
// than a second, and the oldest is the one forgotten.
//
// Time is passed in (milliseconds of a monotonic clock), so a test runs a minute of forged
// traffic in a millisecond. The state is the receiver thread's alone.
#pragma once

#include <cstdint>

constexpr uint32_t kAnswerIntervalMs = 1000;  // per sender address, and the window of the total
constexpr int kAnswersPerSecond = 100;        // all senders together

struct AnsweredSender {
    uint32_t address;     // IPv4, network byte order
    uint64_t answeredAt;  // ms of the last answer admitted for it
    bool used;
};

struct AnswerLimit {
    AnsweredSender senders[kAnswersPerSecond];
};

// Forgets every sender (the state at load).
void resetAnswerLimit(AnswerLimit* limit);

// True when a request from `address` at `nowMs` may be answered, and then counts it as answered.
// A clock that seems to run backwards counts as no time passed.
bool admitAnswer(AnswerLimit* limit, uint32_t address, uint64_t nowMs);
