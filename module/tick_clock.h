// The device's clock counts milliseconds in 32 bits and wraps to 0 every 49.7 days, but the answer
// limit and the own report's heartbeat measure intervals on a clock that must keep counting across
// the wrap. extendTick makes that 64-bit clock out of the 32-bit readings: a reading is the latest
// value given so far plus the 32-bit step forward to it, so a wrap between two readings is counted.
//
// What it needs:
//  - to be asked at least once every kWrapMs - kLateReadingMs (49.7 days less a minute), so that
//    no two readings in a row are a whole wrap apart. A longer silence loses the whole wraps in it:
//    the clock then reads 49.7 days short for each, but it still never goes back;
//  - a reading handed in within kLateReadingMs of being taken. Two threads ask it (the receiver and
//    the host's thread), so one may hand in its reading after the other handed in a later one. A
//    reading behind the latest by less than kLateReadingMs is such a late one: it gives the latest
//    value again, so the clock never goes back for either thread. A reading that comes later still
//    counts as nearly a whole wrap forward.
//
// Pure apart from its one atomic word, and time is passed in: a test runs across the wrap at once.
#pragma once

#include <atomic>
#include <cstdint>

constexpr uint64_t kWrapMs = uint64_t(1) << 32;
constexpr uint32_t kLateReadingMs = 60000;

struct TickClock {
    // The latest value given; kNotAskedYet before the first reading.
    static constexpr uint64_t kNotAskedYet = ~uint64_t(0);
    std::atomic<uint64_t> latest{kNotAskedYet};
};

// Forgets every reading (the state at load): the next reading is taken as it is.
void resetTickClock(TickClock* clock);

// The 64-bit time of a 32-bit reading `tickMs`. Never less than a value it gave before.
uint64_t extendTick(TickClock* clock, uint32_t tickMs);
