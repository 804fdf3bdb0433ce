// cdpdStartTrack and cdpdStopTrack: the tick timer and the poll thread. Every decision (the
// schedule, whether a thread is needed) is the core poller's; this file only owns the timer and
// the thread.
#include <windows.h>

#include "cdpd/poll_schedule.h"
#include "cdpd/poller.h"
#include "module/exports.h"
#include "module/module_state.h"
#include "module/owned_thread_win.h"
#include "module/timers_win.h"

namespace {

constexpr DWORD kPollThreadStopTimeoutMs = 5000;

OwnedThread pollThread;

void CALLBACK cdpdTick(HWND, UINT, UINT_PTR, DWORD) { pollTick(); }

void pollThreadBody(void*) { runPollThread(); }

void killTickTimer() {
    if (moduleState.tickTimer != 0)
        KillTimer(nullptr, moduleState.tickTimer);
    moduleState.tickTimer = 0;
}

} // namespace

void cdpdStartTrack(void* hostWindow) {
    moduleState.hostWindow = hostWindow;
    bool needThread = startPolling();
    killTickTimer();  // a second start never leaves two tick timers
    moduleState.tickTimer = SetTimer(nullptr, 0, kTickPeriodMs, cdpdTick);
    if (needThread) {
        // The earlier thread's body has returned; release its handles before starting anew.
        stopOwnedThread(&pollThread, kPollThreadStopTimeoutMs);
        if (!startOwnedThread(&pollThread, pollThreadBody, nullptr))
            pollThreadNotStarted();
    }
}

void cdpdStopTrack() {
    stopPolling();
    killTickTimer();
}

void stopTimersAndPolling() {
    killTickTimer();
    if (moduleState.trackTimer != 0)
        KillTimer(nullptr, moduleState.trackTimer);
    moduleState.trackTimer = 0;
    if (moduleState.sendTimer != 0)
        KillTimer(nullptr, moduleState.sendTimer);
    moduleState.sendTimer = 0;
    stopPolling();
    stopOwnedThread(&pollThread, kPollThreadStopTimeoutMs);
}
