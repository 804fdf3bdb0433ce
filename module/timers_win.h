// The module's three system timers (the CDPD tick, the 3G track and send timers) and the poll
// thread, as the shell holds them, so detach can end them all.
#pragma once

// Detach: kills the tick, track and send timers (detach runs on the host's thread, which made
// them) and stops the poll thread, waiting for it with a bound.
void stopTimersAndPolling();

// Detach, after stopTimersAndPolling: no timer procedure of the module runs after this returns.
// Timers that could not be killed (they run on another thread than the one unloading us) are
// ended by their gates at their next tick.
void closeTimers();
