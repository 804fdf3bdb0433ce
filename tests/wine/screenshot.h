// Saves what a window shows as a PNG file, so a person can look at the dialogs the tests drive.
#pragma once

#include <winsock2.h>
#include <windows.h>

#include <string>

// Captures `window` (with its frame) and writes it to `path` as an 8-bit RGB PNG. False when the
// window could not be captured or the file not written.
bool saveWindowPng(HWND window, const wchar_t* path);

// Where the tests keep their screenshots: the folder "screenshots" of the build, beside bin\.
// Creates it when needed.
std::wstring screenshotPath(const wchar_t* fileName);
