// The module's timers run on the host's thread, and only that thread can kill them. When the host
// unloads the module from another thread, detach cannot reach them, and the system would go on
// calling procedures that are no longer mapped. So every timer procedure the module gives the
// system is a gate outside the module's image: open, it calls the module's procedure (and counts
// the calls under way); closed, it kills the timer that called it, on its own thread, and returns.
#pragma once

#include <windows.h>

// A gate that calls `procedure`, or null when the system gave no memory. Gates are made once per
// load of the module, one per procedure, on the first timer started.
TIMERPROC timerGateFor(int slot, TIMERPROC procedure);

// Detach: closes every gate and waits (bounded) until no call through one is under way. With
// `timersKilled` (detach ran on the timers' thread, which killed them) the gates are released;
// otherwise they stay, to end their timers at the next tick.
void closeTimerGates(bool timersKilled);
