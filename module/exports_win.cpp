// Every export of the module in one place, each a thin door into its subsystem, declared once for
// the module and its hosts in include/lorvane.h. No exception may reach the host through one: a
// failure of memory fails that call (a dialog closes, a start returns false), never the host.
#include <windows.h>

#include "cdpd/cdpd_dialogs_win.h"
#include "cdpd/cdpd_tracking_win.h"
#include "lorvane.h"
#include "module/module_state.h"
#include "threeg/account_dialog_win.h"
#include "threeg/server_dialog_win.h"
#include "threeg/server_link.h"
#include "threeg/threeg_dialogs_win.h"

namespace {

template <typename Call> void guarded(Call call) {
    try {
        call();
    } catch (...) {
    }
}

} // namespace

void cdpdIni(void* hostWindow) {
    guarded([&] { runCdpdSetup(hostWindow); });
}

void cdpdStartTrack(void* hostWindow) {
    guarded([&] { startCdpdTracking(hostWindow); });
}

void cdpdStopTrack() {
    guarded([] { stopCdpdTracking(); });
}

void ThreeGIni(void* hostWindow) {
    guarded([&] { runThreeGSetup(hostWindow); });
}

void ThreeGServerSetup(void* hostWindow) {
    guarded([&] { runServerDialog(hostWindow); });
}

bool ThreeGStartTrack(void* hostWindow) {
    bool started = false;
    guarded([&] { started = startTracking(hostWindow); });
    return started;
}

void ThreeGStopTrack() {
    guarded([] { stopTracking(); });
}

// Without an account the user is asked for one first; cancelled, the start is refused.
bool ThreeGStartSend(void* hostWindow) {
    bool started = false;
    guarded([&] {
        if (moduleState.accountId[0] == 0)
            runAccountDialog(static_cast<HWND>(hostWindow));
        started = startSending(hostWindow);
    });
    return started;
}

void ThreeGStopSend() {
    guarded([] { stopSending(); });
}

// The module's exported class has no data and nothing in the module uses it; hosts built against
// the module's header link its copy assignment.
CMarvolt& CMarvolt::operator=(const CMarvolt&) { return *this; }
