// Functions of the device's platform that the desktop's headers do not declare. The module calls
// each by its device name. On the device it comes from coredll; the desktop builds, on which the
// module is tested, link module/device_shims_win.cpp, which makes it of desktop calls.
#pragma once

#include <windows.h>

extern "C" {

// Puts the file `replacement` in the place of the file `existing` in one step: the old contents
// stay whole until the new ones take their place, and `replacement` is gone afterwards. Fails,
// changing neither, when `existing` is missing or held open.
BOOL WINAPI DeleteAndRenameFile(LPCWSTR existing, LPCWSTR replacement);

}
