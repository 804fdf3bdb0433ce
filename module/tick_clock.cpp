#include "module/tick_clock.h"

void resetTickClock(TickClock* clock) { clock->latest = TickClock::kNotAskedYet; }

uint64_t extendTick(TickClock* clock, uint32_t tickMs) {
    uint64_t latest = clock->latest.load();
    for (;;) {
        uint64_t now = tickMs;
        if (latest != TickClock::kNotAskedYet) {
            uint32_t step = tickMs - static_cast<uint32_t>(latest);  // modulo 2^32: across a wrap
            if (step > uint32_t(kWrapMs - kLateReadingMs))
                return latest;  // taken before the latest: a late reading of another thread
            now = latest + step;
        }
        // Another thread may have moved the clock since it was read: then try again from there.
        if (clock->latest.compare_exchange_weak(latest, now))
            return now;
    }
}
