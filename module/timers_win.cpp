// The module's system timers: SetTimer without a window, so each procedure runs on the host's
// thread whenever it dispatches messages (its own loop, or a modal dialog's or message box's).
// The system is given the timer gates, never the procedures themselves, so a timer that detach
// could not kill (the host unloaded us from another thread) never calls into unmapped code.
#include <windows.h>

#include "module/timers_win.h"

#include "cdpd/cdpd_tracking_win.h"
#include "cdpd/poller.h"
#include "module/module_state.h"
#include "module/platform.h"
#include "module/timer_gate_win.h"
#include "threeg/server_link.h"

namespace {

// No exception may leave a timer procedure into the host's message loop: a failure of memory
// costs that tick, and the next tick tries again.
void CALLBACK tickProc(HWND, UINT, UINT_PTR, DWORD) {
    try {
        pollTick();
    } catch (...) {
    }
}

void CALLBACK trackProc(HWND, UINT, UINT_PTR, DWORD) {
    try {
        sendTargetQuery(moduleState.targetSelection);
    } catch (...) {
    }
}

void CALLBACK sendProc(HWND, UINT, UINT_PTR, DWORD) {
    try {
        ownReportTick();
    } catch (...) {
    }
}

// A stop that could not kill its timer (asked on another thread than the timer's): that timer
// lives on with its gate. Written by the host's threads as they stop timers; detach, which stops
// every timer first, reads it.
bool timerLeftElsewhere;

int slotOf(ModuleTimer which) { return static_cast<int>(which); }

} // namespace

uintptr_t platformStartTimer(ModuleTimer which, uint32_t periodMs) {
    TIMERPROC procedure = which == ModuleTimer::Tick    ? tickProc
                          : which == ModuleTimer::Track ? trackProc
                                                        : sendProc;
    TIMERPROC gate = timerGateFor(slotOf(which), procedure);
    if (gate == nullptr)
        return 0;
    return SetTimer(nullptr, 0, periodMs, gate);
}

void platformStopTimer(uintptr_t timer) {
    // A thread timer can only be killed on its own thread; one started elsewhere stays live.
    if (!KillTimer(nullptr, timer))
        timerLeftElsewhere = true;
}

void closeTimers() {
    closeTimerGates(!timerLeftElsewhere);
    timerLeftElsewhere = false;
}

void stopTimersAndPolling() {
    stopCdpdTrackingAndWait();
    stopTracking();
    stopSending();
}
