// Saves what a window shows as a PNG file: the host's map for the demo, and the dialogs the tests
// drive, so a person can look at them.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN  // leaves winsock2.h free to come later
#endif
#include <windows.h>

#include <string>

// Captures `window` (with its frame) and writes it to `path` as an 8-bit RGB PNG. False when the
// window could not be captured or the file not written.
bool saveWindowPng(HWND window, const wchar_t* path);

// Where screenshots go: the folder "screenshots" of the build, beside bin\.
// Creates it when needed.
std::wstring screenshotPath(const wchar_t* fileName);
