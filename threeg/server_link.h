// The server link: the tracking server's address, the own report every 6 seconds while sending
// is on, and the target query at the tracked target's frequency while tracking is on. The two
// system timers belong to the Win32 shell; their procedures call the senders here. Everything
// here runs on the host's thread.
#pragma once

#include <cstdint>

// Looks `name` (narrow host name or dotted address) up; on an IPv4 answer stores its address in
// serverAddress and returns true; otherwise false, serverAddress unchanged.
bool resolveServer(const char* name);

// One own report under accountId to the server, when the server resolves, an account is set,
// the endpoint is bound, the driver has a fix and the socket is valid. Silent otherwise. The
// one-off sends of the dialogs call it: it goes whatever the owner's report rules say, and
// counts as the last report sent for them.
void sendOwnReport();

// The own report timer's tick: the same report, sent when the owner's report rules
// (reportRules, threeg/report_decision.h) say it is due; with none set, at every tick.
void ownReportTick();

// One target query for targetList slot `index`, when the endpoint is bound and the server
// resolves. A slot outside the list sends nothing (it would name no target).
void sendTargetQuery(int32_t index);

// ThreeGStartTrack's decision: the timer period for the selected target, its frequency x 60000 ms
// in single precision (clamped to 32 bits). False, no period, when targetSelection names no
// target or its frequency is not above 0.
bool trackPeriodForSelection(uint32_t* periodMs);

constexpr uint32_t kOwnReportPeriodMs = 6000;

// ThreeGStartTrack: stores the host's window (also when refused), and starts the target query
// timer at the selected target's period. A timer already running is stopped first, so no timer
// is ever left that no export can stop. False when refused (see trackPeriodForSelection) or when
// the system gave no timer.
bool startTracking(void* hostWindow);

// ThreeGStopTrack: stops the target query timer, if one runs.
void stopTracking();

// ThreeGStartSend once an account is set (the shell runs the account dialog first when none is):
// false, hostWindow untouched, without an account; otherwise stores the window and starts the own
// report timer (stopping one already running), whose next tick is the first for the report
// rules. False when the system gave no timer.
bool startSending(void* hostWindow);

// ThreeGStopSend: stops the own report timer, if one runs.
void stopSending();
