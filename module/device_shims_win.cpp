// The device's functions that desktop Windows lacks (module/device_api_win.h), made of desktop
// calls for the desktop builds the module is tested on. A build for the device leaves this file
// out: coredll has each of them. This is the one place where the module's code may call what the
// device does not have, and the device-API test allows this object's calls
// (module/device_functions.txt).
#include "module/device_api_win.h"

BOOL WINAPI DeleteAndRenameFile(LPCWSTR existing, LPCWSTR replacement) {
    // As on the device there must be a file to replace, so the desktop tests also take the
    // caller's way for a first save.
    if (GetFileAttributesW(existing) == INVALID_FILE_ATTRIBUTES)
        return FALSE;
    return MoveFileExW(replacement, existing, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}
