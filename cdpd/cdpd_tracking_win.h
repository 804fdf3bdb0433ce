// CDPD polling as the shell runs it: the tick timer and the poll thread. The exports
// cdpdStartTrack and cdpdStopTrack call these; detach stops and waits.
#pragma once

// cdpdStartTrack: stores the host's window, starts the tick timer and, when the poller asks for
// one, the poll thread.
void startCdpdTracking(void* hostWindow);

// cdpdStopTrack: ends polling after the pass under way, and the tick timer.
void stopCdpdTracking();

// Detach: stopCdpdTracking, then the poll thread is waited for, with a bound, and its handles
// released.
void stopCdpdTrackingAndWait();
