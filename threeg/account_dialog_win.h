// Dialog 102, "Lorvane Account Setup": sets the account ID under which own reports go to the
// server, and stores it in the registry ("QVID", 32 bytes).
#pragma once

#include <windows.h>

// Runs the dialog modally over `parent`. An accepted ID is in accountId and the registry when it
// returns, and one own report has been sent under it.
void runAccountDialog(HWND parent);
