// The CDPD poller: the poll thread's body, the tick, and the start and stop that the Win32
// shell's cdpdStartTrack, its tick timer and cdpdStopTrack call. The shell owns the thread and
// the tick timer (SetTimer/KillTimer, CreateThread); everything they decide lives here.
//
// There is never more than one poll thread. A start while a poll thread still runs (a second
// cdpdStartTrack, or one soon after cdpdStopTrack before the earlier thread has ended) does not
// ask for a new thread: the running thread sees that a new start happened, drops the rest of its
// pass, and begins again as a new thread would (reads the list, works out the step, asks every
// entry at once). Only when no thread runs does startPolling ask the shell for one. The decision
// and the thread's end are taken under one lock, so a thread that is about to end either is
// adopted by the new start or has given up its claim before the start looks.
//
// The shell (cdpd_tracking_win.cpp) stores hostWindow, calls startPolling, replaces the tick
// timer (one whose procedure calls pollTick) and, when startPolling asked for it, starts a thread
// running runPollThread, or calls pollThreadNotStarted when it cannot.
//
// Nothing here waits for another thread, except the test hook at the end; the host's thread never
// blocks on the poll thread. The poll thread holds moduleState.listLock only while it copies an
// entry or the count, and never while it sends.
#pragma once

#include "cdpd/cdpd_address.h"

// What the poller, and the setup dialog's Query, send to one entry: a modem the 24-byte modem
// query at port 6000, a device the locate request at port 28695, on a destination built for this
// send alone. False, nothing sent, when there is no bound endpoint to send from.
bool sendCdpdRequest(const CdpdAddress& entry);

// The core's part of cdpdStartTrack, after the shell stored hostWindow: sets pollActive and all 50
// counters to 1, and marks a new start. True: no poll thread runs, and the shell must now start
// one running runPollThread() (or call pollThreadNotStarted() if it cannot). False: a poll thread
// runs and takes this start over; the shell starts none.
bool startPolling();

// For the shell when it could not start the thread that startPolling asked for. Without it, later
// starts would take the missing thread for a running one and never ask for another.
void pollThreadNotStarted();

// cdpdTick: adds 1 to each of the 50 counters (atomically, so no decrement of the poll thread is
// lost) and wakes the poll thread.
void pollTick();

// The core's part of cdpdStopTrack: clears pollActive and wakes the poll thread, which ends before
// its next visit of an entry; at most the request under way is still sent. Does not wait.
void stopPolling();

// The poll thread's body; returns when polling stops, or at once when no entry takes part below
// the frequency ceiling (pollActive then stays set: running but idle). Run by exactly one thread
// after each startPolling() that returned true; the shell ends that thread with code 0 when this
// returns.
void runPollThread();

// True from a startPolling() that returned true until the body it asked for returns (or
// pollThreadNotStarted()).
bool pollThreadRunning();

// Test hook: waits until the poll thread has done all it will do for the ticks, starts and stops
// so far, that is until it waits for the next tick or stop, or no body runs. False when that has
// not happened within timeoutMs (a thread that never settles).
bool waitForPollThreadQuiet(unsigned timeoutMs);
