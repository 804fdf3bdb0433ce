// The module's three system timers (the CDPD tick, the 3G track and send timers) and the poll
// thread, as the shell holds them, so detach can end them all.
#pragma once

// Detach: kills the tick, track and send timers (detach runs on the host's thread, which made
// them) and stops the poll thread, waiting for it with a bound.
void stopTimersAndPolling();
