// The module's system timers: SetTimer without a window, so each procedure runs on the host's
// thread whenever it dispatches messages (its own loop, or a modal dialog's or message box's).
#include <windows.h>

#include "cdpd/poller.h"
#include "module/module_state.h"
#include "module/platform.h"
#include "threeg/server_link.h"

namespace {

void CALLBACK tickProc(HWND, UINT, UINT_PTR, DWORD) { pollTick(); }

void CALLBACK trackProc(HWND, UINT, UINT_PTR, DWORD) {
    sendTargetQuery(moduleState.targetSelection);
}

void CALLBACK sendProc(HWND, UINT, UINT_PTR, DWORD) { ownReportTick(); }

} // namespace

uintptr_t platformStartTimer(ModuleTimer which, uint32_t periodMs) {
    TIMERPROC procedure = which == ModuleTimer::Tick    ? tickProc
                          : which == ModuleTimer::Track ? trackProc
                                                        : sendProc;
    return SetTimer(nullptr, 0, periodMs, procedure);
}

void platformStopTimer(uintptr_t timer) { KillTimer(nullptr, timer); }
