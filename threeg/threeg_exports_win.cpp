// ThreeGStartTrack, ThreeGStopTrack, ThreeGStartSend, ThreeGStopSend: the two thread timers of the
// server link. Their procedures run on the host's thread whenever it dispatches messages, and call
// the core's senders.
#include <windows.h>

#include "module/exports.h"
#include "module/module_state.h"
#include "threeg/account_dialog_win.h"
#include "threeg/server_link.h"

namespace {

void CALLBACK trackTimerProc(HWND, UINT, UINT_PTR, DWORD) {
    sendTargetQuery(moduleState.targetSelection);
}

void CALLBACK sendTimerProc(HWND, UINT, UINT_PTR, DWORD) { sendOwnReport(); }

} // namespace

bool ThreeGStartTrack(void* hostWindow) {
    moduleState.hostWindow = hostWindow;
    uint32_t periodMs;
    if (!trackPeriodForSelection(&periodMs))
        return false;
    ThreeGStopTrack();  // a second start never leaves a timer that no export can stop
    moduleState.trackTimer = SetTimer(nullptr, 0, periodMs, trackTimerProc);
    return moduleState.trackTimer != 0;  // no timer: not started, and not reported as such
}

void ThreeGStopTrack() {
    if (moduleState.trackTimer == 0)
        return;
    KillTimer(nullptr, moduleState.trackTimer);
    moduleState.trackTimer = 0;
}

bool ThreeGStartSend(void* hostWindow) {
    if (moduleState.accountId[0] == 0)
        runAccountDialog(static_cast<HWND>(hostWindow));
    if (moduleState.accountId[0] == 0)
        return false;
    moduleState.hostWindow = hostWindow;
    ThreeGStopSend();
    moduleState.sendTimer = SetTimer(nullptr, 0, kOwnReportPeriodMs, sendTimerProc);
    return moduleState.sendTimer != 0;
}

void ThreeGStopSend() {
    if (moduleState.sendTimer == 0)
        return;
    KillTimer(nullptr, moduleState.sendTimer);
    moduleState.sendTimer = 0;
}
