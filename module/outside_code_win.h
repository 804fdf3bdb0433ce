// Code that must go on running after the module's image is gone: a thread's launch pad (a thread
// that detach cancelled before it started) and the timer gates (a timer whose thread detach
// cannot reach). Each lives in two pages of its own: a copy of position-independent machine code
// (read and execute) and, one page after it, the data that code reads (read and write).
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

constexpr SIZE_T kOutsideCodePage = 4096;

// Copies `size` bytes of code into a new code page; returns the start of its data page (zeroed),
// or null when the system gave no memory. The code finds its data at its own address + 4096.
void* makeOutsideCode(const uint8_t* code, size_t size);

// Releases what makeOutsideCode made, given its data page. Only when no thread can still run it.
void freeOutsideCode(void* data);

// The entry point of the code whose data page is `data`.
inline void* outsideCodeEntry(void* data) { return static_cast<uint8_t*>(data) - kOutsideCodePage; }
