// gpsdriver.dll: the GPS driver library the module imports. Plain C exports, so any driver with
// the same three functions can stand in.
#pragma once

#include <windows.h>

#include "gpsdriver/zqgps_record.h"

extern "C" {

// Fills *fix with the current fix and returns TRUE while a 2D or 3D fix is fresh; FALSE at once
// when there is none (no GPS service, no fix, or the last fix is stale). Never blocks the caller
// for more than the time to copy the record.
__declspec(dllimport) BOOL ZQGPS_GetPositionalData(ZQGPS_POSITIONALDATA* fix);

// Reads value `valueName` of `key` under HKEY_CURRENT_USER into `buffer` (at most `size` bytes).
// TRUE when the value exists with that type and fits.
__declspec(dllimport) BOOL ZQGPS_RegGetAppVal(LPCWSTR key, LPCWSTR valueName, DWORD type,
                                              LPVOID buffer, DWORD size);

// Writes `size` bytes of `data` as value `valueName` of `key` under HKEY_CURRENT_USER, creating
// the key when needed. TRUE when written.
__declspec(dllimport) BOOL ZQGPS_RegSetAppVal(LPCWSTR key, LPCWSTR valueName, DWORD type,
                                              LPCVOID data, DWORD size);
}
