// The CDPD poll schedule: pure arithmetic over list entries and counters.
#include "cdpd/poll_schedule.h"

#include "module/number_entry.h"

bool takesPart(const CdpdAddress& entry) {
    return entry.frequency > 0.0f && entry.enabled != 0;
}

PollSchedule pollScheduleFor(const CdpdAddress* entries, int32_t count) {
    float smallest = kFrequencyCeiling;
    for (int32_t i = 0; i < count && i < kCdpdCapacity; ++i) {
        if (takesPart(entries[i]) && entries[i].frequency < smallest)
            smallest = entries[i].frequency;
    }
    PollSchedule schedule;
    schedule.step = smallest * kTicksPerMinute;  // float × float: stays single precision
    schedule.decrement = pollStepTicks(smallest);
    return schedule;
}

bool isIdleStep(float step) { return step == kIdleStep; }

bool isDue(const CdpdAddress& entry, int32_t counter, float step, int32_t visitCount,
           int32_t count) {
    if (!takesPart(entry))
        return false;
    return visitCount < count || static_cast<float>(counter) >= step;
}
