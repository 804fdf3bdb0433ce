// A thread owned by a DLL that must never outlive the DLL's code. Used by lorvane.dll for its
// receiver and its poll thread, and by the gpsdriver.dll stand-in for its gpsd reader.
//
// Ending such a thread from DllMain is the hard part: detach runs under the loader lock, so
//  - waiting on the thread's handle never returns (a thread's exit needs the loader lock);
//  - a thread created at attach cannot start until the lock is free, so a quick load and unload
//    detaches before it ever ran, and it would then start in unmapped code;
//  - an event signalled by the thread and then a return would still run module code after the
//    signal, while detach may already have let the module be unmapped;
//  - the thread may be waiting on the very thread that unloads us: inside a message box (which
//    waits for a user), or inside SendMessageW to a window of the unloading thread (which waits
//    for that thread to handle the message).
// So:
//  - the thread starts in a small launch pad of its own, outside the module's image, which either
//    claims the start (and jumps into the module) or, when detach cancelled it first, ends the
//    thread with ExitThread without touching the module. The launch pad of a cancelled thread is
//    left allocated (a few KB, and only when detach beats the thread's start);
//  - the thread's very last act is a tail jump into kernel32's SetEvent, so no instruction of ours
//    runs after it, and detach waits on that event with a bound;
//  - while it waits, detach closes every window the thread shows (the module's only such windows
//    are its message boxes) and handles the messages sent to the waiting thread, so a host window
//    procedure called from the thread runs, and reads what it was given, while we are mapped.
#pragma once

#include <windows.h>

struct ThreadLaunch;

struct OwnedThread {
    HANDLE finished;        // set by the thread's last act; must stay the first field
    HANDLE handle;
    DWORD id;
    ThreadLaunch* launch;   // the launch pad, outside the module's image
    void (*run)(void* argument);
    void* argument;
};

// Starts `run(argument)` on a new thread. False when no thread could be created.
bool startOwnedThread(OwnedThread* thread, void (*run)(void*), void* argument);

// Ends the thread. The caller has already asked `run` to return (a stop flag, a closed socket, a
// woken wait); a message box the thread shows is closed here. Returns true when the thread has
// left the module's code or will never enter it, false when it did not finish within timeoutMs
// (its handles are then left open rather than closed under it).
bool stopOwnedThread(OwnedThread* thread, DWORD timeoutMs);
