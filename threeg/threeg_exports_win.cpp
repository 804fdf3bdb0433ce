// ThreeGStartTrack, ThreeGStopTrack, ThreeGStartSend, ThreeGStopSend: the core's server link
// decides; this file adds the account dialog that ThreeGStartSend runs when no account is set.
#include <windows.h>

#include "module/exports.h"
#include "module/module_state.h"
#include "threeg/account_dialog_win.h"
#include "threeg/server_link.h"

bool ThreeGStartTrack(void* hostWindow) { return startTracking(hostWindow); }

void ThreeGStopTrack() { stopTracking(); }

bool ThreeGStartSend(void* hostWindow) {
    if (moduleState.accountId[0] == 0)
        runAccountDialog(static_cast<HWND>(hostWindow));
    return startSending(hostWindow);
}

void ThreeGStopSend() { stopSending(); }
