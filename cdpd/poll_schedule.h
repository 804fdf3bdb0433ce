// The CDPD poll schedule, without threads or time: the step worked out from a copy of the list,
// and whether one visited entry is due. The poller (poller.h) runs it over the live list and the
// counters; tests run it over plain arrays.
//
// The counters count 6-second ticks. Every entry that takes part is asked at one common step,
// ten times the smallest frequency among them, so all are asked at the rate of the fastest. The
// step is a single-precision float and is compared with the counters converted to float; the
// amount taken off a counter is the step truncated toward zero. Both are computed in single
// precision, as the stored frequencies are floats: a smallest frequency of 0.7 gives a step of
// 7.0 and a decrement of 7, where double arithmetic would give 6.99999... and 6.
#pragma once

#include <cstdint>

#include "cdpd/cdpd_address.h"

constexpr unsigned kTickPeriodMs = 6000;  // the tick timer's period
constexpr int32_t kCounterStart = 1;      // every counter when polling starts
constexpr float kFrequencyCeiling = 3000.0f;
constexpr float kTicksPerMinute = 10.0f;
// A step of exactly this (kFrequencyCeiling × kTicksPerMinute) means that no entry took part
// with a frequency below the ceiling: the poll thread then ends without sending anything.
constexpr float kIdleStep = 30000.0f;

struct PollSchedule {
    float step;         // ticks between two asks of an entry
    int32_t decrement;  // taken off the counter of an entry when it is asked; may be 0
};

// An entry takes part when it is enabled and its frequency is above 0.0 (NaN and negative
// frequencies never take part).
bool takesPart(const CdpdAddress& entry);

// The step for entries 0 .. count - 1: the smallest frequency that takes part, starting from the
// ceiling, times ten. A list where nothing takes part below the ceiling gives kIdleStep.
// A smallest frequency below 0.1 gives a decrement of 0.
PollSchedule pollScheduleFor(const CdpdAddress* entries, int32_t count);

bool isIdleStep(float step);

// Whether an entry visited in a pass is due: it takes part, and either the thread has not yet
// visited `count` entries since it started (the first pass asks every entry at once) or its
// counter has reached the step.
bool isDue(const CdpdAddress& entry, int32_t counter, float step, int32_t visitCount,
           int32_t count);
