// Small helpers shared by the Wine-hosted tests of the real DLLs.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <string>

// The registry key that holds the module's settings, under HKEY_CURRENT_USER.
extern const wchar_t kSettingsKeyPath[];

// Removes the module's settings key (the state of a device that never ran the module).
void clearSettings();

// Reads a settings value as raw bytes; empty when missing.
std::string readSettingBytes(const wchar_t* valueName);

// Stores a wide text value padded with zeros to `size` bytes.
void writeSettingText(const wchar_t* valueName, const std::wstring& text, DWORD size);

// Number of threads of this process right now.
int threadCount();

// The thread count once it has stopped changing for a moment (threads of an earlier module that
// detach cancelled before they started still have to start and end), within a bound.
int settledThreadCount();

// Waits (up to a bound) for the thread count to reach `expected`; returns the last count seen.
int waitForThreadCount(int expected, DWORD timeoutMs);

// Makes L:\ (the device's own root, set up by the test scripts) the current drive and folder,
// so "\Windows" and "\My Documents" land there. False when there is no L: drive.
bool enterDeviceRoot();

// A UDP socket bound to 127.0.0.1 and an ephemeral port; INVALID_SOCKET on failure.
SOCKET openLoopbackSocket();

// Receives one datagram within timeoutMs; returns its length, or -1 when nothing came.
int receiveWithin(SOCKET s, char* buffer, int size, DWORD timeoutMs, sockaddr_in* from);

// Waits (bounded) for a top-level dialog with this caption to appear; null when none came.
HWND waitForDialog(const wchar_t* caption, DWORD timeoutMs = 5000);

// Waits (bounded) until `window` is gone; false when it is still there.
bool waitForWindowGone(HWND window, DWORD timeoutMs = 5000);

// Clicks a button of a dialog the way a user would, without waiting for the dialog's answer
// (the click may open a message box that the test then answers).
void clickButton(HWND dialog, int id);

// The text of a dialog's control.
std::wstring controlText(HWND dialog, int id);

// Puts `replacement` in the place of `function` (imported by name from `dll`) in the import table
// of `module`, so the module's own calls reach it; returns what the slot held before, or null
// when the module imports no such function.
void* replaceImport(HMODULE module, const char* dll, const char* function, void* replacement);
