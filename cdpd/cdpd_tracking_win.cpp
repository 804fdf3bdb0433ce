// CDPD polling in the shell: the tick timer and the poll thread. Every decision (the
// schedule, whether a thread is needed) is the core poller's; this file only owns the thread.
#include <windows.h>

#include "cdpd/cdpd_tracking_win.h"
#include "cdpd/poll_schedule.h"
#include "cdpd/poller.h"
#include "module/module_state.h"
#include "module/owned_thread_win.h"

namespace {

constexpr DWORD kPollThreadStopTimeoutMs = 5000;

OwnedThread pollThread;

void pollThreadBody(void*) { runPollThread(); }

void stopTickTimer() {
    if (moduleState.tickTimer != 0)
        platformStopTimer(moduleState.tickTimer);
    moduleState.tickTimer = 0;
}

} // namespace

void startCdpdTracking(void* hostWindow) {
    moduleState.hostWindow = hostWindow;
    bool needThread = startPolling();
    stopTickTimer();  // a second start never leaves two tick timers
    moduleState.tickTimer = platformStartTimer(ModuleTimer::Tick, kTickPeriodMs);
    if (needThread) {
        // The earlier thread's body has returned; release its handles before starting anew.
        stopOwnedThread(&pollThread, kPollThreadStopTimeoutMs);
        if (!startOwnedThread(&pollThread, pollThreadBody, nullptr))
            pollThreadNotStarted();
    }
}

void stopCdpdTracking() {
    stopPolling();
    stopTickTimer();
}

void stopCdpdTrackingAndWait() {
    stopCdpdTracking();
    stopOwnedThread(&pollThread, kPollThreadStopTimeoutMs);
}
