// The least host of lorvane.dll: it links the module's import library, so the system loads the
// module (and the GPS driver library the module imports) before this program starts. It calls
// the exports that need no user, says what each did, and exits 0 when all went as they should.
//
// It includes nothing but lorvane.h and declares the four system functions it calls itself, so
// it builds with no Windows SDK and no C runtime. The process starts at `start`:
//
//   Microsoft's toolchain:  cl /c /GS- /I..\include sample_host.cpp
//                           link /entry:start /subsystem:console /nodefaultlib sample_host.obj
//                                ..\lib\lorvane.lib kernel32.lib
//   clang and lld, mingw:   sh build.sh msvc|mingw i686|x64 OUT_DIR   (see build.sh)
//
// To run it, put lorvane.dll and a GPS driver library (standin\gpsdriver.dll on a desktop)
// beside it.
#include "lorvane.h"

extern "C" {
__declspec(dllimport) void* __stdcall GetStdHandle(unsigned long which);
__declspec(dllimport) int __stdcall WriteFile(void* file, const void* bytes, unsigned long count,
                                              unsigned long* written, void* overlapped);
__declspec(dllimport) void __stdcall Sleep(unsigned long milliseconds);
__declspec(dllimport) void __stdcall ExitProcess(unsigned int code);
}

namespace {

const unsigned long kStandardOutput = static_cast<unsigned long>(-11);

void write(const char* bytes, unsigned long count) {
    unsigned long written;
    WriteFile(GetStdHandle(kStandardOutput), bytes, count, &written, 0);
}

// A line of text known when the program is built, so its length is too: no C runtime's strlen.
template <unsigned long N> void say(const char (&line)[N]) {
    write(line, N - 1);
    write("\r\n", 2);
}

// Says `what`, after a line of its own when it does not hold; true when it holds.
template <unsigned long N> bool expect(bool holds, const char (&what)[N]) {
    if (!holds)
        say("FAILED: the next line does not hold");
    say(what);
    return holds;
}

} // namespace

extern "C" void __cdecl start() {
    say("sample host: lorvane.dll loaded through the import table");
    say("settings key: HKEY_CURRENT_USER\\" LORVANE_SETTINGS_KEY);

    // No window: the module then tells no one of track files, which this host does not draw.
    cdpdStartTrack(0);
    say("cdpdStartTrack: polling started");
    cdpdStopTrack();
    say("cdpdStopTrack: polling stopped");

    bool ok = true;
    ok &= expect(!ThreeGStartTrack(0), "ThreeGStartTrack with no target chosen: false");
    ThreeGStopTrack();
    say("ThreeGStopTrack: done");
    ThreeGStopSend();
    say("ThreeGStopSend: done");

    CMarvolt a, b;
    ok &= expect(&(a = b) == &a, "CMarvolt::operator= returns the object assigned to");

    if (ok)
        say("sample host: passed");
    else
        say("sample host: FAILED");
    // A host runs for longer than this one: the poll thread that cdpdStartTrack started gets a
    // moment to begin and end before the process does. (32-bit Wine can crash a process that
    // ends while one of its threads is starting.)
    Sleep(100);
    ExitProcess(ok ? 0 : 1);
}
